#include "common/mrv_fun.h"

#include "platform/Errors.h"

#include <QRegularExpression>

namespace {

// Lower-cases A to Z only; every other character is compared exactly.
QString lowerAsciiLetters(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return out;
}

// Matches a run holding '?' at pos; returns the end of the match or -1.
// '?' takes one character, a surrogate pair counting as one.
qsizetype matchRunAt(QStringView run, QStringView text, qsizetype pos)
{
    for (const QChar p : run) {
        if (pos >= text.size())
            return -1;
        if (p == u'?') {
            const bool pair = text.at(pos).isHighSurrogate() && pos + 1 < text.size()
                && text.at(pos + 1).isLowSurrogate();
            pos += pair ? 2 : 1;
        } else if (text.at(pos++) != p) {
            return -1;
        }
    }
    return pos;
}

// Finds the leftmost placement of run at or after from; returns its end or -1.
qsizetype findRun(QStringView run, QStringView text, qsizetype from)
{
    if (!run.contains(u'?')) {
        const qsizetype at = text.indexOf(run, from);
        return at < 0 ? -1 : at + run.size();
    }
    for (qsizetype pos = from; pos < text.size(); ++pos) {
        // Never start a match between the halves of a surrogate pair.
        if (pos > 0 && text.at(pos).isLowSurrogate() && text.at(pos - 1).isHighSurrogate())
            continue;
        const qsizetype end = matchRunAt(run, text, pos);
        if (end >= 0)
            return end;
    }
    return -1;
}

} // namespace

bool MatchPattern(const QString &pattern, const QString &text)
{
    // The pattern behaves as if wrapped in '*', so it is a chain of runs each
    // of which may start anywhere after the previous one. Placing every run
    // at its leftmost position is then always best, so no backtracking is
    // needed and the search stays polynomial however many '*' there are.
    const QString p = lowerAsciiLetters(pattern);
    const QString t = lowerAsciiLetters(text);
    qsizetype pos = 0;
    for (const QStringView run : QStringView(p).split(u'*', Qt::SkipEmptyParts)) {
        pos = findRun(run, t, pos);
        if (pos < 0)
            return false;
    }
    return true;
}

QStringList SplitText(const QString &text, const QString &delimiter)
{
    if (text.isEmpty())
        return {};
    // An empty delimiter occurs nowhere worth cutting at: the whole text is
    // one piece (cutting at every position would loop forever).
    if (delimiter.isEmpty())
        return {text};
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype at; (at = text.indexOf(delimiter, start)) >= 0; start = at + delimiter.size())
        pieces << text.mid(start, at - start);
    pieces << text.mid(start);
    return pieces;
}

namespace {

// The wall-clock fields of a timestamp text, without any time zone applied.
struct WallClock {
    QDate date;
    QTime time;
};

WallClock readWallClock(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        "^ *([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})"
        "(?: +([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2})(?:\\.([0-9]{1,3}))?)?)? *$"));
    const QRegularExpressionMatch m = form.match(text);
    if (m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        // Missing fields read as 0; the fraction ".5" is 500 milliseconds.
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                         m.captured(7).leftJustified(3, u'0').toInt());
        if (date.isValid() && time.isValid())
            return {date, time};
    }
    throw EConvertError(QStringLiteral("''%1'' is not a valid date and time").arg(text));
}

} // namespace

QDateTime ParseTimestamp(const QString &text)
{
    const WallClock clock = readWallClock(text);
    return QDateTime(clock.date, clock.time);
}

bool WithinOneDay(const QString &stored, const QDateTime &now)
{
    if (stored.isEmpty())
        return false;
    // Stored times are local wall-clock texts, so both sides are compared as
    // wall clocks: calendar days plus time of day, with no time zone in
    // between. A daylight-saving change then neither widens nor narrows the
    // 24 hours, and a stored time inside a skipped hour is taken as written.
    const WallClock then = readWallClock(stored);
    const QDateTime localNow = now.toLocalTime();
    const qint64 dayMs = 24LL * 60 * 60 * 1000;
    const qint64 apart = then.date.daysTo(localNow.date()) * dayMs
        + then.time.msecsTo(localNow.time());
    // Whole days of the absolute difference, truncated, must be 0.
    return apart > -dayMs && apart < dayMs;
}

QString FormatTimestamp(const QDateTime &moment)
{
    return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString NowTimestamp()
{
    return FormatTimestamp(QDateTime::currentDateTime());
}

qint32 StrToInt(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[+-]?[0-9]+$"));
    if (form.match(text).hasMatch()) {
        bool ok = false;
        const qint32 value = text.toInt(&ok, 10);
        if (ok)
            return value;
    }
    throw EConvertError(QStringLiteral("''%1'' is not a valid integer value").arg(text));
}
