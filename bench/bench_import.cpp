// Import of a 1,000-item feed through ImportRss, with the real rss.xml and
// database.db, into stores holding 10^3, 10^5 and 10^6 addresses; then the
// same feed again, when every item is a duplicate. Prints medians. Then, once
// each: a 1,000-entry Atom feed and a 50,000-address sitemap into a store of
// 10^5, and a sitemap index of 20 gzip parts of 50,000 addresses each, served
// by a local server, into an empty store. The sitemap import is timed against
// its floor (sitemap_floor_ms). "memory sitemap|gzip" measures one import's
// peak memory instead.
//   bench_import [runs] [directory]   (default 5 runs in the system temp dir)
//   bench_import sitemap              (the sitemap and index figures only)
//   bench_import memory sitemap|gzip
#include "feed/FeedDocument.h"
#include "platform/Codepage.h"
#include "support/GzipData.h"
#include "feed/FeedImport.h"
#include "feed/FeedView.h"
#include "support/FakeDialogs.h"
#include "platform/WebClient.h"
#include "support/TestDatabase.h"
#include "support/TestHttpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QDateTime>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <sqlite3.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class QuietView : public FeedImportView {
public:
    void setMessagePanel(const QString &) override {}
    void setListCaption(const QString &) override {}
    void showFirstPage() override {}
};

const int FeedItems = 1000;

QByteArray makeFeed(int items)
{
    QByteArray feed = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\"><channel>\n"
                      "<title>Bench site</title><link>http://bench.example/</link>\n";
    for (int i = 0; i < items; ++i) {
        feed += "<item><title>Article " + QByteArray::number(i) + " &amp; more&nbsp;</title><link>http://bench.example/"
            + QByteArray::number(i) + ".html</link><description><![CDATA[<p>text</p>]]></description></item>\n";
    }
    return feed + "</channel></rss>\n";
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool exec(const QString &db, const QByteArray &sql)
{
    if (TestDatabase::execRaw(db, sql))
        return true;
    std::fprintf(stderr, "statement failed\n");
    return false;
}

struct Figures {
    double importMs;
    double reimportMs;
};

// A store with `stored` addresses of another site, then `runs` imports of the
// feed, each followed by a re-import; the imported rows go again after each run.
Figures measure(const QString &dir, qint64 stored, int runs)
{
    const QString db = dir + QStringLiteral("/database.db");
    QFile::remove(db);
    if (!TestDatabase::createFromSchema(db, QStringLiteral(WEXLY_SCHEMA_PATH)))
        return {-1, -1};
    exec(db, "insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://old.example/rss.xml','old','http://old.example/');"
             "insert into mrv_orvik_rssurl(title,url,rssid) with recursive c(x) as (select 1 union all select x+1 from c where x<"
             + QByteArray::number(stored) + ") select 'Stored '||x, 'http://old.example/article/'||x||'.html', 1 from c;");

    FakeDialogs dialogs;
    QuietView view;
    FeedImport import(view, dialogs, dir + QLatin1Char('/'), QStringLiteral("http://www.orvik.example/"), db);
    std::vector<double> first;
    std::vector<double> again;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        import.ImportRss(QStringLiteral("http://bench.example/rss.xml"));
        first.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        import.ImportRss(QStringLiteral("http://bench.example/rss.xml"));
        again.push_back(timer.nsecsElapsed() / 1e6);
        exec(db, "delete from mrv_orvik_rssurl where rssid<>1; delete from mrv_orvik_rss where rssid<>1;");
    }
    if (!dialogs.boxes.isEmpty())
        std::fprintf(stderr, "the import showed: %s\n", qPrintable(dialogs.boxes.first().text));
    return {median(first), median(again)};
}

// What one commit per statement costs here: 100 inserts on their own, and
// 1,000 inside one transaction, on the same kind of file.
void commitCost(const QString &dir)
{
    const QString db = dir + QStringLiteral("/commits.db");
    QFile::remove(db);
    TestDatabase::createFromSchema(db, QStringLiteral(WEXLY_SCHEMA_PATH));
    const auto inserts = [](int count) {
        QByteArray sql;
        for (int i = 0; i < count; ++i)
            sql += "insert into mrv_orvik_rssurl(title,url,rssid) values ('t','http://c/" + QByteArray::number(i) + "',1);";
        return sql;
    };
    QElapsedTimer timer;
    timer.start();
    exec(db, inserts(100));
    const double own = timer.nsecsElapsed() / 1e6;
    exec(db, "delete from mrv_orvik_rssurl;");
    timer.restart();
    exec(db, "begin;" + inserts(FeedItems) + "commit;");
    const double joint = timer.nsecsElapsed() / 1e6;
    std::printf("commit_per_insert_ms: %.2f (100 inserts, one commit each: %.1f ms)\n", own / 100, own);
    std::printf("1000 inserts in one transaction: %.1f ms\n", joint);
    QFile::remove(db);
}

