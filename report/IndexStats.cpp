#include "report/IndexStats.h"

#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <algorithm>
#include <map>
#include <vector>

namespace IndexStats {

namespace {

// Each address with an accepted push and the earliest such push. Grouped once
// and joined, so a statement never looks the pushes up once per use of it.
const char *const FirstPushes =
    "(select dataid,min(pushtime) as pm from mrv_orvik_push where result='ok' group by dataid)";

// min() of two timestamps of which either may be NULL.
QString earliest(const QString &a, const QString &b)
{
    return QStringLiteral("min(coalesce(%1,%2),coalesce(%2,%1))").arg(a, b);
}

std::optional<double> median(std::vector<double> &values)
{
    if (values.empty())
        return std::nullopt;
    const auto mid = std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    const double upper = values[size_t(mid)];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + mid);
    return (lower + upper) / 2;
}

// Counts per day (rows of a day text and a count) added into weeks from `first`.
class Weeks {
public:
    Weeks(const QDate &first, QList<int> &counts) : m_first(first), m_counts(counts) {}
    void add(const QString &timestamp, qint64 count)
    {
        const QDate day = QDate::fromString(timestamp.left(10), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            return;
        const qint64 days = m_first.daysTo(day);
        if (days >= 0 && days / 7 < m_counts.size())
            m_counts[int(days / 7)] += int(count);
    }

private:
    QDate m_first;
    QList<int> &m_counts;
};

} // namespace

Table compute(TSQLiteDatabase &db)
{
    ExtendedTables::ensure(db);
    Table table;
    std::map<qint64, qsizetype> rowOf;
    {
        TSQLiteTable sites = db.GetTable(QStringLiteral("select rssid,sitename from mrv_orvik_rss order by rssid"));
        for (; !sites.Eof(); sites.Next()) {
            Figures f;
            f.rssid = sites.FieldAsInteger(0);
            f.name = sites.FieldAsString(1);
            rowOf[f.rssid] = table.sites.size();
            table.sites << f;
        }
    }
    auto site = [&](qint64 rssid) -> Figures * {
        const auto found = rowOf.find(rssid);
        return found == rowOf.end() ? nullptr : &table.sites[found->second];
    };
    {
        // Read from the covering index idx_rssurl_stats (store/ExtendedTables).
        TSQLiteTable counts = db.GetTable(QStringLiteral(
            "select rssid,count(*),count(firsttime),count(isinbaidu),"
            "sum(case when isinbaidu=1 then 1 else 0 end) from mrv_orvik_rssurl group by rssid"));
        for (; !counts.Eof(); counts.Next()) {
            if (Figures *f = site(counts.FieldAsInteger(0))) {
                f->addresses = counts.FieldAsInteger(1);
                f->pinged = counts.FieldAsInteger(2);
                f->checked = counts.FieldAsInteger(3);
                f->indexed = counts.FieldAsInteger(4);
            }
        }
    }
    {
        // Driven by the pushes, which are usually far fewer than the addresses.
        TSQLiteTable pushed = db.GetTable(QStringLiteral(
            "select rssid,count(*) from mrv_orvik_rssurl where dataid in"
            " (select dataid from mrv_orvik_push where result='ok') group by rssid"));
        for (; !pushed.Eof(); pushed.Next()) {
            if (Figures *f = site(pushed.FieldAsInteger(0)))
                f->pushed = pushed.FieldAsInteger(1);
        }
    }
    std::map<qint64, std::vector<double>> days;
    std::vector<double> allDays;
    {
        // Driven by the indexed addresses, usually a fraction of all of them.
        TSQLiteTable spans = db.GetTable(
            // Whole seconds: an integer cell is read without formatting a number as text.
            QStringLiteral("select a.rssid,cast(round((julianday(i.firstseen)-julianday(")
            + earliest(QStringLiteral("a.firsttime"), QStringLiteral("p.pm"))
            + QStringLiteral("))*86400) as integer) from mrv_orvik_indexed i cross join mrv_orvik_rssurl a on a.dataid=i.dataid left join ")
            + QLatin1String(FirstPushes) + QStringLiteral(" p on p.dataid=i.dataid"));
        for (; !spans.Eof(); spans.Next()) {
            if (spans.FieldIsNull(1) || !site(spans.FieldAsInteger(0)))
                continue; // never announced, or a time that is no timestamp
            // Found indexed before it was announced: no wait at all.
            const double span = std::max(0.0, double(spans.FieldAsInteger(1)) / 86400);
            days[spans.FieldAsInteger(0)].push_back(span);
            allDays.push_back(span);
        }
    }
    Figures &total = table.total;
    total.name = QStringLiteral("合计");
    for (Figures &f : table.sites) {
        f.medianDays = median(days[f.rssid]);
        total.addresses += f.addresses;
        total.pinged += f.pinged;
        total.pushed += f.pushed;
        total.checked += f.checked;
        total.indexed += f.indexed;
    }
    total.medianDays = median(allDays);
    return table;
}

Table compute()
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    return compute(db);
}

