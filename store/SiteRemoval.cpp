#include "store/SiteRemoval.h"

#include "store/SQLiteDatabase.h"

namespace SiteRemoval {

void deleteSite(const QString &rssid)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_rssurl where rssid=") + rssid);
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_rss where rssid=") + rssid);
}

void clearSite(const QString &rssid)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_rssurl where rssid=") + rssid);
}

} // namespace SiteRemoval