QByteArray makeSitemap(const QByteArray &host, int first, int count)
{
    QByteArray map = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (int i = first; i < first + count; ++i) {
        map += "<url><loc>http://" + host + "/article/" + QByteArray::number(i)
            + ".html</loc><lastmod>2024-05-01</lastmod><changefreq>weekly</changefreq></url>\n";
    }
    return map + "</urlset>\n";
}

QByteArray makeAtom(int entries)
{
    QByteArray atom = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\" "
                      "xml:base=\"http://atom.example/\"><title>Atom bench</title><link href=\"/\"/>\n";
    for (int i = 0; i < entries; ++i) {
        atom += "<entry><title type=\"html\">Entry " + QByteArray::number(i)
            + " &amp;amp; more</title><link rel=\"self\" href=\"e/" + QByteArray::number(i)
            + ".xml\"/><link href=\"posts/" + QByteArray::number(i)
            + ".html\"/><summary>text</summary></entry>\n";
    }
    return atom + "</feed>\n";
}


double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Records when each part of an index begins.
class PartClock : public FeedImportView {
public:
    QElapsedTimer clock;
    std::vector<double> partStarts; // ms
    QString lastText;
    void setMessagePanel(const QString &text) override
    {
        if (text.startsWith(QStringLiteral("读取站点地图:")))
            partStarts.push_back(clock.nsecsElapsed() / 1e6);
        lastText = text;
    }
    void setListCaption(const QString &) override {}
    void showFirstPage() override {}
};

// A store of `stored` addresses of another site, and `document` as rss.xml.
QString prepareStore(const QString &dir, const QString &name, qint64 stored, const QByteArray &document)
{
    const QString db = dir + QLatin1Char('/') + name;
    QFile::remove(db);
    TestDatabase::createFromSchema(db, QStringLiteral(WEXLY_SCHEMA_PATH));
    exec(db, "insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://old.example/rss.xml','old','http://old.example/');"
             "insert into mrv_orvik_rssurl(title,url,rssid) with recursive c(x) as (select 1 union all select x+1 from c where x<"
             + QByteArray::number(stored) + ") select 'Stored '||x, 'http://old.example/article/'||x||'.html', 1 from c;");
    QFile file(dir + QStringLiteral("/rss.xml"));
    file.open(QIODevice::WriteOnly);
    file.write(document);
    file.close();
    return db;
}

// One import of `document` as rss.xml into a store of `stored` addresses.
double importOnce(const QString &dir, qint64 stored, const QByteArray &document, const QString &address)
{
    const QString db = prepareStore(dir, QStringLiteral("database.db"), stored, document);
    FakeDialogs dialogs;
    QuietView view;
    FeedImport import(view, dialogs, dir + QLatin1Char('/'), QStringLiteral("http://www.orvik.example/"), db);
    QElapsedTimer timer;
    timer.start();
    import.ImportRss(address);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!dialogs.boxes.isEmpty())
        std::fprintf(stderr, "the import showed: %s\n", qPrintable(dialogs.boxes.first().text));
    return ms;
}

