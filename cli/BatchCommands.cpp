// The ping and check subcommands: the window's batch runs over one site or all.
#include "cli/Commands.h"
#include "cli/Session.h"
#include "store/SQLiteDatabase.h"

// A site number that names no site: the window's ping reports it in its log
// and stops; here it is an error of the step, for the check as well, which
// would otherwise find no rows and report nothing at all.
void requireSite(qint32 site)
{
    if (site == 0)
        return;
    TSQLiteDatabase db(QStringLiteral("database.db"));
    const TSQLiteTable found = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss where rssid='")
                                           + QString::number(site) + u'\'');
    if (found.Count() == 0)
        throw AppError(QStringLiteral("rssid参数错误，进程中止"));
}

bool runPing(Session &session, qint32 site)
{
    return session.runStep(QStringLiteral("ping"), [&] {
        requireSite(site);
        session.setSiteFilter(site);
        session.batchRuns().startPing();
    });
}

bool runCheck(Session &session, qint32 site)
{
    return session.runStep(QStringLiteral("check"), [&] {
        requireSite(site);
        session.setSiteFilter(site);
        session.batchRuns().startCheck();
    });
}
