#include "ProgramFixture.h"
#include "StoreLockHolder.h"
#include "TestHttpServer.h"
#include "common/RunLock.h"
#include "common/mrv_fun.h"
#include "ping/BatchRuns.h"
#include "ping/IndexCheck.h"
#include "ping/PingServices.h"
#include "platform/WebClient.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest>
#include <memory>

namespace {

QString hoursAgo(int hours)
{
    return FormatTimestamp(QDateTime::currentDateTime().addSecs(-3600LL * hours));
}

// Answers pings with acceptance unless the address says otherwise, and search
// pages that show hosts named "in.*" in bold.
TestHttpServer::Response answer(const TestHttpServer::Request &request)
{
    if (request.target.startsWith("/ping/RPC2")) {
        if (request.body.contains("fail"))
            return TestHttpServer::Response::status("HTTP/1.1 503 Service Unavailable");
        return TestHttpServer::Response::ok(request.body.contains("reject") ? "<int>1</int>" : "<int>0</int>");
    }
    if (request.target.contains("fail"))
        return TestHttpServer::Response::status("HTTP/1.1 503 Service Unavailable");
    if (request.target.contains("captcha"))
        return TestHttpServer::Response::ok("<title>百度安全验证</title>");
    const QByteArray query = request.target.mid(request.target.indexOf("wd=") + 3);
    const QByteArray host = query.mid(7, query.indexOf('/', 7) - 7);
    return TestHttpServer::Response::ok(host.startsWith("in.") ? "<p><b>" + host + "</b>/x</p>" : "<p>none</p>");
}

// Services whose page fetch fails with a conversion error for marked addresses.
class ConvertFailingServices : public PingServices {
public:
    using PingServices::PingServices;
    QString fetchSearchPage(const QString &address) override
    {
        if (address.contains("convert"))
            throw EConvertError("''x'' is not a valid integer value");
        return PingServices::fetchSearchPage(address);
    }
};

struct Harness {
    Harness()
    {
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','http://a/')");
        f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/rss.xml','B&B','http://b/')");
        f.settings.hosts.ping = server.base();
        f.settings.hosts.baidu = server.base();
        RunWindow window;
        window.showStatusLog = [this] { ++shows; };
        window.clearStatusLog = [this] { log.clear(); ++clears; };
        window.appendStatusLog = [this](const QString &line) { log << line; };
        window.setMessagePanel = [this](const QString &text) {
            panels << text;
            if (onProgress)
                onProgress(text);
        };
        window.setPauseCaption = [this](const QString &text) { captions << text; };
        window.siteFilter = [this] { return filter; };
        window.closing = [this] { return closing && closing(); };
        services = std::make_unique<ConvertFailingServices>(client, f.settings);
        runs = std::make_unique<BatchRuns>(window, *services, f.settings);
    }

    void address(int dataid, int rssid, const QString &url, const QString &lasttime = {},
                 const QString &checktime = {}, const QString &isinbaidu = QStringLiteral("null"))
    {
        const auto text = [](const QString &v) { return v.isEmpty() ? QStringLiteral("null") : "'" + v + "'"; };
        f.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,rssid,url,lasttime,checktime,isinbaidu) "
                              "values (%1,%2,'%3',%4,%5,%6)")
                   .arg(dataid)
                   .arg(rssid)
                   .arg(url, text(lasttime), text(checktime), isinbaidu));
    }

    QString column(int dataid, const QString &name)
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        return db.GetTable("select " + name + " from mrv_orvik_rssurl where dataid=" + QString::number(dataid))
            .FieldAsString(0);
    }

    QStringList requestTargets() const
    {
        QStringList out;
        for (const auto &r : server.requests())
            out << QString::fromUtf8(r.target);
        return out;
    }
    QList<QByteArray> pingBodies() const
    {
        QList<QByteArray> out;
        for (const auto &r : server.requests())
            if (r.method == "POST")
                out << r.body;
        return out;
    }

    // Presses the pause button from inside the run's wait once the progress shows `text`.
    void pauseAt(const QString &text)
    {
        onProgress = [this, text](const QString &shown) {
            if (shown == text)
                QTimer::singleShot(0, [this] { runs->pauseOrResume(); });
        };
    }

    ProgramFixture f;
    TestHttpServer server{answer};
    SharedWebClient client;
    std::unique_ptr<PingServices> services;
    std::unique_ptr<BatchRuns> runs;
    QString filter = QStringLiteral("0");
    QStringList log, panels, captions;
    int shows = 0;
    int clears = 0;
    std::function<void(const QString &)> onProgress;
    std::function<bool()> closing;
};

