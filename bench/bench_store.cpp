// Times the fills of the address list on large stores: through the store code
// the list uses (LinkPager::BindList), against the same statements run directly
// on the SQLite C API, and the widget part of a fill (25 rows added and drawn).
// Every fill opens its own connection, as every user action does. At 10^6
// addresses it also times a search fill, the CSV export and the statistics.
#include "app/ui/LinkRowDelegate.h"
#include "platform/Codepage.h"
#include "report/IndexStats.h"
#include "report/LinkExport.h"
#include "store/ExtendedTables.h"
#include "store/LinkList.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int Sites = 100;
constexpr int PageSize = LinkPager::PageSize;

void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void buildStore(const QString &file, int rows)
{
    QFile schemaFile(QStringLiteral(WEXLY_SCHEMA_PATH));
    schemaFile.open(QIODevice::ReadOnly);
    const QByteArray schema = schemaFile.readAll();
    sqlite3 *db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    check(sqlite3_exec(db, schema.constData(), nullptr, nullptr, nullptr), db, "schema");
    // The program's own files come from the same schema; confirm its page size took.
    sqlite3_stmt *size = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &size, nullptr);
    sqlite3_step(size);
    std::fprintf(stderr, "page size %d\n", sqlite3_column_int(size, 0));
    sqlite3_finalize(size);
    // Rows first, then the indexes: far faster than keeping them up to date.
    check(sqlite3_exec(db, "DROP INDEX idx_rssurl_url; DROP INDEX idx_rssurl_rssid_dataid;", nullptr, nullptr, nullptr), db, "drop");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *site = nullptr;
    sqlite3_prepare_v2(db, "insert into mrv_orvik_rss(rssurl,sitename,lastgettime,siteurl) values (?,?,'2026-12-01 10:00:00',?)", -1, &site, nullptr);
    for (int s = 1; s <= Sites; ++s) {
        const QByteArray url = QStringLiteral("http://site%1.example/rss.xml").arg(s).toUtf8();
        // Texts in the legacy code page, as the program stores them.
        const QByteArray name = Codepage::toLegacy(QStringLiteral("站点%1").arg(s));
        sqlite3_bind_text(site, 1, url.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(site, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(site, 3, url.constData(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(site), db, "site");
        sqlite3_reset(site);
    }
    sqlite3_finalize(site);
    sqlite3_stmt *link = nullptr;
    sqlite3_prepare_v2(db, "insert into mrv_orvik_rssurl(title,url,rssid,isinbaidu,checktime,firsttime,lasttime) values (?,?,?,?,?,?,?)", -1, &link, nullptr);
    for (int i = 1; i <= rows; ++i) {
        const int rssid = (i * 7919) % Sites + 1;
        // One title in a hundred carries the word the search benchmark looks for.
        const QString word = i % 100 == 0 ? QStringLiteral(" 精选") : QString();
        const QByteArray title = Codepage::toLegacy(QStringLiteral("第%1篇文章的标题 Article title number %1%2").arg(i).arg(word));
        const QByteArray url = QStringLiteral("http://site%1.example/archives/%2.html").arg(rssid).arg(i).toUtf8();
        sqlite3_bind_text(link, 1, title.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(link, 2, url.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(link, 3, rssid);
        if (i % 3 == 0) {
            sqlite3_bind_int(link, 4, 1);
            sqlite3_bind_text(link, 5, "2026-12-01 10:00:00", -1, SQLITE_STATIC);
        } else {
            sqlite3_bind_null(link, 4);
            sqlite3_bind_null(link, 5);
        }
        sqlite3_bind_text(link, 6, "2026-11-30 09:00:00", -1, SQLITE_STATIC);
        sqlite3_bind_text(link, 7, "2026-12-01 09:30:00", -1, SQLITE_STATIC);
        check(sqlite3_step(link), db, "link");
        sqlite3_reset(link);
    }
    sqlite3_finalize(link);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    check(sqlite3_exec(db, schema.constData(), nullptr, nullptr, nullptr), db, "indexes");
    sqlite3_close(db);

    // Pushes for one address in ten, and a first-seen time for every indexed one.
    TSQLiteDatabase store(file);
    ExtendedTables::ensure(store);
    store.ExecSQL(QStringLiteral("insert into mrv_orvik_push select dataid,'baidu','2026-11-29 10:00:00','ok'"
                                 " from mrv_orvik_rssurl where dataid%10=0"));
    store.ExecSQL(QStringLiteral("insert into mrv_orvik_indexed select dataid,'2026-12-02 10:00:00'"
                                 " from mrv_orvik_rssurl where isinbaidu=1"));
}

class NullView : public LinkListView {
public:
    void clearRows() override {}
    void addRow(const LinkRow &) override { ++rows; }
    void showPosition(qint64, qint64, qint64) override {}
    int rows = 0;
};

// The statements of one fill, as BindList runs them after its rewrite.
struct Fill {
    const char *name;
    QString page;
    QString count;
    qint64 pindex;
};

int directFill(const Fill &fill, bool storeSettings)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2("database.db", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (storeSettings)
        sqlite3_exec(db, "PRAGMA temp_store=MEMORY;", nullptr, nullptr, nullptr);
    sqlite3_stmt *stmt = nullptr;
    const QByteArray count = fill.count.toUtf8();
    sqlite3_prepare_v2(db, count.constData(), -1, &stmt, nullptr);
    sqlite3_step(stmt);
    const qint64 total = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    QString page = fill.page;
    if (fill.pindex == -1) {
        const qint64 pages = (total + PageSize - 1) / PageSize;
        page.replace(page.indexOf(QLatin1String("-1")), 2,
                     QStringLiteral("%1,%2").arg((pages - 1) * PageSize).arg(PageSize));
    }
    const QByteArray pageSql = page.toUtf8();
    sqlite3_prepare_v2(db, pageSql.constData(), -1, &stmt, nullptr);
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            sqlite3_column_text(stmt, c);
        ++rows;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// Processor time of the process, in ms: the machine may be shared, and this
// figure does not grow with the other programs' load.
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double medianMs(int repetitions, const std::function<void()> &action)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer t;
        t.start();
        action();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A memory figure of the process (VmHWM: peak, VmRSS: now), in MiB.
double residentMb(const char *key = "VmHWM:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// A CSV field as the export writes it.
void appendCsv(QByteArray &out, const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') || bytes.contains('\n')) {
        QByteArray quoted = bytes;
        out += '"' + quoted.replace("\"", "\"\"") + '"';
    } else {
        out += bytes;
    }
}

// The floor of the export: the same statement on the C API and the same bytes
// through stdio. Returns seconds.
double exportFloor(const QString &path)
{
    QElapsedTimer t;
    t.start();
    sqlite3 *db = nullptr;
    sqlite3_open("database.db", &db);
    sqlite3_stmt *stmt = nullptr;
    check(sqlite3_prepare_v2(db,
                             "select a.dataid,a.title,a.url,b.sitename,a.isinbaidu,a.checktime,a.firsttime,a.lasttime,"
                             "(select min(p.pushtime) from mrv_orvik_push p where p.dataid=a.dataid and p.result='ok')"
                             " as pushtime from mrv_orvik_rssurl a left join mrv_orvik_rss b on b.rssid=a.rssid"
                             " order by a.dataid desc",
                             -1, &stmt, nullptr),
          db, "export statement");
    FILE *file = std::fopen(path.toLocal8Bit().constData(), "wb");
    QByteArray out = "\xEF\xBB\xBF";
    out += QStringLiteral("编号,标题,地址,站点,收录,检测收录时间,首次PING时间,最后PING时间,推送时间\r\n").toUtf8();
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < 9; ++i) {
            if (i > 0)
                out += ',';
            const int type = sqlite3_column_type(stmt, i);
            if (type == SQLITE_NULL)
                continue;
            if (i == 4) {
                out += sqlite3_column_int64(stmt, i) == 1 ? QByteArray("是") : QByteArray("否");
                continue;
            }
            const char *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, i));
            appendCsv(out, Codepage::fromLegacy(QByteArrayView(bytes, sqlite3_column_bytes(stmt, i))));
        }
        out += "\r\n";
        if (out.size() > 256 * 1024) {
            std::fwrite(out.constData(), 1, size_t(out.size()), file);
            out.clear();
        }
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), file);
    std::fclose(file);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return double(t.nsecsElapsed()) / 1e9;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

double widgetFillMs()
{
    QTreeWidget list;
    list.setColumnCount(8);
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    list.setItemDelegate(new LinkRowDelegate(&list));
    list.header()->setSectionResizeMode(1, QHeaderView::Stretch);
    list.resize(1000, 560);
    list.show();
    QImage target(list.size(), QImage::Format_RGB32);
    return medianMs(50, [&] {
        list.clear();
        for (int i = 0; i < PageSize; ++i)
            new QTreeWidgetItem(&list, {QString::number(1000000 - i), QStringLiteral("第%1篇文章的标题").arg(i),
                                        QStringLiteral("http://site1.example/archives/%1.html").arg(i),
                                        QStringLiteral("1"), i % 3 ? QStringLiteral("×") : QStringLiteral("√"),
                                        QStringLiteral("2026-12-01 10:00:00"), QStringLiteral("2026-11-30 09:00:00"),
                                        QStringLiteral("2026-12-01 09:30:00")});
        list.render(&target);
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double worstRatio = 0, firstPage1e6 = 0, lastPage1e6 = 0;
    double search1e6 = -1, export1e6 = -1, stats1e6 = -1, exportPeakMb = -1, exportFloor1e6 = -1;
    bool exportSame = false;
    double searchCpu = -1, statsTableCpu = -1, statsChartCpu = -1;

    std::printf("%-10s %-16s %10s %10s %10s %8s\n", "rows", "fill", "ours_ms", "direct_ms",
                "plain_ms", "ratio");
    // An optional argument caps the store sizes, for a quick look.
    const int largest = argc > 1 ? std::atoi(argv[1]) : 1000000;
    for (int rows : {10000, 100000, 1000000}) {
        if (rows > largest)
            break;
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        QElapsedTimer built;
        built.start();
        buildStore(QStringLiteral("database.db"), rows);
        std::fprintf(stderr, "built %d rows in %.1f s\n", rows, double(built.elapsed()) / 1000);

        const qint64 pages = (rows + PageSize - 1) / PageSize;
        const qint64 site = 37;
        const qint64 sitePages = (rows / Sites + PageSize - 1) / PageSize;
        using namespace LinkStatements;
        const std::vector<Fill> fills = {
            {"first", page(0, 1, PageSize), count(0), 1},
            {"middle", page(0, pages / 2, PageSize), count(0), pages / 2},
            {"last", lastPage(0), count(0), -1},
            {"site_first", page(site, 1, PageSize), count(site), 1},
            {"site_middle", page(site, sitePages / 2, PageSize), count(site), sitePages / 2},
            {"site_last", lastPage(site), count(site), -1},
        };
        const int repetitions = rows >= 1000000 ? 9 : rows >= 100000 ? 31 : 101;
        for (const Fill &fill : fills) {
            LinkPager pager;
            NullView view;
            const double ours = medianMs(repetitions, [&] {
                pager.BindList(fill.page, fill.count, fill.pindex, view);
            });
            const double direct = medianMs(repetitions, [&] { directFill(fill, true); });
            const double plain = medianMs(repetitions, [&] { directFill(fill, false); });
            const double ratio = ours / direct;
            worstRatio = std::max(worstRatio, ratio);
            if (std::strcmp(fill.name, "first") == 0)
                firstPage1e6 = ours;
            if (std::strcmp(fill.name, "last") == 0)
                lastPage1e6 = ours;
            std::printf("%-10d %-16s %10.3f %10.3f %10.3f %8.2f\n", rows, fill.name, ours, direct,
                        plain, ratio);
        }
        // The figures below are named for 10^6; a capped run takes its largest store.
        if (rows == std::min(largest, 1000000)) {
            // The search's word is in 1 % of the titles; its first page and count.
            LinkPager pager;
            NullView view;
            const QString word = QStringLiteral("精选");
            search1e6 = medianMs(5, [&] {
                pager.BindList(page(0, 1, PageSize, word), count(0, true, word), 1, view);
            });
            std::fprintf(stderr, "search found %lld\n", static_cast<long long>(pager.TotalCount));
            double cpu = cpuMs();
            pager.BindList(page(0, 1, PageSize, word), count(0, true, word), 1, view);
            searchCpu = cpuMs() - cpu;
            // The window's refresh: the table, and the chart of all sites.
            stats1e6 = medianMs(3, [&] {
                IndexStats::compute();
                IndexStats::weekly(0, QDate(2026, 12, 9));
            });
            cpu = cpuMs();
            IndexStats::compute();
            statsTableCpu = cpuMs() - cpu;
            cpu = cpuMs();
            IndexStats::weekly(0, QDate(2026, 12, 9));
            statsChartCpu = cpuMs() - cpu;
            // The export's own memory: the kernel's high-water mark, reset first,
            // above what the process held before.
            QFile clear(QStringLiteral("/proc/self/clear_refs"));
            if (clear.open(QIODevice::WriteOnly))
                clear.write("5");
            clear.close();
            const double before = residentMb("VmRSS:");
            QElapsedTimer t;
            t.start();
            LinkExport::exportCsv(0, {}, dir.filePath(QStringLiteral("export.csv")));
            export1e6 = double(t.elapsed()) / 1000;
            exportPeakMb = residentMb() - before;
            // The floor, then the product again, and the medians of each.
            std::vector<double> ours{export1e6};
            std::vector<double> floor;
            for (int run = 0; run < 2; ++run) {
                floor.push_back(exportFloor(dir.filePath(QStringLiteral("floor.csv"))));
                t.restart();
                LinkExport::exportCsv(0, {}, dir.filePath(QStringLiteral("export.csv")));
                ours.push_back(double(t.elapsed()) / 1000);
            }
            floor.push_back(exportFloor(dir.filePath(QStringLiteral("floor.csv"))));
            std::sort(ours.begin(), ours.end());
            std::sort(floor.begin(), floor.end());
            export1e6 = ours[1];
            exportFloor1e6 = floor[1];
            exportSame = fileBytes(dir.filePath(QStringLiteral("floor.csv")))
                == fileBytes(dir.filePath(QStringLiteral("export.csv")));
        }
        QDir::setCurrent(QDir::tempPath());
    }
    const double widget = widgetFillMs();
    std::printf("(direct: the same statements on the C API with the store's connection settings;\n"
                " plain: the C API with SQLite's default settings)\n");
    std::printf("first_page_fill_ms_1e6: %.3f\n", firstPage1e6);
    std::printf("last_page_fill_ms_1e6: %.3f\n", lastPage1e6);
    std::printf("widget_fill_ms: %.3f\n", widget);
    std::printf("ratio_ours_direct_max: %.3f\n", worstRatio);
    std::printf("search_fill_ms_1e6: %.3f\n", search1e6);
    std::printf("export_1e6_s: %.3f\n", export1e6);
    std::printf("export_floor_s: %.3f%s\n", exportFloor1e6, exportSame ? "" : " (bytes differ from the export's)");
    std::printf("export_floor_ratio: %.2f\n", export1e6 / exportFloor1e6);
    std::printf("stats_1e6_ms: %.3f\n", stats1e6);
    std::printf("export_rss_growth_mb: %.1f\n", exportPeakMb);
    std::printf("search_fill_cpu_ms_1e6: %.3f\n", searchCpu);
    std::printf("stats_table_cpu_ms_1e6: %.3f\n", statsTableCpu);
    std::printf("stats_chart_cpu_ms_1e6: %.3f\n", statsChartCpu);
    std::printf("peak_rss_mb: %.0f\n", residentMb());
    return 0;
}
