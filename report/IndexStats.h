#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TSQLiteDatabase;

// How each site is doing: how many of its addresses were pinged, pushed,
// checked and found indexed, and how long indexing took after an address was
// first announced (the earlier of its first ping and its first accepted push).
namespace IndexStats {

struct Figures {
    qint64 rssid = 0; // 0 in the total row
    QString name;
    qint64 addresses = 0;
    qint64 pinged = 0;
    qint64 pushed = 0;
    qint64 checked = 0;
    qint64 indexed = 0;
    // Median days from first announcement to first seen indexed.
    std::optional<double> medianDays;
};

struct Table {
    QList<Figures> sites; // in the order of the site numbers
    Figures total;        // named "合计"
};

Table compute(TSQLiteDatabase &db);
// The same from database.db in the working directory.
Table compute();

// The window's and the command line's table: the header, then a row of texts
// per site and the total row last.
QStringList header();
QStringList rowTexts(const Figures &figures);
QList<QStringList> tableRows(const Table &table);

// indexed ÷ checked with one decimal and "%"; "-" when nothing was checked.
QString rateText(qint64 indexed, qint64 checked);
QString medianText(const std::optional<double> &days);

// Per week, the addresses announced for the first time and those first seen
// indexed. Weeks run Monday to Sunday; the last one holds `today`.
struct WeekSeries {
    QList<QDate> weekStarts;
    QList<int> announced;
    QList<int> indexed;
};
inline constexpr int ChartWeeks = 26;
// rssid 0: every site.
WeekSeries weekly(TSQLiteDatabase &db, qint64 rssid, const QDate &today, int weeks = ChartWeeks);
WeekSeries weekly(qint64 rssid, const QDate &today, int weeks = ChartWeeks);

} // namespace IndexStats
