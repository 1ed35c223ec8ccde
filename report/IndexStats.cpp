#include "report/IndexStats.h"

#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <algorithm>
#include <map>
#include <vector>

namespace IndexStats {

namespace {

// The earliest accepted push of the address a.dataid.
const char *const FirstPush =
    "(select min(p.pushtime) from mrv_orvik_push p where p.dataid=a.dataid and p.result='ok')";

// min() of two timestamps of which either may be NULL.
QString earliest(const QString &a, const QString &b)
{
    return QStringLiteral("min(coalesce(%1,%2),coalesce(%2,%1))").arg(a, b);
}

std::optional<double> median(std::vector<double> &values)
{
    if (values.empty())
        return std::nullopt;
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + qsizetype(mid), values.end());
    const double upper = values[mid];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + qsizetype(mid));
    return (lower + upper) / 2;
}

// The week (0 .. weeks-1) a timestamp column falls in, counted from `start`.
QString weekOf(const QString &column, const QString &start)
{
    return QStringLiteral("cast((julianday(substr(%1,1,10))-julianday('%2'))/7 as integer)")
        .arg(column, start);
}

void addCounts(TSQLiteTable table, QList<int> &into)
{
    for (; !table.Eof(); table.Next()) {
        const qint64 week = table.FieldAsInteger(0);
        if (week >= 0 && week < into.size())
            into[int(week)] += int(table.FieldAsInteger(1));
    }
}

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
        TSQLiteTable spans = db.GetTable(
            QStringLiteral("select rssid,julianday(firstseen)-julianday(") + earliest(QStringLiteral("firsttime"), QStringLiteral("pushed"))
            + QStringLiteral(") from (select a.rssid as rssid,i.firstseen as firstseen,a.firsttime as firsttime,")
            + QLatin1String(FirstPush)
            + QStringLiteral(" as pushed from mrv_orvik_indexed i join mrv_orvik_rssurl a on a.dataid=i.dataid)"));
        for (; !spans.Eof(); spans.Next()) {
            if (spans.FieldIsNull(1) || !site(spans.FieldAsInteger(0)))
                continue; // never announced, or a time that is no timestamp
            // Found indexed before it was announced: no wait at all.
            const double span = std::max(0.0, spans.FieldAsString(1).toDouble());
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
    const QString inRange = QStringLiteral(" t>='%1' and t<'%2'").arg(start, end);
    const QString ofSite = rssid != 0 ? QStringLiteral(" and a.rssid=") + QString::number(rssid) : QString();

    // An address pinged before the first week was announced before it, so
    // only the others need their pushes looked up.
    addCounts(db.GetTable(
                  QStringLiteral("select ") + weekOf(QStringLiteral("t"), start)
                  + QStringLiteral(" as w,count(*) from (select ") + earliest(QStringLiteral("firsttime"), QStringLiteral("pushed"))
                  + QStringLiteral(" as t from (select a.firsttime as firsttime,") + QLatin1String(FirstPush)
                  + QStringLiteral(" as pushed from mrv_orvik_rssurl a where (a.firsttime is null or a.firsttime>='")
                  + start + QStringLiteral("')") + ofSite + QStringLiteral(")) where") + inRange
                  + QStringLiteral(" group by w")),
              series.announced);
    addCounts(db.GetTable(
                  QStringLiteral("select ") + weekOf(QStringLiteral("t"), start)
                  + QStringLiteral(" as w,count(*) from (select i.firstseen as t from mrv_orvik_indexed i")
                  + (rssid != 0 ? QStringLiteral(" join mrv_orvik_rssurl a on a.dataid=i.dataid where a.rssid=")
                                      + QString::number(rssid)
                                : QString())
                  + QStringLiteral(") where") + inRange + QStringLiteral(" group by w")),
              series.indexed);
    return series;
}

WeekSeries weekly(qint64 rssid, const QDate &today, int weeks)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    return weekly(db, rssid, today, weeks);
}

} // namespace IndexStats
