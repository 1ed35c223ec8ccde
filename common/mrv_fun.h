#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Small text and time functions shared by several windows. They keep no state
// and touch no file or window.

// True when some stretch of text matches the whole pattern. Only the letters
// A to Z are compared without regard to case; every other character must be
// equal. '*' stands for any run of characters (also none), '?' for exactly one
// character. The pattern may match anywhere: it behaves as if it began and
// ended with '*', so an empty pattern matches every text.
bool MatchPattern(const QString &pattern, const QString &text);

// Cuts text at every occurrence of delimiter (exact characters, no overlaps).
// An empty text gives no pieces; a delimiter at the very end gives an empty
// last piece; a text without the delimiter gives one piece, the whole text.
// An empty delimiter occurs nowhere, so it also gives the whole text as one piece.
QStringList SplitText(const QString &text, const QString &delimiter);

// Reads a stored timestamp "yyyy-mm-dd hh:nn:ss" as a local date-time.
// Also accepted: blanks around the text, single-digit month, day, hour,
// minute and second, a missing seconds field, a fraction of up to three
// digits after the seconds, and a date without a time part (midnight).
// Anything else raises EConvertError "''<text>'' is not a valid date and time".
QDateTime ParseTimestamp(const QString &text);

// Whether an action recorded at the stored timestamp lies less than 24 hours
// from now, in the past or in the future. An empty text is never recent.
// Raises EConvertError when a non-empty text is not a timestamp.
bool WithinOneDay(const QString &stored, const QDateTime &now);

// "yyyy-MM-dd HH:mm:ss", every field zero-padded, in the value's local time.
QString FormatTimestamp(const QDateTime &time);
// The current local time as a timestamp text.
QString NowTimestamp();

// The whole text as a signed 32-bit integer: an optional '+' or '-' followed by
// decimal digits, nothing else. Raises EConvertError
// "''<text>'' is not a valid integer value" otherwise or when out of range.
qint32 StrToInt(const QString &text);