QStringList header()
{
    return {QStringLiteral("站点"), QStringLiteral("地址数"), QStringLiteral("已Ping"),
            QStringLiteral("已推送"), QStringLiteral("已检测"), QStringLiteral("已收录"),
            QStringLiteral("收录率"), QStringLiteral("平均收录天数")};
}

QString rateText(qint64 indexed, qint64 checked)
{
    if (checked <= 0)
        return QStringLiteral("-");
    return QString::number(100.0 * double(indexed) / double(checked), 'f', 1) + QLatin1Char('%');
}

QString medianText(const std::optional<double> &days)
{
    return days ? QString::number(*days, 'f', 1) : QStringLiteral("-");
}

QStringList rowTexts(const Figures &f)
{
    return {f.name,
            QString::number(f.addresses),
            QString::number(f.pinged),
            QString::number(f.pushed),
            QString::number(f.checked),
            QString::number(f.indexed),
            rateText(f.indexed, f.checked),
            medianText(f.medianDays)};
}

QList<QStringList> tableRows(const Table &table)
{
    QList<QStringList> rows;
    for (const Figures &f : table.sites)
        rows << rowTexts(f);
    rows << rowTexts(table.total);
    return rows;
}

WeekSeries weekly(TSQLiteDatabase &db, qint64 rssid, const QDate &today, int weeks)
{
    ExtendedTables::ensure(db);
    WeekSeries series;
    const QDate first = today.addDays(1 - today.dayOfWeek()).addDays(-7 * qint64(weeks - 1));
    for (int w = 0; w < weeks; ++w) {
        series.weekStarts << first.addDays(7 * qint64(w));
        series.announced << 0;
        series.indexed << 0;
    }
    const QString start = first.toString(QStringLiteral("yyyy-MM-dd"));
    const QString end = first.addDays(7 * qint64(weeks)).toString(QStringLiteral("yyyy-MM-dd"));
    const QString ofSite = rssid != 0 ? QStringLiteral(" and a.rssid=") + QString::number(rssid) : QString();
    // All sites: the addresses of the listed sites, as the pings' counts below.
    const QString ofSites = rssid != 0 ? ofSite : QStringLiteral(" and a.rssid in (select rssid from mrv_orvik_rss)");

    // Announced: the first ping's week, except where a push came earlier (or
    // alone); those few are moved from the ping's week to the push's. Each
    // week's pings are counted by ranges of the index on (rssid, firsttime),
    // site after site (the cross join keeps the sites outside): no row is
    // read and nothing is sorted.
    Weeks announced(first, series.announced);
    const QString siteJoin = rssid != 0
        ? QStringLiteral("select count(*) from mrv_orvik_rssurl a where a.rssid=") + QString::number(rssid)
            + QStringLiteral(" and")
        : QStringLiteral("select count(*) from mrv_orvik_rss s cross join mrv_orvik_rssurl a on a.rssid=s.rssid where");
    for (int w = 0; w < weeks; ++w) {
        const QString from = series.weekStarts.at(w).toString(QStringLiteral("yyyy-MM-dd"));
        const QString to = series.weekStarts.at(w).addDays(7).toString(QStringLiteral("yyyy-MM-dd"));
        series.announced[w] += int(db.GetTable(siteJoin + QStringLiteral(" a.firsttime>='") + from
                                               + QStringLiteral("' and a.firsttime<'") + to + QLatin1Char('\''))
                                       .FieldAsInteger(0));
    }
    TSQLiteTable pushedFirst = db.GetTable(
        QStringLiteral("select substr(a.firsttime,1,10) as fd,substr(p.pm,1,10) as pd,count(*) from ")
        + QLatin1String(FirstPushes)
        + QStringLiteral(" p join mrv_orvik_rssurl a on a.dataid=p.dataid where (a.firsttime is null or p.pm<a.firsttime)")
        + ofSites + QStringLiteral(" group by fd,pd"));
    for (; !pushedFirst.Eof(); pushedFirst.Next()) {
        const qint64 count = pushedFirst.FieldAsInteger(2);
        if (!pushedFirst.FieldIsNull(0))
            announced.add(pushedFirst.FieldAsString(0), -count);
        announced.add(pushedFirst.FieldAsString(1), count);
    }

    Weeks indexed(first, series.indexed);
    TSQLiteTable seen = db.GetTable(
        QStringLiteral("select substr(i.firstseen,1,10) as d,count(*) from mrv_orvik_indexed i")
        + (rssid != 0 ? QStringLiteral(" join mrv_orvik_rssurl a on a.dataid=i.dataid") : QString())
        + QStringLiteral(" where i.firstseen>='") + start + QStringLiteral("' and i.firstseen<'") + end
        + QLatin1Char('\'') + ofSite + QStringLiteral(" group by d"));
    for (; !seen.Eof(); seen.Next())
        indexed.add(seen.FieldAsString(0), seen.FieldAsInteger(1));
    return series;
}

WeekSeries weekly(qint64 rssid, const QDate &today, int weeks)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    return weekly(db, rssid, today, weeks);
}

} // namespace IndexStats
