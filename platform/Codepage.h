#pragma once
#include <QByteArray>
#include <QString>

// The legacy 8-bit code page of the stored texts (database.db, rssurl.txt,
// site.txt). GB18030 writes every GBK character with GBK's own bytes, so files
// of older Chinese installations read and write unchanged, and it can hold
// every other character too, so nothing is lost on the way to the file.
namespace Codepage {
QByteArray toLegacy(const QString &text);
QString fromLegacy(QByteArrayView bytes);
// Decodes a text file: a UTF-8 or UTF-16 byte-order mark selects that encoding,
// otherwise the legacy code page.
QString decodeTextFile(const QByteArray &bytes);
// Splits at CR LF, CR or LF; a final line break ends the last line.
QStringList splitLines(const QString &text);
// One entry per line, each followed by CR LF, legacy code page, no byte-order mark.
QByteArray encodeLines(const QStringList &lines);
} // namespace Codepage
