#pragma once
#include <QByteArrayView>
#include <QString>

struct sqlite3;

// The address list's search: does a title or an address contain the typed
// text? Stored texts are legacy code page bytes, which SQLite's LIKE and
// instr() read as UTF-8: a multi-byte character then swallows the first byte
// of the next one, so "中" would not be found in "中国", and a trail byte can
// pass for a Latin letter. The function textcontains(needle, text...) compares
// characters instead; Latin letters match without regard to case, and every
// other character, '%', '_' and quotes included, matches only itself.
namespace TextSearch {

// Makes textcontains() known to a connection; every store connection has it.
void registerFunction(sqlite3 *db);

// The comparison behind it, on legacy code page bytes.
bool contains(QByteArrayView text, QByteArrayView needle);

} // namespace TextSearch
