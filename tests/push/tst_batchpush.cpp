#include "ProgramFixture.h"
#include "TestHttpServer.h"
#include "common/RunLock.h"
#include "push/BatchPush.h"
#include "push/PushProtocol.h"
#include "push/PushSecrets.h"
#include "push/PushSettings.h"
#include "store/SQLiteDatabase.h"
#include "store/SiteRemoval.h"

#include <QJsonArray>
#include <QUrl>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <memory>

namespace {

const QString Token = QStringLiteral("Tok3nSecret99");
const QString Key = QStringLiteral("k3y-0123456789abcdef");

// Does the line show the secret in any form an address may give it?
bool shows(const QString &line, const QString &secret)
{
    const QByteArray bytes = line.toUtf8();
    QByteArray plus = bytes;
    plus.replace('+', ' ');
    return line.contains(secret) || QUrl::fromPercentEncoding(bytes).contains(secret)
        || QUrl::fromPercentEncoding(plus).contains(secret);
}

using Request = TestHttpServer::Request;
using Response = TestHttpServer::Response;

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A Baidu answer that takes every address of the request.
Response takeAll(const Request &request, qint64 remain = 100000)
{
    const qint64 count = request.body.isEmpty() ? 0 : request.body.count('\n') + 1;
    return Response::ok(json({{"remain", remain}, {"success", count}}), "application/json");
}

Response baiduError(const QByteArray &statusLine, int code, const QString &message)
{
    return Response::status(statusLine, json({{"error", code}, {"message", message}}));
}

struct Harness {
    Harness()
    {
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/blog/')");
        f.settings.hosts.baiduzz = server.base();
        f.settings.hosts.indexnow = QStringLiteral("http://") + server.base() + QStringLiteral("/");
        PushLog window;
        window.showStatusLog = [this] { ++shows; };
        window.appendStatusLog = [this](const QString &line) { log << line; };
        window.setMessagePanel = [this](const QString &text) { panels << text; };
        push = std::make_unique<BatchPush>(window, f.settings);
        push->setWait([this](int msecs) { waits << msecs; });
        server.setHandler([this](const Request &r) {
            if (r.target.startsWith("/urls"))
                return baidu ? baidu(r) : takeAll(r);
            return indexNow ? indexNow(r) : Response::status("HTTP/1.1 202 Accepted");
        });
    }

    // Addresses 1..count of site 1, url ending in the dataid.
    void addresses(int count, int rssid = 1, const QString &host = QStringLiteral("www.a.com"), int first = 1)
    {
        QString sql = QStringLiteral("insert into mrv_orvik_rssurl(dataid,title,url,rssid) values ");
        for (int i = first; i < first + count; ++i) {
            if (i > first)
                sql += u',';
            sql += QStringLiteral("(%1,'t','https://%2/p/%1.html',%3)").arg(i).arg(host).arg(rssid);
        }
        f.exec(sql);
    }

    void settings(bool baidu, bool daily, bool indexNow, qint64 rssid = 1)
    {
        PushSiteSettings s;
        if (baidu) {
            s.baiduSite = QStringLiteral("https://www.a.com");
            s.baiduToken = token;
            s.baiduDaily = daily;
        }
        if (indexNow) {
            s.indexNowKey = Key;
            s.indexNowKeyLocation = QStringLiteral("https://www.a.com/") + Key + QStringLiteral(".txt");
        }
        TSQLiteDatabase db(f.path("database.db"));
        PushSettings::save(db, rssid, s);
    }

    QStringList rows(const QString &where = {})
    {
        TSQLiteDatabase db(f.path("database.db"));
        TSQLiteTable t = db.GetTable("select dataid,channel,result from mrv_orvik_push" + where
                                     + " order by channel,dataid");
        QStringList out;
        for (; !t.Eof(); t.Next())
            out << t.FieldAsString(0) + u' ' + t.FieldAsString(1) + u' ' + t.FieldAsString(2);
        return out;
    }

    int count(const QString &where = {}) { return int(rows(where).size()); }

    QString token = Token;
    ProgramFixture f;
    TestHttpServer server;
    std::function<Response(const Request &)> baidu;
    std::function<Response(const Request &)> indexNow;
    std::unique_ptr<BatchPush> push;
    QStringList log;
    QStringList panels;
    QList<int> waits;
    int shows = 0;
    PushSummary summary;
};

} // namespace

