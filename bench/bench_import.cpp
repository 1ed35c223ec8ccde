// Import of a 1,000-item feed through ImportRss, with the real rss.xml and
// database.db, into stores holding 10^3, 10^5 and 10^6 addresses; then the
// same feed again, when every item is a duplicate. Prints medians. Then, once
// each: a 1,000-entry Atom feed and a 50,000-address sitemap into a store of
// 10^5, and a sitemap index of 20 gzip parts of 50,000 addresses each, served
// by a local server, into an empty store.
//   bench_import [runs] [directory]   (default 5 runs in the system temp dir)
#include "feed/FeedDocument.h"
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
#include <QTemporaryDir>

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

// One import of `document` as rss.xml into a store of `stored` addresses.
double importOnce(const QString &dir, qint64 stored, const QByteArray &document, const QString &address)
{
    const QString db = dir + QStringLiteral("/database.db");
    QFile::remove(db);
    TestDatabase::createFromSchema(db, QStringLiteral(WEXLY_SCHEMA_PATH));
    exec(db, "insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://old.example/rss.xml','old','http://old.example/');"
             "insert into mrv_orvik_rssurl(title,url,rssid) with recursive c(x) as (select 1 union all select x+1 from c where x<"
             + QByteArray::number(stored) + ") select 'Stored '||x, 'http://old.example/article/'||x||'.html', 1 from c;");
    QFile file(dir + QStringLiteral("/rss.xml"));
    file.open(QIODevice::WriteOnly);
    file.write(document);
    file.close();
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

void sitemapFigures(const QString &dir)
{
    const double atom = importOnce(dir, 100000, makeAtom(1000), QStringLiteral("http://atom.example/atom.xml"));
    std::printf("atom_1000_ms: %.1f\n", atom);
    std::fflush(stdout);
    const double map = importOnce(dir, 100000, makeSitemap("map.example", 0, 50000),
                                  QStringLiteral("http://map.example/sitemap.xml"));
    std::printf("sitemap_50000_ms: %.1f\n", map);
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    sitemapFigures(dir);
    return 0;
}