// The floor of a sitemap import: the same rows from the same rss.xml, read
// with QXmlStreamReader and stored through the C API with one compiled lookup
// and one compiled insert, in one transaction.
double sitemapFloorOnce(const QString &dir, qint64 stored, const QByteArray &document, const QString &address)
{
    const QString path = prepareStore(dir, QStringLiteral("floor.db"), stored, document);
    QElapsedTimer timer;
    timer.start();
    QFile file(dir + QStringLiteral("/rss.xml"));
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "Begin Immediate", nullptr, nullptr, nullptr);
    const QUrl typed(address);
    const QByteArray host = typed.host().toUtf8();
    const QByteArray now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    sqlite3_stmt *site = nullptr;
    sqlite3_prepare_v2(db, "Insert Into mrv_orvik_rss(rssurl,sitename,lastgettime,siteurl) values (?1,?2,?3,?4)", -1,
                       &site, nullptr);
    const QByteArray rssurl = address.toUtf8();
    const QByteArray root = "http://" + host + "/";
    sqlite3_bind_text(site, 1, rssurl.constData(), int(rssurl.size()), SQLITE_STATIC);
    sqlite3_bind_text(site, 2, host.constData(), int(host.size()), SQLITE_STATIC);
    sqlite3_bind_text(site, 3, now.constData(), int(now.size()), SQLITE_STATIC);
    sqlite3_bind_text(site, 4, root.constData(), int(root.size()), SQLITE_STATIC);
    sqlite3_step(site);
    sqlite3_finalize(site);
    const sqlite3_int64 rssid = sqlite3_last_insert_rowid(db);

    sqlite3_stmt *lookup = nullptr;
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "Select url from mrv_orvik_rssurl where url=?1", -1, &lookup, nullptr);
    sqlite3_prepare_v2(db, "Insert Into mrv_orvik_rssurl(title,url,rssid) values (?1,?2,?3)", -1, &insert, nullptr);
    const QByteArray title = Codepage::toLegacy(QStringLiteral("没有标题"));
    sqlite3_bind_text(insert, 1, title.constData(), int(title.size()), SQLITE_STATIC);
    sqlite3_bind_int64(insert, 3, rssid);
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("loc"))
            continue;
        const QByteArray url = xml.readElementText().trimmed().toUtf8();
        sqlite3_bind_text(lookup, 1, url.constData(), int(url.size()), SQLITE_STATIC);
        const bool found = sqlite3_step(lookup) == SQLITE_ROW;
        sqlite3_reset(lookup);
        if (found)
            continue;
        sqlite3_bind_text(insert, 2, url.constData(), int(url.size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(lookup);
    sqlite3_finalize(insert);
    sqlite3_exec(db, "Commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e6;
}

// What both stores hold, for checking that the floor wrote the product's rows.
QByteArray rowDigest(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "select count(*)||':'||sum(dataid*length(url))||':'||sum(length(title))||':'||"
                           "sum(rssid) from mrv_orvik_rssurl", -1, &stmt, nullptr);
    QByteArray digest;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        digest = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return digest;
}

void sitemapFigures(const QString &dir, int runs)
{
    const double atom = importOnce(dir, 100000, makeAtom(1000), QStringLiteral("http://atom.example/atom.xml"));
    std::printf("atom_1000_ms: %.1f\n", atom);
    std::fflush(stdout);
    // Product and floor in turn, so that both see the machine alike.
    const QByteArray sitemap = makeSitemap("map.example", 0, 50000);
    const QString sitemapAddress = QStringLiteral("http://map.example/sitemap.xml");
    std::vector<double> product;
    std::vector<double> floor;
    for (int run = 0; run < std::min(runs, 3); ++run) {
        product.push_back(importOnce(dir, 100000, sitemap, sitemapAddress));
        floor.push_back(sitemapFloorOnce(dir, 100000, sitemap, sitemapAddress));
    }
    const double map = median(product);
    const double mapFloor = median(floor);
    const bool same = rowDigest(dir + QStringLiteral("/database.db")) == rowDigest(dir + QStringLiteral("/floor.db"));
    std::printf("sitemap_50000_ms: %.1f\n", map);
    std::printf("sitemap_floor_ms: %.1f%s\n", mapFloor, same ? "" : " (rows differ from the product's)");
    std::printf("sitemap_floor_ratio: %.2f\n", map / mapFloor);
    std::fflush(stdout);

    const int parts = 20;
    const int perPart = 50000;
    QList<QByteArray> bodies;
    qint64 packed = 0;
    for (int i = 0; i < parts; ++i) {
        bodies << gzipped(makeSitemap("index.example", i * perPart, perPart), Z_DEFAULT_COMPRESSION);
        packed += bodies.last().size();
    }
    TestHttpServer server([&bodies](const TestHttpServer::Request &request) {
        const int part = QByteArray(request.target).mid(6).split('.').first().toInt(); // "/part-N.xml.gz"
        return TestHttpServer::Response::ok(bodies.value(part), "application/x-gzip");
    });
    QByteArray index = "<?xml version=\"1.0\"?>\n<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (int i = 0; i < parts; ++i)
        index += "<sitemap><loc>" + server.url(QStringLiteral("/part-%1.xml.gz").arg(i)).toUtf8() + "</loc></sitemap>\n";
    index += "</sitemapindex>\n";

    const QString db = dir + QStringLiteral("/database.db");
    QFile::remove(db);
    TestDatabase::createFromSchema(db, QStringLiteral(WEXLY_SCHEMA_PATH));
    QFile file(dir + QStringLiteral("/rss.xml"));
    file.open(QIODevice::WriteOnly);
    file.write(index);
    file.close();
    FakeDialogs dialogs;
    PartClock view;
    FeedImport import(view, dialogs, dir + QLatin1Char('/'), QStringLiteral("http://www.orvik.example/"), db);
    import.setClient(std::make_shared<WebClient>());
    view.clock.start();
    import.ImportRss(QStringLiteral("http://index.example/sitemap_index.xml"));
    const double total = view.clock.nsecsElapsed() / 1e6;
    if (!dialogs.boxes.isEmpty())
        std::fprintf(stderr, "the import showed: %s (%s)\n", qPrintable(dialogs.boxes.first().text),
                     qPrintable(view.lastText));
    view.partStarts.push_back(total);
    std::printf("index: %d gzip parts of %d addresses, %lld bytes packed\n", parts, perPart, packed);
    for (size_t i = 0; i + 1 < view.partStarts.size(); ++i) {
        if (i < 2 || i + 3 > view.partStarts.size())
            std::printf("  part %zu: %.0f ms\n", i + 1, view.partStarts[i + 1] - view.partStarts[i]);
    }
    std::printf("sitemap_index_1e6_s: %.1f\n", total / 1000);
    std::printf("peak_rss_mb: %.0f\n", peakMegabytes());
}

// The import's own peak: the high-water mark is reset once the document is on
// disk, so building it does not count. "sitemap": 10^5 addresses (11 MB);
// "gzip": a compressed sitemap that unpacks to just under 64 MiB.
int memoryFigure(const QString &kind)
{
    QTemporaryDir temp;
    const QString dir = temp.path();
    {
        const bool packed = kind == QLatin1String("gzip");
        QByteArray map = makeSitemap("mem.example", 0, packed ? 520000 : 100000);
        prepareStore(dir, QStringLiteral("database.db"), 0, packed ? gzipped(map, Z_DEFAULT_COMPRESSION) : map);
        std::printf("document: %lld bytes unpacked\n", static_cast<long long>(map.size()));
    }
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    FakeDialogs dialogs;
    QuietView view;
    FeedImport import(view, dialogs, dir + QLatin1Char('/'), QStringLiteral("http://www.orvik.example/"),
                      dir + QStringLiteral("/database.db"));
    QElapsedTimer timer;
    timer.start();
    import.ImportRss(QStringLiteral("http://mem.example/sitemap.xml"));
    std::printf("import_ms: %.0f%s\n", timer.nsecsElapsed() / 1e6, dialogs.boxes.isEmpty() ? "" : " (failed)");
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            std::printf("peak_rss_mb: %.0f\n", line.mid(6).trimmed().split(' ').first().toDouble() / 1024);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "memory")
        return memoryFigure(QString::fromLatin1(argv[2]));
    if (argc > 1 && QByteArray(argv[1]) == "sitemap") {
        QTemporaryDir temp;
        sitemapFigures(temp.path(), 3);
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir temp(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench_import-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/bench_import-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot make a directory\n");
        return 1;
    }
    const QString dir = temp.path();
    QFile feed(dir + QStringLiteral("/rss.xml"));
    feed.open(QIODevice::WriteOnly);
    feed.write(makeFeed(FeedItems));
    feed.close();
    std::printf("feed: %d items, %lld bytes; %d runs each, in %s\n", FeedItems, feed.size(), runs, qPrintable(dir));

    QElapsedTimer timer;
    timer.start();
    std::vector<double> parse;
    for (int run = 0; run < runs; ++run) {
        timer.restart();
        FeedDocument::load(feed.fileName());
        parse.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("parse only: %.1f ms\n", median(parse));
    commitCost(dir);

    Figures at[3];
    const qint64 sizes[3] = {1000, 100000, 1000000};
    for (int i = 0; i < 3; ++i) {
        at[i] = measure(dir, sizes[i], runs);
        std::printf("store with %lld addresses: import %.1f ms, re-import %.1f ms\n", sizes[i], at[i].importMs,
                    at[i].reimportMs);
        std::fflush(stdout);
    }
    std::printf("import_1000_into_1e5_ms: %.1f\n", at[1].importMs);
    std::printf("reimport_1000_ms: %.1f\n", at[1].reimportMs);
    std::printf("per_item_us_1e3: %.1f\n", at[0].importMs * 1000 / FeedItems);
    std::printf("per_item_us_1e5: %.1f\n", at[1].importMs * 1000 / FeedItems);
    std::printf("per_item_us_1e6: %.1f\n", at[2].importMs * 1000 / FeedItems);
    std::fflush(stdout);
    sitemapFigures(dir, runs);
    return 0;
}