class tst_BatchPush : public QObject {
    Q_OBJECT

private:
    // Every harness's lines are checked for the secrets at the end of its test.
    Harness *m_last = nullptr;
    Harness &make()
    {
        m_harness = std::make_unique<Harness>();
        m_last = m_harness.get();
        return *m_harness;
    }
    std::unique_ptr<Harness> m_harness;

private slots:
    void cleanup()
    {
        if (!m_last)
            return;
        for (const QString &line : m_last->log + m_last->panels) {
            QVERIFY2(!shows(line, m_last->token) && !shows(line, Key), qPrintable(line));
        }
        m_harness.reset();
        m_last = nullptr;
    }

    void hostsAreComparedAsTheServiceSeesThem_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("host");
        QTest::newRow("plain") << "https://www.a.com/p/1.html" << "www.a.com";
        QTest::newRow("case and port") << "HTTP://WWW.A.com:8080/x" << "www.a.com";
        QTest::newRow("user part") << "https://evil.com@www.a.com/x" << "www.a.com";
        QTest::newRow("no path") << "https://www.a.com" << "www.a.com";
        QTest::newRow("query at once") << "https://www.a.com?x=/y" << "www.a.com";
        QTest::newRow("final dot") << "https://www.a.com./x" << "www.a.com";
        QTest::newRow("IPv6") << "http://[::1]:80/x" << "[::1]";
        QTest::newRow("no scheme") << "www.a.com/x" << "";
    }

    void hostsAreComparedAsTheServiceSeesThem()
    {
        QFETCH(QString, address);
        QFETCH(QString, host);
        QCOMPARE(IndexNowPush::hostOf(address), host);
    }

    void baiduRequestsAndLines()
    {
        Harness &h = make();
        h.addresses(3);
        h.settings(true, true, false);
        h.baidu = [](const Request &r) {
            if (r.target.endsWith("type=daily"))
                return Response::ok(json({{"remain_daily", 7}, {"success_daily", 3}}));
            return takeAll(r, 497);
        };
        const PushSummary summary = h.push->run(0);

        QCOMPARE(h.server.requests().size(), 2);
        const Request normal = h.server.requests().at(0);
        QCOMPARE(normal.method, QByteArray("POST"));
        QCOMPARE(normal.target, QByteArray("/urls?site=https://www.a.com&token=") + Token.toLatin1());
        QCOMPARE(normal.header("Content-Type"), QByteArray("text/plain"));
        QCOMPARE(normal.body, QByteArray("https://www.a.com/p/3.html\nhttps://www.a.com/p/2.html\n"
                                         "https://www.a.com/p/1.html"));
        const Request daily = h.server.requests().at(1);
        QCOMPARE(daily.target, normal.target + "&type=daily");
        QCOMPARE(daily.body, normal.body);

        QCOMPARE(h.log, QStringList({"【站点甲】百度推送：成功3条，今日剩余497条",
                                     "【站点甲】百度快速收录：成功3条，今日剩余7条"}));
        QCOMPARE(h.panels, QStringList({"推送进度：1/2", "推送进度：2/2", "推送完成"}));
        QCOMPARE(h.shows, 1);
        QCOMPARE(h.count(" where result='ok'"), 6);
        QCOMPARE(summary.accepted, 6);
        QVERIFY(h.waits.isEmpty());
    }

    void batchesOfTwoThousandNewestFirst()
    {
        Harness &h = make();
        h.addresses(4500);
        h.settings(true, false, false);
        h.push->run(1);
        const QList<Request> requests = h.server.requests();
        QCOMPARE(requests.size(), 3);
        const QList<int> sizes{int(requests[0].body.count('\n')) + 1, int(requests[1].body.count('\n')) + 1,
                               int(requests[2].body.count('\n')) + 1};
        QCOMPARE(sizes, QList<int>({2000, 2000, 500}));
        QVERIFY(requests[0].body.startsWith("https://www.a.com/p/4500.html\n"));
        QVERIFY(requests[2].body.endsWith("https://www.a.com/p/1.html"));
        QCOMPARE(h.panels.first(), QStringLiteral("推送进度：1/3"));
        QCOMPARE(h.count(), 4500);

        // Everything is recorded: a second push sends nothing.
        h.log.clear();
        h.push->run(0);
        QCOMPARE(h.server.requests().size(), 3);
        QCOMPARE(h.log, QStringList({"【站点甲】没有需要推送的地址"}));
    }

    void partialAcceptanceIsRecordedPerAddress()
    {
        Harness &h = make();
        h.addresses(4);
        h.settings(true, false, false);
        h.baidu = [](const Request &) {
            return Response::ok(json({{"remain", 50},
                                      {"success", 1},
                                      {"not_same_site", QJsonArray({"https://www.a.com/p/4.html"})},
                                      {"not_valid", QJsonArray({"https://www.a.com/p/2.html"})}}));
        };
        h.push->run(0);
        QCOMPARE(h.log, QStringList({"【站点甲】百度推送：成功1条，今日剩余50条",
                                     "https://www.a.com/p/4.html----不是本站地址",
                                     "https://www.a.com/p/2.html----地址无效"}));
        // One taken of the two left: the first sent; the other stays due.
        QCOMPARE(h.rows(), QStringList({"2 baidu not_valid", "3 baidu ok", "4 baidu not_same_site"}));

        h.log.clear();
        h.baidu = {};
        h.push->run(0);
        QCOMPARE(h.server.lastRequest().body, QByteArray("https://www.a.com/p/1.html"));
    }

    void quotaStopsTheChannel_data()
    {
        QTest::addColumn<bool>("overQuotaAnswer");
        QTest::newRow("remain reaches 0") << false;
        QTest::newRow("over quota") << true;
    }

    void quotaStopsTheChannel()
    {
        QFETCH(bool, overQuotaAnswer);
        Harness &h = make();
        h.addresses(4500);
        h.settings(true, false, true);
        h.baidu = [&](const Request &r) {
            return overQuotaAnswer ? baiduError("HTTP/1.1 400 Bad Request", 400, "over quota") : takeAll(r, 0);
        };
        h.summary = h.push->run(0);
        const QString quota = QStringLiteral("【站点甲】百度推送今日配额已用完，其余地址明天再推");
        QCOMPARE(h.log.count(quota), 1);
        QCOMPARE(h.count(" where channel='baidu'"), overQuotaAnswer ? 0 : 2000);
        QCOMPARE(h.summary.problems, 0); // a spent quota is nothing the user must act on
        // Only the one Baidu request; IndexNow still goes on for the site.
        QCOMPARE(h.server.requests().size(), 2);
        QCOMPARE(h.log.last(), QStringLiteral("【站点甲】IndexNow：已提交4500条"));
    }

    void refusalsStopTheChannel_data()
    {
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line");
        QTest::newRow("401") << QByteArray("HTTP/1.1 401 Unauthorized") << 401 << "token is not valid"
                             << "【站点甲】百度密钥无效";
        QTest::newRow("site error") << QByteArray("HTTP/1.1 400 Bad Request") << 400 << "site error"
                                    << "【站点甲】百度站点未验证";
        QTest::newRow("other 400") << QByteArray("HTTP/1.1 400 Bad Request") << 400 << "empty content"
                                   << "【站点甲】百度推送失败：empty content";
    }

    void refusalsStopTheChannel()
    {
        QFETCH(QByteArray, statusLine);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, line);
        Harness &h = make();
        h.addresses(2500);
        h.settings(true, false, false);
        h.baidu = [&](const Request &) { return baiduError(statusLine, code, message); };
        QCOMPARE(h.push->run(0).problems, 1);
        QCOMPARE(h.log, QStringList({line}));
        QCOMPARE(h.server.requests().size(), 1);
        QCOMPARE(h.count(), 0);
        QVERIFY(h.waits.isEmpty());
    }

    void retriesWithGrowingWaits()
    {
        Harness &h = make();
        h.addresses(3);
        h.settings(true, false, false);
        int calls = 0;
        h.baidu = [&](const Request &r) {
            return ++calls <= 2
                ? baiduError("HTTP/1.1 500 Internal Server Error", 500, "internal error, please try later")
                : takeAll(r);
        };
        h.push->run(0);
        QCOMPARE(h.log, QStringList({"【站点甲】百度推送失败，2秒后重试", "【站点甲】百度推送失败，4秒后重试",
                                     "【站点甲】百度推送：成功3条，今日剩余100000条"}));
        QCOMPARE(h.waits, QList<int>({2000, 4000}));
        QCOMPARE(h.count(), 3);
        // Retries are the same request, not new ones.
        QCOMPARE(h.panels, QStringList({"推送进度：1/1", "推送完成"}));
    }

    void fourFailuresStopWithoutRecording()
    {
        Harness &h = make();
        h.addresses(2);
        h.settings(true, false, true);
        h.baidu = [](const Request &) {
            return baiduError("HTTP/1.1 500 Internal Server Error", 500, "internal error, please try later");
        };
        h.indexNow = [](const Request &) { return Response::status("HTTP/1.1 503 Service Unavailable"); };
        QCOMPARE(h.push->run(0).problems, 2);
        QCOMPARE(h.log, QStringList({"【站点甲】百度推送失败，2秒后重试", "【站点甲】百度推送失败，4秒后重试",
                                     "【站点甲】百度推送失败，8秒后重试",
                                     "【站点甲】百度推送失败：internal error, please try later",
                                     "【站点甲】IndexNow推送失败，2秒后重试", "【站点甲】IndexNow推送失败，4秒后重试",
                                     "【站点甲】IndexNow推送失败，8秒后重试",
                                     "【站点甲】IndexNow推送失败：HTTP/1.1 503 Service Unavailable"}));
        QCOMPARE(h.waits, QList<int>({2000, 4000, 8000, 2000, 4000, 8000}));
        QCOMPARE(h.server.requests().size(), 8);
        QCOMPARE(h.count(), 0);
    }

    void transferFailureKeepsTheTokenOut_data()
    {
        QTest::addColumn<bool>("badScheme");
        QTest::addColumn<QString>("token");
        QTest::newRow("nobody listens") << false << Token;
        // The client's own error quotes the whole address, token included.
        QTest::newRow("address refused by the client") << true << Token;
        QTest::newRow("token that the address encodes") << true << QStringLiteral("ab/cd ef+12345");
    }

    void transferFailureKeepsTheTokenOut()
    {
        QFETCH(bool, badScheme);
        QFETCH(QString, token);
        Harness &h = make();
        h.token = token;
        h.addresses(1);
        h.settings(true, false, false);
        quint16 freePort;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            freePort = probe.serverPort();
        }
        h.f.settings.hosts.baiduzz = badScheme ? QStringLiteral("ftp://127.0.0.1") : QStringLiteral("127.0.0.1:%1").arg(freePort);
        h.push->run(0);
        QCOMPARE(h.log.size(), 4);
        QVERIFY2(h.log.last().startsWith("【站点甲】百度推送失败："), qPrintable(h.log.last()));
        if (badScheme)
            QVERIFY2(h.log.last().contains("token=***"), qPrintable(h.log.last()));
        QCOMPARE(h.count(), 0);
        // The cleanup checks every line for the token.
    }

    void everyFormOfTheSecretIsScrubbed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("as it stands") << "token=ab/cd ef+12345&x";
        QTest::newRow("query encoding") << "token=ab/cd%20ef%2B12345&x";
        QTest::newRow("all encoded, lower hex") << "token=ab%2fcd%20ef%2b12345&x";
        QTest::newRow("all encoded, upper hex") << "token=ab%2Fcd%20ef%2B12345&x";
        QTest::newRow("plus for the blank") << "token=ab/cd+ef%2B12345&x";
    }

    void everyFormOfTheSecretIsScrubbed()
    {
        QFETCH(QString, text);
        QCOMPARE(scrubSecrets(text, {QStringLiteral("ab/cd ef+12345")}), QStringLiteral("token=***&x"));
    }

    void indexNowBodyAndAcceptance()
    {
        Harness &h = make();
        h.addresses(2);
        h.f.exec("insert into mrv_orvik_rssurl(dataid,title,url,rssid) values (3,'t','https://www.a.com/p/\"引号\".html',1)");
        h.settings(false, false, true);
        h.push->run(0);
        QCOMPARE(h.server.requests().size(), 1);
        const Request r = h.server.lastRequest();
        QCOMPARE(r.target, QByteArray("/indexnow"));
        QCOMPARE(r.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
        QJsonParseError error;
        const QJsonObject body = QJsonDocument::fromJson(r.body, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(body.value("host").toString(), QStringLiteral("www.a.com"));
        QCOMPARE(body.value("key").toString(), Key);
        QCOMPARE(body.value("keyLocation").toString(), "https://www.a.com/" + Key + ".txt");
        QCOMPARE(body.value("urlList").toArray().toVariantList(),
                 QVariantList({"https://www.a.com/p/\"引号\".html", "https://www.a.com/p/2.html",
                               "https://www.a.com/p/1.html"}));
        QVERIFY(r.body.contains("\\\"")); // the quote is escaped, not cut
        QCOMPARE(h.log, QStringList({"【站点甲】IndexNow：已提交3条"}));
        QCOMPARE(h.count(" where channel='indexnow' and result='ok'"), 3);
    }

    void indexNowRefusals_data()
    {
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QString>("line");
        QTest::newRow("403") << QByteArray("HTTP/1.1 403 Forbidden") << "【站点甲】IndexNow密钥无效或密钥文件无法访问";
        QTest::newRow("422") << QByteArray("HTTP/1.1 422 Unprocessable Entity")
                             << "【站点甲】IndexNow拒绝：地址与站点或密钥不符";
        QTest::newRow("429") << QByteArray("HTTP/1.1 429 Too Many Requests") << "【站点甲】IndexNow提交过于频繁，稍后再试";
        QTest::newRow("400") << QByteArray("HTTP/1.1 400 Bad Request") << "【站点甲】IndexNow推送失败：HTTP/1.1 400 Bad Request";
    }

    void indexNowRefusals()
    {
        QFETCH(QByteArray, statusLine);
        QFETCH(QString, line);
        Harness &h = make();
        h.addresses(3);
        h.settings(false, false, true);
        h.indexNow = [&](const Request &) { return Response::status(statusLine); };
        // Too many requests is the one refusal that needs nothing from the user.
        QCOMPARE(h.push->run(0).problems, statusLine.contains("429") ? 0 : 1);
        QCOMPARE(h.log, QStringList({line}));
        QCOMPARE(h.count(), 0);
        QVERIFY(h.waits.isEmpty());
    }

    void foreignHostsStayOutOfIndexNow()
    {
        Harness &h = make();
        h.addresses(2);
        h.addresses(1, 1, QStringLiteral("cdn.other.com"), 3);
        h.settings(false, false, true);
        h.push->run(0);
        const QJsonObject body = QJsonDocument::fromJson(h.server.lastRequest().body).object();
        QCOMPARE(body.value("urlList").toArray().size(), 2);
        QCOMPARE(h.log, QStringList({"https://cdn.other.com/p/3.html----不是本站地址",
                                     "【站点甲】IndexNow：已提交2条"}));
        QCOMPARE(h.rows(), QStringList({"1 indexnow ok", "2 indexnow ok", "3 indexnow not_same_site"}));
    }

    void keyFileAddressWithoutHostSendsAndRecordsNothing()
    {
        Harness &h = make();
        h.addresses(2);
        h.settings(false, false, true);
        {
            TSQLiteDatabase db(h.f.path("database.db"));
            db.ExecSQL("update mrv_orvik_pushsite set indexnowkeylocation='k3y.txt'");
        }
        h.push->run(0);
        QCOMPARE(h.log, QStringList({"【站点甲】IndexNow推送失败：密钥文件地址无效"}));
        QCOMPARE(h.server.requests().size(), 0);
        QCOMPARE(h.count(), 0);
    }

    void sitesInOrderAndSkipped()
    {
        Harness &h = make();
        h.f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/rss.xml','乙','http://b/')");
        h.f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (3,'http://c/rss.xml','丙','http://c/')");
        h.addresses(1, 3, QStringLiteral("www.a.com"), 1);
        h.settings(true, false, false, 1);
        h.settings(true, false, false, 3);
        h.push->run(0);
        QCOMPARE(h.log, QStringList({"【站点甲】没有需要推送的地址", "【乙】未设置推送，跳过",
                                     "【丙】百度推送：成功1条，今日剩余100000条"}));

        h.log.clear();
        h.push->run(9);
        QCOMPARE(h.log, QStringList({"rssid参数错误，进程中止"}));
    }

    // Only a whole count of what was sent, under the channel's own name, tells
    // what the service took; anything else must leave every address due.
    void unrecognisedAnswersRecordNothing_data()
    {
        QTest::addColumn<bool>("daily");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no success") << false << QByteArray(R"({"remain":5})");
        QTest::newRow("success as text") << false << QByteArray(R"({"success":"2","remain":5})");
        QTest::newRow("more than sent") << false << QByteArray(R"({"success":3,"remain":5})");
        QTest::newRow("negative") << false << QByteArray(R"({"success":-1,"remain":5})");
        QTest::newRow("fraction") << false << QByteArray(R"({"success":1.5,"remain":5})");
        QTest::newRow("not json") << false << QByteArray("ok");
        QTest::newRow("daily without its own count") << true << QByteArray(R"({"success":2,"remain_daily":5})");
    }

    void unrecognisedAnswersRecordNothing()
    {
        QFETCH(bool, daily);
        QFETCH(QByteArray, body);
        Harness &h = make();
        h.addresses(2);
        h.settings(true, daily, false);
        h.baidu = [&](const Request &r) {
            return !daily || r.target.contains("type=daily") ? Response::ok(body, "application/json") : takeAll(r);
        };
        QCOMPARE(h.push->run(0).problems, 1);
        QCOMPARE(h.log.last(), daily ? QStringLiteral("【站点甲】百度快速收录失败：无法识别的应答")
                                     : QStringLiteral("【站点甲】百度推送失败：无法识别的应答"));
        QCOMPARE(h.count(daily ? " where channel='baidu_daily'" : ""), 0);
    }

    void anotherProcessPushingRefusesTheRun()
    {
        Harness &h = make();
        h.addresses(1);
        h.settings(true, false, false);
        RunLock other(RunLock::Kind::Push, h.f.path(""));
        QVERIFY(other.tryLock());
        // A lock of another kind is no obstacle.
        RunLock ping(RunLock::Kind::Ping, h.f.path(""));
        QVERIFY(ping.tryLock());
        const PushSummary refused = h.push->run(0);
        QVERIFY(refused.refused);
        QCOMPARE(h.log, QStringList({"另一个程序正在执行批量推送，请稍后再试"}));
        QCOMPARE(h.panels, QStringList({"另一个程序正在执行批量推送，请稍后再试"}));
        QVERIFY(h.server.requests().isEmpty());
        other.unlock();
        h.log.clear();
        QVERIFY(!h.push->run(0).refused);
        QCOMPARE(h.count(), 1);
    }

    void secondPressWhilePushingDoesNothing()
    {
        Harness &h = make();
        h.addresses(1);
        h.settings(true, false, false);
        PushSummary inner{};
        h.baidu = [&](const Request &r) {
            inner = h.push->run(0); // a press during the request
            return takeAll(r);
        };
        h.push->run(0);
        QCOMPARE(h.server.requests().size(), 1);
        QCOMPARE(inner.requestsSent, 0);
        QVERIFY(!h.push->running());
    }

    void siteRemovalDropsPushRows()
    {
        Harness &h = make();
        h.f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/rss.xml','乙','http://b/')");
        h.addresses(2, 1);
        h.addresses(2, 2, QStringLiteral("www.a.com"), 3);
        h.settings(true, false, false, 1);
        h.settings(true, false, false, 2);
        h.push->run(0);
        QCOMPARE(h.count(), 4);

        SiteRemoval::clearSite(QStringLiteral("1"));
        QCOMPARE(h.rows(), QStringList({"3 baidu ok", "4 baidu ok"}));
        SiteRemoval::deleteSite(QStringLiteral("2"));
        QCOMPARE(h.count(), 0);
        TSQLiteDatabase db(h.f.path("database.db"));
        QVERIFY(PushSettings::load(db, 1).has_value());
        QVERIFY(!PushSettings::load(db, 2).has_value());
    }

    void addressDeletedDuringPushIsNotRecorded()
    {
        Harness &h = make();
        h.addresses(2);
        h.settings(true, false, false);
        h.baidu = [&](const Request &r) {
            h.f.exec("delete from mrv_orvik_rssurl where dataid=2");
            return takeAll(r);
        };
        h.push->run(0);
        QCOMPARE(h.rows(), QStringList({"1 baidu ok"}));
    }
};

QTEST_MAIN(tst_BatchPush)
#include "tst_batchpush.moc"
