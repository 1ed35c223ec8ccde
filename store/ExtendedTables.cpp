#include "store/ExtendedTables.h"

#include "store/SQLiteDatabase.h"

#include <QHash>
#include <QMutex>

namespace ExtendedTables {

namespace {

// The stores whose tables could not be made in this run, with the error:
// trying again on every page change would show the same error each time.
QMutex failuresLock;
QHash<QString, QString> failures;

bool allThere(TSQLiteDatabase &db)
{
    return db.GetTable(QStringLiteral(
                           "select count(*) from sqlite_master where name in "
                           "('mrv_orvik_pushsite','mrv_orvik_push','mrv_orvik_indexed','idx_rssurl_stats')"))
               .FieldAsInteger(0)
        == 4;
}

void make(TSQLiteDatabase &db)
{
    // One site's push settings; an empty value switches that channel off.
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS mrv_orvik_pushsite ("
        "rssid INTEGER PRIMARY KEY, baidusite TEXT, baidutoken TEXT, baidudaily INTEGER,"
        " indexnowkey TEXT, indexnowkeylocation TEXT)"));
    // One row per address and channel once the channel has answered for it.
    // Keyed by the pair alone (no row id): a push records up to 10,000 rows at
    // once, and one tree to insert into instead of two halves that time.
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS mrv_orvik_push ("
        "dataid INTEGER NOT NULL, channel TEXT NOT NULL, pushtime TEXT, result TEXT,"
        " PRIMARY KEY (dataid, channel)) WITHOUT ROWID"));
    // When an index check first found the address indexed.
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS mrv_orvik_indexed ("
        "dataid INTEGER PRIMARY KEY, firstseen TEXT)"));
    // The last index audit of an address: its final answer and problems.
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS mrv_orvik_audit ("
        "dataid INTEGER PRIMARY KEY, audittime TEXT, httpstatus INTEGER, finalurl TEXT, problems TEXT,"
        " ok INTEGER)"));
    // The statistics' per-site counts and weekly pings read this instead of
    // the whole address table (10^6 addresses: a tenth of a second instead of
    // more than half). Made once; the address table's columns stay as they are.
    db.ExecSQL(QStringLiteral(
        "CREATE INDEX IF NOT EXISTS idx_rssurl_stats ON mrv_orvik_rssurl(rssid,firsttime,isinbaidu)"));
}

} // namespace

void ensure(TSQLiteDatabase &db)
{
    if (allThere(db))
        return;
    const QString file =
        db.GetTable(QStringLiteral("select file from pragma_database_list where name='main'")).FieldAsString(0);
    {
        QMutexLocker lock(&failuresLock);
        if (const auto failure = failures.constFind(file); failure != failures.constEnd())
            throw ESQLiteException(*failure);
    }
    try {
        make(db);
    } catch (const ESQLiteException &e) {
        QMutexLocker lock(&failuresLock);
        failures.insert(file, e.message());
        throw;
    }
}

bool ready(TSQLiteDatabase &db)
{
    try {
        ensure(db);
        return true;
    } catch (const ESQLiteException &) {
        return false;
    }
}

void deleteSiteRows(TSQLiteDatabase &db, const QString &rssid, bool withSettings)
{
    ensure(db);
    const QString ofSite =
        QStringLiteral(" where dataid in (select dataid from mrv_orvik_rssurl where rssid=") + rssid
        + QStringLiteral(")");
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_push") + ofSite);
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_indexed") + ofSite);
    db.ExecSQL(QStringLiteral("delete from mrv_orvik_audit") + ofSite);
    if (withSettings)
        db.ExecSQL(QStringLiteral("delete from mrv_orvik_pushsite where rssid=") + rssid);
}

} // namespace ExtendedTables
