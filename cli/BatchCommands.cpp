// The ping, check and push subcommands: the window's batch runs over one site or all.
#include "cli/Commands.h"
#include "cli/ConsoleOutput.h"
#include "cli/Session.h"
#include "push/BatchPush.h"
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

bool runPush(Session &session, qint32 site)
{
    return session.runStep(QStringLiteral("push"), [&] {
        // The window's push logs an unknown site and stops; as for ping and
        // check, here it fails the step.
        requireSite(site);
        // What the push logs is the status log and goes to standard output;
        // a channel stopped for a reason the user must act on (a refused
        // token or key, every retry failed, an answer not understood) goes to
        // standard error and fails the step, so a timer's exit status shows
        // it. A spent quota is no such reason.
        PushLog log;
        log.appendStatusLog = [&session](const QString &line) { session.out.line(line); };
        log.setMessagePanel = [&session](const QString &text) { session.out.showProgress(text); };
        log.reportProblem = [&session](const QString &line) { session.reportProblem(line); };
        BatchPush push(std::move(log), session.settings);
        push.run(site);
    });
}
