// Import of a 1,000-item feed through ImportRss, with the real rss.xml and
// database.db, into stores holding 10^3, 10^5 and 10^6 addresses; then the
// same feed again, when every item is a duplicate. Prints medians.
//   bench_import [runs] [directory]   (default 5 runs in the system temp dir)
#include "feed/FeedDocument.h"
#include "feed/FeedImport.h"
#include "feed/FeedView.h"
#include "support/FakeDialogs.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

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
    return 0;
}
