#pragma once

#include <QString>

class TSQLiteDatabase;

// Tables added after the first release: push settings and history, the
// time an address was first seen indexed, and the last index audit. The
// program makes them when they are missing; the two original tables keep
// their columns and meaning, so an older database.db still opens and an older
// program still reads the file.
namespace ExtendedTables {

// Makes every missing extended table (and its index). Cheap when they exist:
// one read. A store is tried once per start: after a failure (a full disk, a
// read-only file) every later call raises that store error again at once.
void ensure(TSQLiteDatabase &db);

// ensure() for readers that can do without the tables (the list's push times):
// false instead of the error.
bool ready(TSQLiteDatabase &db);

// Deletes the extended rows that belong to the site's addresses, and, when
// withSettings is set, the site's own push settings. Runs before the addresses
// themselves go, since the rows are found through them.
void deleteSiteRows(TSQLiteDatabase &db, const QString &rssid, bool withSettings);

} // namespace ExtendedTables