bool sameState(const RunState &a, const RunState &b)
{
    return a.RunKind == b.RunKind && a.PingPaused == b.PingPaused && a.CheckPaused == b.CheckPaused
        && a.PingResumeIndex == b.PingResumeIndex && a.CheckResumeIndex == b.CheckResumeIndex;
}

} // namespace

class TestBatchRuns : public QObject {
    Q_OBJECT
private slots:
    void pingOneSite()
    {
        Harness h;
        h.filter = "1";
        h.address(1, 1, "http://in.a/1", hoursAgo(1));
        h.address(2, 1, "http://in.a/2", hoursAgo(48));
        h.address(3, 1, "http://in.a/reject");
        h.address(4, 1, "http://in.a/4");
        h.address(5, 2, "http://in.b/5"); // another site
        h.f.exec("update mrv_orvik_rssurl set firsttime='2020-01-01 00:00:00' where dataid=2");
        h.runs->startPing();

        QCOMPARE(h.log, QStringList({"http://in.a/4----PING成功", "http://in.a/2----PING成功",
                                     "http://in.a/1----一天内ping过了，不重复ping"}));
        QCOMPARE(h.panels, QStringList({"进度：1/4", "进度：2/4", "进度：3/4", "进度：4/4"}));
        QCOMPARE(h.captions, QStringList({"暂停Ping0"}));
        QCOMPARE(h.shows, 1);
        QCOMPARE(h.clears, 0);
        // Newest first, every ping with the site's values.
        const QList<QByteArray> bodies = h.pingBodies();
        QCOMPARE(bodies.size(), 3);
        QVERIFY(bodies[0].contains("<string>http://in.a/4</string>"));
        QVERIFY(bodies[1].contains("<string>http://in.a/reject</string>"));
        QVERIFY(bodies[2].contains("<string>http://in.a/2</string>"));
        for (const QByteArray &body : bodies) {
            QVERIFY(body.contains("<string>站点甲</string></value></param> \r\n"));
            QVERIFY(body.contains("<string>http://a/</string></value></param> \r\n"));
            QVERIFY(body.contains("<string>http://a/rss.xml</string>"));
        }
        // Accepted pings are recorded, the first time only once; a rejected one not at all.
        QVERIFY(WithinOneDay(h.column(4, "firsttime"), QDateTime::currentDateTime()));
        QCOMPARE(h.column(4, "lasttime"), h.column(4, "firsttime"));
        QCOMPARE(h.column(2, "firsttime"), QStringLiteral("2020-01-01 00:00:00"));
        QVERIFY(WithinOneDay(h.column(2, "lasttime"), QDateTime::currentDateTime()));
        QCOMPARE(h.column(3, "lasttime"), QString());
        QCOMPARE(h.column(5, "lasttime"), QString());
    }

    void pingAllSites()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1", hoursAgo(2));
        h.address(2, 2, "http://in.b/2");
        h.address(3, 9, "http://orphan/3"); // no site row: not part of the run
        h.address(4, 1, "http://in.a/4", hoursAgo(3));
        h.runs->startPing();

