// A batch push of 100,000 stored addresses of one site to a local fake Baidu
// push service (2,000 per request, a quota that never runs out) and a local
// fake IndexNow service (10,000 per request), while a 10 ms timer measures how
// long the thread is kept from its events. Ends with key: value lines.
#include "ProgramFixture.h"
#include "support/StallWatch.h"
#include "TestHttpServer.h"
#include "push/BatchPush.h"
#include "push/PushSettings.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int Addresses = 100000;


} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ProgramFixture f;
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/')");
    f.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,title,url,rssid) "
                          "with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                          "select i,'标题'||i,'https://www.a.com/archives/'||i||'.html',1 from n")
               .arg(Addresses));
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        PushSiteSettings s;
        s.baiduSite = QStringLiteral("https://www.a.com");
        s.baiduToken = QStringLiteral("benchToken");
        s.indexNowKey = QStringLiteral("benchKey-0123456789");
        s.indexNowKeyLocation = QStringLiteral("https://www.a.com/benchKey-0123456789.txt");
        PushSettings::save(db, 1, s);
    }

    TestHttpServer baidu([](const TestHttpServer::Request &r) {
        const qint64 count = r.body.count('\n') + 1;
        return TestHttpServer::Response::ok(
            QByteArray("{\"remain\":99999999,\"success\":") + QByteArray::number(count) + "}", "application/json");
    });
    TestHttpServer indexNow([](const TestHttpServer::Request &) {
        return TestHttpServer::Response::status("HTTP/1.1 202 Accepted");
    });
    f.settings.hosts.baiduzz = baidu.base();
    f.settings.hosts.indexnow = indexNow.base();

    int lines = 0;
    PushLog log;
    log.appendStatusLog = [&lines](const QString &) { ++lines; };
    BatchPush push(log, f.settings);

    StallWatch stall;
    stall.start();
    QElapsedTimer clock;
    clock.start();
    const PushSummary summary = push.run(0);
    const qint64 ns = clock.nsecsElapsed();
    stall.stop();

    TSQLiteDatabase db(QStringLiteral("database.db"));
    const qint64 recorded = db.GetTable(QStringLiteral("select count(*) as c from mrv_orvik_push")).AsInteger("c");
    std::printf("addresses: %d, requests %d/%d, recorded rows %lld, log lines %d\n", Addresses,
                summary.requestsSent, summary.requestsPlanned, static_cast<long long>(recorded), lines);
    std::printf("push_1e5_s: %.2f\n", double(ns) / 1e9);
    std::printf("per_address_us: %.1f\n", double(ns) / 1e3 / Addresses);
    std::printf("worst_stall_ms: %lld\n", static_cast<long long>(stall.worst));
    return recorded == 2LL * Addresses ? 0 : 1;
}
