#include "store/SiteRemoval.h"

#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

namespace SiteRemoval {

void deleteSite(const QString &rssid)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    ExtendedTables::deleteSiteRows(db, rssid, true);
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_rssurl where rssid=") + rssid);
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_rss where rssid=") + rssid);
}

void clearSite(const QString &rssid)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    ExtendedTables::deleteSiteRows(db, rssid, false);
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_rssurl where rssid=") + rssid);
}

} // namespace SiteRemoval