        QCOMPARE(h.log, QStringList({"0--0--一天内ping过了，不重复ping", "http://in.b/2----PING成功",
                                     "2--0--一天内ping过了，不重复ping"}));
        QCOMPARE(h.panels, QStringList({"进度：1/3", "进度：2/3", "进度：3/3"}));
        const QList<QByteArray> bodies = h.pingBodies();
        QCOMPARE(bodies.size(), 1);
        QVERIFY(bodies[0].contains("<string>B&amp;B</string>"));
        QVERIFY(bodies[0].contains("<string>http://b/rss.xml</string>"));
    }

    void progressAndWaitsInTheirOrderWithTheIntervalReadAtEveryWait()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1", hoursAgo(1)); // a skipped address still costs a wait
        h.address(2, 1, "http://in.a/2");
        QStringList events;
        h.onProgress = [&](const QString &text) { events << text; };
        h.runs->setWait([&](qint32 msecs) {
            events << QStringLiteral("wait %1").arg(msecs);
            // The options window changes both intervals during the first wait.
            h.f.settings.PingSleep = 70;
            h.f.settings.CheckInBaiduSleep = 90;
        });
        const auto intervals = [&] {
            h.f.settings.PingSleep = 30;
            h.f.settings.CheckInBaiduSleep = 40;
            events.clear();
        };

        // One site: the progress comes before the wait.
        intervals();
        h.filter = "1";
        h.runs->startPing();
        QCOMPARE(events, QStringList({"进度：1/2", "wait 30", "进度：2/2", "wait 70"}));
        // All sites: after the wait, and so for the check.
        intervals();
        h.filter = "0";
        h.runs->startPing();
        QCOMPARE(events, QStringList({"wait 30", "进度：1/2", "wait 70", "进度：2/2"}));
        intervals();
        h.runs->startCheck();
        QCOMPARE(events, QStringList({"wait 40", "进度：1/2", "wait 90", "进度：2/2"}));
    }

    void siteFilterWithoutSiteOrNumber()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        h.filter = "7";
        h.runs->startPing();
        QCOMPARE(h.log, QStringList({"rssid参数错误，进程中止"}));
        QVERIFY(h.server.requests().isEmpty());
        QVERIFY(h.panels.isEmpty());

        h.filter = "x1";
        QVERIFY_THROWS_EXCEPTION(EConvertError, h.runs->startPing());
        QVERIFY_THROWS_EXCEPTION(EConvertError, h.runs->startCheck());
        QVERIFY(h.server.requests().isEmpty());
    }

    void siteWithoutAddressesShowsNothing()
    {
        Harness h;
        h.filter = "2";
        h.runs->startPing();
        h.runs->startCheck();
        QVERIFY(h.log.isEmpty());
        QVERIFY(h.panels.isEmpty());
        QCOMPARE(h.captions, QStringList({"暂停Ping0", "暂停检测"}));
    }

    void checkOneSiteAndAllSites()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1", {}, hoursAgo(1), "1");
        h.address(2, 1, "http://in.a/2", {}, hoursAgo(1), "0");
        h.address(3, 1, "http://in.a/3", {}, hoursAgo(1));
        h.address(4, 1, "http://out.a/4", {}, hoursAgo(30), "1");
        h.address(5, 2, "http://in.b/5");
        h.filter = "1";
        h.runs->startCheck();
        QCOMPARE(h.log, QStringList({"http://out.a/4----未收录",
                                     "http://in.a/3----一天内检测过【未收录】，不再重复检测",
                                     "http://in.a/2----一天内检测过【未收录】，不再重复检测",
                                     "http://in.a/1----一天内检测过【已收录】，不再重复检测"}));
        QCOMPARE(h.panels.last(), QStringLiteral("进度：4/4"));
        QCOMPARE(h.captions, QStringList({"暂停检测"}));
        QCOMPARE(h.column(4, "isinbaidu"), QStringLiteral("0"));
        QVERIFY(WithinOneDay(h.column(4, "checktime"), QDateTime::currentDateTime()));
        QCOMPARE(h.requestTargets(), QStringList({"/s?wd=http://out.a/4"}));

        h.log.clear();
        h.filter = "0";
        h.runs->startCheck();
        QCOMPARE(h.log.first(), QStringLiteral("http://in.b/5----恭喜，此地址被百度收录"));
        QCOMPARE(h.log.size(), 5);
        QCOMPARE(h.column(5, "isinbaidu"), QStringLiteral("1"));
        QCOMPARE(h.server.requests().size(), 2);
    }

    void conversionErrorWhileFetchingIsLoggedAndTheRowGoesOn()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/convert");
        h.runs->startCheck();
        QCOMPARE(h.log, QStringList({"http://in.a/convert出错", "http://in.a/convert----未收录",
                                     "http://in.a/1----恭喜，此地址被百度收录"}));
        QCOMPARE(h.column(2, "isinbaidu"), QStringLiteral("0"));
    }

    void pauseDuringTheWaitAfterTheSecondAddressAndResume()
    {
        Harness h;
        h.filter = "1";
        for (int id = 1; id <= 4; ++id)
            h.address(id, 1, QStringLiteral("http://in.a/%1").arg(id));
        h.f.settings.PingSleep = 5;
        h.pauseAt("进度：2/4");
        h.runs->startPing();
        QCOMPARE(h.captions, QStringList({"暂停Ping0", "继续Ping0"}));
        QCOMPARE(h.log, QStringList({"http://in.a/4----PING成功", "http://in.a/3----PING成功"}));
        QCOMPARE(h.runs->state().PingPaused, 1);
        QCOMPARE(h.runs->state().PingResumeIndex, 2);
        QVERIFY(!h.runs->pingWalking());

        h.onProgress = nullptr;
        h.panels.clear();
        h.runs->pauseOrResume();
        QCOMPARE(h.captions.mid(2), QStringList({"暂停Ping", "暂停Ping2"}));
        // The first two rows are passed over: no request, no line, no progress.
        QCOMPARE(h.pingBodies().size(), 4);
        QCOMPARE(h.log.mid(2), QStringList({"http://in.a/2----PING成功", "http://in.a/1----PING成功"}));
        QCOMPARE(h.panels, QStringList({"进度：3/4", "进度：4/4"}));
        QCOMPARE(h.runs->state().PingPaused, 0);
        // A finished run starts at the first row next time.
        QCOMPARE(h.runs->state().PingResumeIndex, 0);
    }

    void pauseAndResumeTheIndexCheck()
    {
        Harness h;
        for (int id = 1; id <= 3; ++id)
            h.address(id, 1, QStringLiteral("http://in.a/%1").arg(id));
        h.pauseAt("进度：1/3");
        h.runs->startCheck();
        QCOMPARE(h.captions, QStringList({"暂停检测", "继续检测"}));
        // The check shows its progress after the wait, so the press lands in the
        // second address's request and the run stops before the third.
        QCOMPARE(h.runs->state().CheckResumeIndex, 2);
        QCOMPARE(h.log.size(), 2);
        h.onProgress = nullptr;
        h.runs->pauseOrResume();
        QCOMPARE(h.captions.mid(2), QStringList({"暂停检测", "暂停检测"}));
        QCOMPARE(h.server.requests().size(), 3);
        QCOMPARE(h.log.size(), 3);
    }

    void startWhilePausedParksTheRunAtTheFirstRow()
    {
        Harness h;
        h.filter = "1";
        for (int id = 1; id <= 3; ++id)
            h.address(id, 1, QStringLiteral("http://in.a/%1").arg(id));
        h.pauseAt("进度：2/3");
        h.runs->startPing();
        QCOMPARE(h.runs->state().PingResumeIndex, 2);
        h.onProgress = nullptr;

        h.runs->startPing();
        QCOMPARE(h.clears, 1);
        QVERIFY(h.log.isEmpty());
        QCOMPARE(h.captions.last(), QStringLiteral("暂停Ping2"));
        QCOMPARE(h.runs->state().PingPaused, 1);
        QCOMPARE(h.runs->state().PingResumeIndex, 0);
        QCOMPARE(h.pingBodies().size(), 2);

        // Resuming now walks from the first row; the two pinged today are skipped.
        h.runs->pauseOrResume();
        QCOMPARE(h.captions.last(), QStringLiteral("暂停Ping0"));
        QCOMPARE(h.log, QStringList({"http://in.a/3----一天内ping过了，不重复ping",
                                     "http://in.a/2----一天内ping过了，不重复ping", "http://in.a/1----PING成功"}));
    }

    void errorInTheMiddleEndsTheRunAndLeavesTheState()
    {
        Harness h;
        h.filter = "1";
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/fail");
        h.address(3, 1, "http://in.a/3");
        const RunState before = h.runs->state();
        try {
            h.runs->startPing();
            QFAIL("no error");
        } catch (const HttpError &e) {
            QCOMPARE(e.message(), QStringLiteral("HTTP/1.1 503 Service Unavailable"));
        }
        QVERIFY(sameState(h.runs->state(), before));
        QVERIFY(!h.runs->pingWalking());
        QCOMPARE(h.log, QStringList({"http://in.a/3----PING成功"}));
        QCOMPARE(h.column(2, "lasttime"), QString());
        QCOMPARE(h.column(1, "lasttime"), QString());

        // Without the back-off a verification page ends the check the same
        // way, at once and recording nothing.
        h.f.settings.checkBackoff = false;
        int waits = 0;
        h.runs->setWait([&](qint32) { ++waits; });
        h.f.exec("update mrv_orvik_rssurl set url='http://in.a/captcha' where dataid=2");
        QVERIFY_THROWS_EXCEPTION(VerificationPageError, h.runs->startCheck());
        QCOMPARE(waits, 1); // after the first row only
        QCOMPARE(h.log.last(), QStringLiteral("http://in.a/3----恭喜，此地址被百度收录"));
        QCOMPARE(h.column(3, "isinbaidu"), QStringLiteral("1"));
        QCOMPARE(h.column(2, "checktime"), QString());
        QCOMPARE(h.runs->state().CheckResumeIndex, 0);
        QCOMPARE(h.runs->state().CheckPaused, 0);

        // So does a stored time that is no timestamp.
        h.f.exec("update mrv_orvik_rssurl set lasttime='gestern' where dataid=3");
        QVERIFY_THROWS_EXCEPTION(EConvertError, h.runs->startPing());
    }

    void verificationPagesAreWaitedOutWithADoublingCountDown()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/2");
        h.address(3, 1, "http://out.a/3");
        h.f.settings.checkBackoffSeconds = 1;
        h.f.settings.CheckInBaiduSleep = 0;
        // The first two searches and the fourth meet the verification page.
        int searches = 0;
        h.server.setHandler([&](const TestHttpServer::Request &request) {
            ++searches;
            if (searches == 1 || searches == 2 || searches == 4)
                return TestHttpServer::Response::ok("<html><title>百度安全验证</title></html>");
            return answer(request);
        });
        QStringList waits; // each wait with the panel text it was shown under
        h.runs->setWait([&](qint32 msecs) {
            waits << QStringLiteral("%1 %2").arg(msecs).arg(h.panels.isEmpty() ? QString() : h.panels.last());
        });
        h.runs->startCheck();

        QCOMPARE(h.log, QStringList({"http://out.a/3----百度安全验证，1秒后重试",
                                     "http://out.a/3----百度安全验证，2秒后重试", "http://out.a/3----未收录",
                                     // A real answer in between starts the wait afresh.
                                     "http://in.a/2----百度安全验证，1秒后重试",
                                     "http://in.a/2----恭喜，此地址被百度收录",
                                     "http://in.a/1----恭喜，此地址被百度收录"}));
        // The count-down second by second, and no interval is lost to it.
        QCOMPARE(waits, QStringList({"1000 等待安全验证解除：1秒", "1000 等待安全验证解除：2秒",
                                     "1000 等待安全验证解除：1秒", "0 等待安全验证解除：1秒",
                                     "1000 等待安全验证解除：1秒", "0 等待安全验证解除：1秒", "0 进度：2/3"}));
        QCOMPARE(h.panels.last(), QStringLiteral("进度：3/3"));
        QCOMPARE(searches, 6);
        // Every address recorded; the indexed ones with the time first seen indexed.
        QCOMPARE(h.column(3, "isinbaidu"), QStringLiteral("0"));
        QCOMPARE(h.column(2, "isinbaidu"), QStringLiteral("1"));
        QCOMPARE(h.column(1, "isinbaidu"), QStringLiteral("1"));
        TSQLiteDatabase db(QStringLiteral("database.db"));
        const TSQLiteTable seen = db.GetTable("select dataid,firstseen from mrv_orvik_indexed order by dataid");
        QCOMPARE(seen.Count(), 2);
        QCOMPARE(seen.FieldAsString(1), h.column(1, "checktime"));
        QCOMPARE(h.runs->state().CheckPaused, 0);
    }

    void theSixthVerificationPageInARowEndsTheRun()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/2");
        h.f.settings.checkBackoffSeconds = 900;
        h.server.setHandler([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::ok("<title>百度安全验证</title>");
        });
        qint64 waited = 0;
        h.runs->setWait([&](qint32 msecs) { waited += msecs; });
        QVERIFY_THROWS_EXCEPTION(VerificationPageError, h.runs->startCheck());
        // Doubling up to an hour; the run ends with the error at the sixth page.
        QCOMPARE(h.log, QStringList({"http://in.a/2----百度安全验证，900秒后重试",
                                     "http://in.a/2----百度安全验证，1800秒后重试",
                                     "http://in.a/2----百度安全验证，3600秒后重试",
                                     "http://in.a/2----百度安全验证，3600秒后重试",
                                     "http://in.a/2----百度安全验证，3600秒后重试"}));
        QCOMPARE(waited, qint64(900 + 1800 + 3 * 3600) * 1000);
        QCOMPARE(h.server.requests().size(), 6);
        QCOMPARE(h.column(2, "checktime"), QString());
        QVERIFY(!h.runs->checkWalking());

        // The next run counts afresh; a value beyond the longest wait is cut to it,
        // one below a second raised to it.
        h.log.clear();
        h.f.settings.checkBackoffSeconds = 5000;
        int pages = 0;
        h.server.setHandler([&](const TestHttpServer::Request &request) {
            return ++pages == 1 ? TestHttpServer::Response::ok("<title>百度安全验证</title>") : answer(request);
        });
        h.runs->startCheck();
        QCOMPARE(h.log.first(), QStringLiteral("http://in.a/2----百度安全验证，3600秒后重试"));
        QCOMPARE(h.log.size(), 3);

        h.log.clear();
        h.f.exec("update mrv_orvik_rssurl set checktime=null");
        h.f.settings.checkBackoffSeconds = -5;
        pages = 0;
        h.runs->startCheck();
        QCOMPARE(h.log.first(), QStringLiteral("http://in.a/2----百度安全验证，1秒后重试"));
    }

    void pauseDuringTheBackOffAndResumeAtThatAddress()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/2");
        h.f.settings.checkBackoffSeconds = 3;
        QStringList events;
        int searches = 0;
        h.server.setHandler([&](const TestHttpServer::Request &request) {
            events << QStringLiteral("search");
            if (++searches <= 2)
                return TestHttpServer::Response::ok("<title>百度安全验证</title>");
            return answer(request);
        });
        h.runs->setWait([&](qint32 msecs) {
            events << h.panels.last();
            // "暂停" pressed in the second second of the first wait.
            if (msecs == 1000 && h.panels.last() == QStringLiteral("等待安全验证解除：2秒") && searches == 1)
                h.runs->pauseOrResume();
        });
        h.runs->startCheck();
        QCOMPARE(events, QStringList({"search", "等待安全验证解除：3秒", "等待安全验证解除：2秒"}));
        QCOMPARE(h.captions, QStringList({"暂停检测", "继续检测"}));
        QCOMPARE(h.log, QStringList({"http://in.a/2----百度安全验证，3秒后重试"}));
        QCOMPARE(h.runs->state().CheckPaused, 1);
        QCOMPARE(h.runs->state().CheckResumeIndex, 0);
        QVERIFY(!h.runs->checkWalking());

        // Resumed, the address is searched again at once; still blocked, so the
        // wait goes on doubling from where it was.
        events.clear();
        h.runs->pauseOrResume();
        QCOMPARE(events.mid(0, 2), QStringList({"search", "等待安全验证解除：6秒"}));
        QCOMPARE(h.log.mid(1), QStringList({"http://in.a/2----百度安全验证，6秒后重试",
                                            "http://in.a/2----恭喜，此地址被百度收录",
                                            "http://in.a/1----恭喜，此地址被百度收录"}));
        QCOMPARE(searches, 4);
        QCOMPARE(h.runs->state().CheckPaused, 0);
    }

    void closingTheProgramEndsTheBackOff()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        h.server.setHandler([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::ok("<title>百度安全验证</title>");
        });
        bool closing = false;
        int waits = 0;
        h.closing = [&] { return closing; };
        h.runs->setWait([&](qint32) { closing = ++waits == 2; });
        h.runs->startCheck();
        QCOMPARE(waits, 2);
        QCOMPARE(h.log.size(), 1);
        QCOMPARE(h.column(1, "checktime"), QString());
    }

    void skipIndexedSparesTheSearch()
    {
        Harness h;
        const QString twoDaysAgo = hoursAgo(48);
        h.address(1, 1, "http://in.a/1", {}, twoDaysAgo, "1");
        h.address(2, 1, "http://in.a/2", {}, twoDaysAgo, "0");
        h.address(3, 1, "http://in.a/3", {}, hoursAgo(1), "1");
        h.address(4, 1, "http://in.a/4");
        h.f.settings.skipIndexed = true;
        h.f.settings.CheckInBaiduSleep = 40;
        QList<qint32> waits;
        h.runs->setWait([&](qint32 msecs) { waits << msecs; });
        h.runs->startCheck();
        QCOMPARE(h.log, QStringList({"http://in.a/4----恭喜，此地址被百度收录", "http://in.a/3----已收录，不再检测",
                                     "http://in.a/2----恭喜，此地址被百度收录", "http://in.a/1----已收录，不再检测"}));
        QCOMPARE(h.requestTargets(), QStringList({"/s?wd=http://in.a/4", "/s?wd=http://in.a/2"}));
        // Only searches are paced; every row shows its progress.
        QCOMPARE(waits, QList<qint32>({40, 40}));
        QCOMPARE(h.panels, QStringList({"进度：1/4", "进度：2/4", "进度：3/4", "进度：4/4"}));
        QCOMPARE(h.column(1, "checktime"), twoDaysAgo);

        // Off, an indexed address is searched once its day has passed.
        h.log.clear();
        h.f.settings.skipIndexed = false;
        h.f.exec("update mrv_orvik_rssurl set checktime='" + twoDaysAgo + "' where dataid<>3");
        h.runs->startCheck();
        QCOMPARE(h.requestTargets().size(), 5);
        QCOMPARE(h.log[1], QStringLiteral("http://in.a/3----一天内检测过【已收录】，不再重复检测"));
        QCOMPARE(h.requestTargets().last(), QStringLiteral("/s?wd=http://in.a/1"));
    }

    void aWalkGoingOnIsNotStartedTwiceButTheOtherKindRunsInside()
    {
        Harness h;
        h.filter = "1";
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/2");
        h.f.settings.PingSleep = 5;
        bool nested = false;
        h.onProgress = [&](const QString &text) {
            if (text != "进度：1/2" || nested)
                return;
            nested = true;
            QTimer::singleShot(0, [&] {
                h.runs->startPing();     // ignored: this walk is going
                h.runs->pauseOrResume(); // pause ...
                h.runs->pauseOrResume(); // ... and resume: the walk simply goes on
                h.runs->startCheck();    // runs inside the ping's wait
            });
        };
        h.runs->startPing();
        QCOMPARE(h.pingBodies().size(), 2);
        QCOMPARE(h.captions, QStringList({"暂停Ping0", "继续Ping0", "暂停Ping", "暂停Ping0", "暂停检测"}));
        QCOMPARE(h.log, QStringList({"http://in.a/2----PING成功", "http://in.a/2----恭喜，此地址被百度收录",
                                     "http://in.a/1----恭喜，此地址被百度收录", "http://in.a/1----PING成功"}));
        QCOMPARE(h.runs->state().RunKind, 1);
        QCOMPARE(h.runs->state().PingPaused, 0);
    }

    // Another process writes while the walk runs: the record waits for it,
    // the window's events go on meanwhile, and only a lock held past the
    // limit ends the run, after saying which address went unrecorded.
    void aLockOfAnotherProcessIsWaitedForWhileEventsRun_data()
    {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("limitMs");
        QTest::newRow("held 2 s") << 2000 << 30000;
        QTest::newRow("held past the limit") << 3000 << 600;
    }

    void aLockOfAnotherProcessIsWaitedForWhileEventsRun()
    {
        QFETCH(int, holdMs);
        QFETCH(int, limitMs);
        TSQLiteDatabase::setBusyTimeout(limitMs, TSQLiteDatabase::BusyWait::Pumped);
        const auto restore = qScopeGuard([] { TSQLiteDatabase::setBusyTimeout(0); });
        Harness h;
        h.filter = "1";
        h.address(1, 1, "http://in.a/1");
        h.address(2, 1, "http://in.a/2");
        h.f.settings.PingSleep = 0;
        std::unique_ptr<QProcess> holder;
        h.server.setHandler([&](const TestHttpServer::Request &r) {
            if (!holder) // the other process starts writing while the first ping is out
                holder = StoreLockHolder::start(h.f.path("database.db"), holdMs);
            return answer(r);
        });
        QElapsedTimer clock;
        qint64 last = 0, longestGap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        ticker.start(20);
        clock.start();
        QString error;
        try {
            h.runs->startPing();
        } catch (const ESQLiteException &e) {
            error = e.message();
        }
        QVERIFY(holder);
        holder->kill();
        holder->waitForFinished();
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
        if (holdMs < limitMs) {
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QVERIFY(clock.elapsed() >= holdMs / 2);
            QCOMPARE(h.log, QStringList({"http://in.a/2----PING成功", "http://in.a/1----PING成功"}));
            QVERIFY(!h.column(1, "lasttime").isEmpty() && !h.column(2, "lasttime").isEmpty());
        } else {
            QVERIFY(error.startsWith("Could not prepare SQL statement") || error.startsWith("Error executing SQL"));
            QCOMPARE(h.log.size(), 2);
            QCOMPARE(h.log.last(), "记录失败：http://in.a/2：" + error);
            QCOMPARE(h.pingBodies().size(), 1);
        }
    }

    void aRunOfTheSameKindElsewhereRefusesTheStart()
    {
        Harness h;
        h.address(1, 1, "http://in.a/1");
        RunLock other(RunLock::Kind::Ping, h.f.path(""));
        QVERIFY(other.tryLock());
        h.runs->startPing();
        QCOMPARE(h.log, QStringList({"另一个程序正在执行批量Ping，请稍后再试"}));
        QCOMPARE(h.panels, QStringList({"另一个程序正在执行批量Ping，请稍后再试"}));
        QVERIFY(h.server.requests().isEmpty());
        // The check is another kind: it runs.
        h.log.clear();
        h.runs->startCheck();
        QCOMPARE(h.log, QStringList({"http://in.a/1----恭喜，此地址被百度收录"}));
    }
};

int main(int argc, char **argv)
{
    int status = 0;
    if (StoreLockHolder::runIfAsked(status))
        return status;
    QApplication app(argc, argv);
    TestBatchRuns test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_batchruns.moc"
