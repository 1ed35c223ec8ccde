#include "platform/Delay.h"
#include "platform/WebClient.h"
#include "support/TestHttpServer.h"

#include <QTcpServer>
#include <QtTest>

using Response = TestHttpServer::Response;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

// Runs the request and returns the error's message, or "no error".
template<typename Call>
QString failureOf(Call call)
{
    try {
        call();
    } catch (const HttpError &error) {
        return error.message();
    }
    return QStringLiteral("no error");
}

// Records the progress callbacks as one line: "begin 10, work 4, work 10, end".
struct ProgressLog {
    QStringList events;
    WebProgress callbacks()
    {
        return {[this](qint64 n) { events << QStringLiteral("begin %1").arg(n); },
                [this](qint64 n) { events << QStringLiteral("work %1").arg(n); },
                [this] { events << QStringLiteral("end"); }};
    }
    QString joined() const { return events.join(QStringLiteral(", ")); }
};

// A client with short limits so that failing tests fail fast.
std::unique_ptr<WebClient> quickClient()
{
    auto client = std::make_unique<WebClient>();
    client->setTransferTimeout(3000);
    return client;
}

} // namespace

class TestWebClient : public QObject {
    Q_OBJECT
private slots:
    void sendsDefaultHeadersAndReturnsBody()
    {
        TestHttpServer server([](const auto &) { return Response::ok("<rss/>", "text/xml"); });
        auto client = quickClient();
        QCOMPARE(client->get(server.url("/feed/rss.xml?a=1&b=%20")), QByteArray("<rss/>"));
        const auto request = server.lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.target, QByteArray("/feed/rss.xml?a=1&b=%20"));
        QCOMPARE(request.header("accept"), QByteArray("text/html, */*"));
        QCOMPARE(request.header("USER-AGENT"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QCOMPARE(request.header("Host"), server.base().toUtf8());
        QCOMPARE(client->lastStatusLine(), QStringLiteral("HTTP/1.1 200 OK"));
    }

    void compressedAnswerArrivesAsSent()
    {
        // A gzip body of 212 bytes: the client asks for none, and one sent
        // anyway reaches the caller as the server sent it, with its size.
        const QByteArray packed("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\xFF\xB3\x29\x2A\x2E\xB6\xAB\x18\x26"
                                "\xC0\x46\x1F\xE4\x1B\x00\xE1\xAB\xEE\x71\xD3\x00\x00\x00", 32);
        TestHttpServer server([&](const auto &) { return Response::ok(packed, "text/xml").header("Content-Encoding", "gzip"); });
        auto client = quickClient();
        ProgressLog log;
        client->setProgress(log.callbacks());
        QCOMPARE(client->get(server.url("/rss.xml")), packed);
        QCOMPARE(server.lastRequest().header("Accept-Encoding"), QByteArray("identity"));
        QCOMPARE(log.joined(), QStringLiteral("begin 32, work 32, end"));
    }

    void userAgentAndContentTypeStayForLaterRequests()
    {
        TestHttpServer server;
        auto client = quickClient();
        client->setUserAgent("Wexly/1.0");
        client->setContentType("text/xml");
        client->post(server.url("/ping"), "<x/>");
        client->get(server.url("/second"));
        QCOMPARE(server.requests().size(), 2);
        for (const auto &request : server.requests())
            QCOMPARE(request.header("User-Agent"), QByteArray("Wexly/1.0"));
        QCOMPARE(server.requests()[0].header("Content-Type"), QByteArray("text/xml"));
        QCOMPARE(server.requests()[1].header("Content-Type"), QByteArray("text/xml"));
    }

    void postSendsBodyBytesExactly()
    {
        TestHttpServer server;
        auto client = quickClient();
        const QByteArray body("<?xml version=\"1.0\"?>\r\n\0\xFF\xFE<methodCall/>", 38);
        client->post(server.url("/RPC2"), body);
        QCOMPARE(server.lastRequest().method, QByteArray("POST"));
        QCOMPARE(server.lastRequest().body, body);
        QCOMPARE(server.lastRequest().header("Content-Length"), QByteArray::number(body.size()));
    }

    void cookiesAreSentBackForTheClientsLife()
    {
        TestHttpServer server([](const TestHttpServer::Request &request) {
            if (request.target == "/login")
                return Response::ok("in").setCookie("session=abc123; Path=/").setCookie("lang=zh; Path=/");
            return Response::ok("page");
        });
        auto client = quickClient();
        client->get(server.url("/login"));
        QVERIFY(!server.lastRequest().hasHeader("Cookie"));
        client->get(server.url("/page"));
        const QByteArray cookie = server.lastRequest().header("Cookie");
        QVERIFY2(cookie.contains("session=abc123") && cookie.contains("lang=zh"), cookie.constData());

        // A fresh client starts without them.
        quickClient()->get(server.url("/page"));
        QVERIFY(!server.lastRequest().hasHeader("Cookie"));
    }

    void statusesOutside2xxFailWithTheStatusLine_data()
    {
        QTest::addColumn<QByteArray>("statusLine");
        QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found");
        QTest::newRow("500") << QByteArray("HTTP/1.1 500 Internal Server Error");
        QTest::newRow("own reason") << QByteArray("HTTP/1.1 403 Go Away Please");
    }
    void statusesOutside2xxFailWithTheStatusLine()
    {
        QFETCH(QByteArray, statusLine);
        TestHttpServer server([&](const auto &) { return Response::status(statusLine, "<html>error page</html>"); });
        auto client = quickClient();
        QCOMPARE(failureOf([&] { client->get(server.url("/missing")); }), QString::fromLatin1(statusLine));
        QCOMPARE(client->lastStatusLine(), QString::fromLatin1(statusLine));
    }

    void redirectsAreNotFollowed_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("301") << 301 << "HTTP/1.1 301 Moved Permanently";
        QTest::newRow("302") << 302 << "HTTP/1.1 302 Found";
        QTest::newRow("307") << 307 << "HTTP/1.1 307 Temporary Redirect";
    }
    void redirectsAreNotFollowed()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        TestHttpServer server([&](const TestHttpServer::Request &request) {
            return request.target == "/old" ? Response::redirect(code, "/new") : Response::ok("new");
        });
        auto client = quickClient();
        QCOMPARE(failureOf([&] { client->get(server.url("/old")); }), message);
        QCOMPARE(server.requests().size(), 1);
    }

    void refusedConnectionIsDescribed()
    {
        quint16 port;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        auto client = quickClient();
        QCOMPARE(failureOf([&] { client->get(QStringLiteral("http://127.0.0.1:%1/").arg(port)); }),
                 QStringLiteral("Connection refused"));
        QVERIFY(client->lastStatusLine().isEmpty());
    }

    void bodiesOfEveryFramingArriveWhole_data()
    {
        QTest::addColumn<Response>("response");
        const QByteArray body = QByteArray("0123456789").repeated(1000);
        QTest::newRow("length") << Response::ok(body).slow(3, 5);
        QTest::newRow("chunked") << Response::ok(body).chunked(4);
        QTest::newRow("close-delimited") << Response::ok(body).closeDelimited().slow(2, 5);
        QTest::newRow("empty") << Response::ok("");
    }
    void bodiesOfEveryFramingArriveWhole()
    {
        QFETCH(Response, response);
        TestHttpServer server([&](const auto &) { return response; });
        auto client = quickClient();
        QCOMPARE(client->get(server.url("/")), response.body);
    }

    // Posts on the client's own low-delay connection: the same request bytes,
    // cookies included, and the same outcome as through the network layer.
    void lowDelayPostsMatchTheNetworkLayer_data()
    {
        QTest::addColumn<Response>("response");
        const QByteArray body = QByteArray("0123456789").repeated(1000);
        QTest::newRow("length") << Response::ok(body).slow(3, 5);
        QTest::newRow("chunked") << Response::ok(body).chunked(4);
        QTest::newRow("close-delimited") << Response::ok(body).closeDelimited();
        QTest::newRow("empty") << Response::ok("");
        QTest::newRow("error status") << Response::status("HTTP/1.1 500 Internal Server Error", "{\"message\":\"x\"}");
        QTest::newRow("cut off") << Response::ok(QByteArray(5000, 'z')).cutOff(1200);
    }
    void lowDelayPostsMatchTheNetworkLayer()
    {
        QFETCH(Response, response);
        TestHttpServer server([&](const auto &) { return Response(response).setCookie("s=1; Path=/"); });
        const auto outcomes = [&](bool lowDelay) {
            auto client = quickClient();
            client->setLowDelayPosts(lowDelay);
            QStringList seen;
            for (const QString &type : {QStringLiteral("text/plain"), QString()}) {
                client->setContentType(type);
                try {
                    const WebAnswer answer = client->postForAnswer(server.url("/urls?site=https://a.b/&t=%20x"),
                                                                   QByteArray(70000, 'u') + "\nend");
                    seen << answer.statusLine << QString::fromLatin1(answer.body);
                } catch (const HttpError &error) {
                    seen << error.message();
                }
            }
            return seen;
        };
        const QStringList expected = outcomes(false);
        const QList<TestHttpServer::Request> viaNetworkLayer = server.requests();
        QCOMPARE(outcomes(true), expected);
        const QList<TestHttpServer::Request> own = server.requests().mid(viaNetworkLayer.size());
        QCOMPARE(own.size(), viaNetworkLayer.size());
        for (qsizetype i = 0; i < own.size(); ++i) {
            QCOMPARE(own[i].method, viaNetworkLayer[i].method);
            QCOMPARE(own[i].target, viaNetworkLayer[i].target);
            QCOMPARE(own[i].headers, viaNetworkLayer[i].headers);
            QVERIFY(own[i].body == viaNetworkLayer[i].body);
        }
    }

    // The own connection keeps no more of a head than a service would send.
    void lowDelayPostRefusesAnEndlessHead()
    {
        TestHttpServer server([](const auto &) { return Response::ok("x").header("X-Big", QByteArray(1 << 20, 'a')); });
        auto client = quickClient();
        client->setLowDelayPosts(true);
        QCOMPARE(failureOf([&] { client->post(server.url("/"), "x"); }),
                 QStringLiteral("Response header larger than 65536 bytes"));
    }

    void progressReportsAnnouncedSizeAndRunningTotals()
    {
        TestHttpServer server([](const auto &) { return Response::ok(QByteArray(3000, 'x')).slow(3, 60); });
        auto client = quickClient();
        ProgressLog log;
        client->setProgress(log.callbacks());
        client->get(server.url("/"));
        QCOMPARE(log.events.first(), QStringLiteral("begin 3000"));
        QCOMPARE(log.events.last(), QStringLiteral("end"));
        QCOMPARE(log.events.count("end"), 1);
        // Three pieces: at least two reports even if a busy machine reads two at once.
        QVERIFY2(log.events.size() >= 4, qPrintable(log.joined()));
        QCOMPARE(log.events[log.events.size() - 2], QStringLiteral("work 3000"));
        qint64 previous = 0;
        for (const QString &event : log.events.mid(1, log.events.size() - 2)) {
            const qint64 total = event.section(' ', 1).toLongLong();
            QVERIFY2(event.startsWith("work ") && total > previous, qPrintable(log.joined()));
            previous = total;
        }
    }

    void progressWithoutAnnouncedSizeBeginsAtZero()
    {
        TestHttpServer server([](const auto &) { return Response::ok(QByteArray(2000, 'y')).chunked(2); });
        auto client = quickClient();
        ProgressLog log;
        client->setProgress(log.callbacks());
        client->get(server.url("/"));
        QCOMPARE(log.events.first(), QStringLiteral("begin 0"));
        QCOMPARE(log.events.mid(log.events.size() - 2), QStringList({"work 2000", "end"}));
    }

    void cutOffBodyFailsWithSuccessLineAndEnds()
    {
        TestHttpServer server([](const auto &) { return Response::ok(QByteArray(5000, 'z')).cutOff(1200); });
        auto client = quickClient();
        ProgressLog log;
        client->setProgress(log.callbacks());
        QCOMPARE(failureOf([&] { client->get(server.url("/")); }), QStringLiteral("HTTP/1.1 200 OK"));
        QCOMPARE(log.events.first(), QStringLiteral("begin 5000"));
        QCOMPARE(log.events.last(), QStringLiteral("end"));
        QCOMPARE(log.events.count("end"), 1);
    }

    void silentServerTimesOut()
    {
        TestHttpServer server([](const auto &) { return Response::never(); });
        WebClient client;
        client.setTransferTimeout(150);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(failureOf([&] { client.get(server.url("/")); }), QStringLiteral("Read timed out"));
        QVERIFY2(clock.elapsed() >= 140 && clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    void stalledBodyTimesOutButSlowProgressDoesNot()
    {
        TestHttpServer server([](const TestHttpServer::Request &request) {
            if (request.target == "/stalled")
                return Response::ok(QByteArray(100, 'a')).slow(2, 5000);
            return Response::ok(QByteArray(400, 'b')).slow(4, 80); // 320 ms in all
        });
        WebClient client;
        // Well above the gaps between the slow chunks, so a busy machine still passes.
        client.setTransferTimeout(500);
        QCOMPARE(client.get(server.url("/slow")).size(), 400);
        QCOMPARE(failureOf([&] { client.get(server.url("/stalled")); }), QStringLiteral("Read timed out"));
    }

    void tricklingAnswerEndsAtTheDeadline()
    {
        // A byte every 100 ms never stalls, yet the whole answer takes 3 s.
        TestHttpServer server([](const auto &) { return Response::ok(QByteArray(30, 't')).slow(30, 100); });
        WebClient client;
        client.setTransferTimeout(1000);
        client.setAnswerDeadline(600);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(failureOf([&] { client.post(server.url("/"), "x"); }), QStringLiteral("应答超时"));
        QVERIFY2(clock.elapsed() >= 590 && clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        // The deadline covers each request anew.
        server.setHandler([](const auto &) { return Response::ok("done").slow(2, 100); });
        QCOMPARE(client.get(server.url("/")), QByteArray("done"));
        // Posts on the client's own connection keep it too.
        server.setHandler([](const auto &) { return Response::ok(QByteArray(30, 't')).slow(30, 100); });
        client.setLowDelayPosts(true);
        QCOMPARE(failureOf([&] { client.post(server.url("/"), "x"); }), QStringLiteral("应答超时"));
    }

    void bodyOverTheCapFails_data()
    {
        QTest::addColumn<Response>("response");
        QTest::newRow("announced") << Response::ok(QByteArray(4096, 'c'));
        QTest::newRow("chunked") << Response::ok(QByteArray(4096, 'c')).chunked(4);
    }
    void bodyOverTheCapFails()
    {
        QFETCH(Response, response);
        TestHttpServer server([&](const auto &) { return response; });
        auto client = quickClient();
        client->setMaxBodySize(1024);
        ProgressLog log;
        client->setProgress(log.callbacks());
        QCOMPARE(failureOf([&] { client->get(server.url("/")); }),
                 QStringLiteral("Response body larger than 1024 bytes"));
        // Every end has its begin.
        QVERIFY2(log.events.first().startsWith(QLatin1String("begin ")), qPrintable(log.joined()));
        QCOMPARE(log.events.count("end"), 1);
        client->setProgress({});
        client->setMaxBodySize(4096);
        QCOMPARE(client->get(server.url("/")).size(), 4096);
    }

    void closeConnectionOpensANewOne()
    {
        TestHttpServer server;
        auto client = quickClient();
        client->get(server.url("/1"));
        client->get(server.url("/2"));
        QCOMPARE(server.connectionCount(), 1);
        client->closeConnection();
        client->get(server.url("/3"));
        QCOMPARE(server.connectionCount(), 2);
    }

    void closeConnectionDuringAWaitLetsTheRequestFinish()
    {
        TestHttpServer server([](const TestHttpServer::Request &request) {
            if (request.target == "/slow")
                return Response::ok("whole").slow(2, 100);
            return Response::ok("next");
        });
        auto client = quickClient();
        QTimer::singleShot(30, [&] { client->closeConnection(); });
        QCOMPARE(client->get(server.url("/slow")), QByteArray("whole"));
        QCOMPARE(client->get(server.url("/next")), QByteArray("next"));
        QCOMPARE(server.connectionCount(), 2);
    }

    void eventsAreDispatchedWhileWaiting()
    {
        TestHttpServer server([](const auto &) { return Response::ok("late").slow(2, 120); });
        auto client = quickClient();
        bool fired = false;
        QTimer::singleShot(30, [&] { fired = true; });
        QCOMPARE(client->get(server.url("/")), QByteArray("late"));
        QVERIFY(fired);
    }

    void replacingTheSharedClientDuringAWaitKeepsTheOldOne()
    {
        TestHttpServer server([](const TestHttpServer::Request &request) {
            if (request.target == "/slow")
                return Response::ok("old done").setCookie("who=old; Path=/").slow(2, 100);
            return Response::ok("fresh");
        });
        SharedWebClient shared;
        std::weak_ptr<WebClient> oldClient = shared.current();
        shared.current()->setUserAgent("Custom");
        QByteArray freshAnswer;
        QTimer::singleShot(40, [&] {
            shared.replace(); // from inside the old client's wait
            freshAnswer = shared.current()->get(server.url("/other"));
        });
        QByteArray oldAnswer;
        {
            const std::shared_ptr<WebClient> client = shared.current();
            oldAnswer = client->get(server.url("/slow"));
            QCOMPARE(client->lastStatusLine(), QStringLiteral("HTTP/1.1 200 OK"));
        }
        QCOMPARE(oldAnswer, QByteArray("old done"));
        QCOMPARE(freshAnswer, QByteArray("fresh"));
        QVERIFY(oldClient.expired()); // released once its caller let go
        // The fresh client has default settings and none of the old cookies.
        shared.current()->get(server.url("/check"));
        QCOMPARE(server.lastRequest().header("User-Agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QVERIFY(!server.lastRequest().hasHeader("Cookie"));
    }
};

QTEST_GUILESS_MAIN(TestWebClient)
#include "tst_webclient.moc"
