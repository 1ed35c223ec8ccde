#include "TestDatabase.h"
#include "TestHttpServer.h"
#include "ping/PingRequest.h"
#include "platform/WebClient.h"
#include "store/SQLiteDatabase.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray expectedBody(const QByteArray &site, const QByteArray &home, const QByteArray &url,
                        const QByteArray &feed)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "\t<methodCall>\r\n"
           "\t<methodName>weblogUpdates.extendedPing</methodName>\r\n"
           "\t<params>\r\n"
           "\t<param><value><string>" + site + "</string></value></param> \r\n"
           "\t<param><value><string>" + home + "</string></value></param> \r\n"
           "\t<param><value><string>" + url + "</string></value></param>\r\n"
           "\t<param><value><string>" + feed + "</string></value></param>\r\n"
           "\t</params>\r\n"
           "\t</methodCall>\r\n";
}

const QByteArray Accepted = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><methodResponse><params><param>"
                            "<value><int>0</int></value></param></params></methodResponse>";

} // namespace

class TestPingRequest : public QObject {
    Q_OBJECT
private slots:
    void postsTheExactCall_data()
    {
        QTest::addColumn<PingValues>("values");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("chinese") << PingValues{"站点甲", "http://a.example/", "http://a.example/p/1.html",
                                               "http://a.example/rss.xml"}
                                 << expectedBody("\xe7\xab\x99\xe7\x82\xb9\xe7\x94\xb2", "http://a.example/",
                                                 "http://a.example/p/1.html", "http://a.example/rss.xml");
        QTest::newRow("empty") << PingValues{} << expectedBody("", "", "", "");
        QTest::newRow("escaped") << PingValues{"A&B <news>", "http://b/", "http://b/?a=1&b=2", "http://b/rss"}
                                 << expectedBody("A&amp;B &lt;news&gt;", "http://b/", "http://b/?a=1&amp;b=2",
                                                 "http://b/rss");
        QTest::newRow("kept as is") << PingValues{" 'q\" ", "\t", "http://c/%20", "x"}
                                    << expectedBody(" 'q\" ", "\t", "http://c/%20", "x");
    }

    void postsTheExactCall()
    {
        QFETCH(PingValues, values);
        QFETCH(QByteArray, body);
        TestHttpServer server([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::ok(Accepted, "text/xml");
        });
        WebClient client;
        QVERIFY(SendPing(client, server.base(), values));
        QCOMPARE(server.requests().size(), 1);
        const TestHttpServer::Request request = server.lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/ping/RPC2"));
        QCOMPARE(request.header("Content-Type"), QByteArray("text/xml"));
        QCOMPARE(request.header("Content-Length"), QByteArray::number(body.size()));
        QCOMPARE(request.header("User-Agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QCOMPARE(request.body, body);
        QVERIFY(!request.body.startsWith("\xef\xbb\xbf"));
        // The content type stays on the client for later requests.
        QCOMPARE(client.contentType(), QStringLiteral("text/xml"));
    }

    void replyDecidesAcceptance_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("marker in a response") << Accepted << true;
        QTest::newRow("bare marker") << QByteArray("<int>0</int>") << true;
        QTest::newRow("fault code 1") << QByteArray("<value><int>1</int></value>") << false;
        QTest::newRow("upper case") << QByteArray("<INT>0</INT>") << false;
        QTest::newRow("spaced") << QByteArray("<int> 0 </int>") << false;
        QTest::newRow("empty") << QByteArray() << false;
        const QByteArray deep = QByteArray("<a>").repeated(1001) + "<int>0</int>" + QByteArray("</a>").repeated(1001);
        QTest::newRow("nested past the bound") << deep << false;
        QTest::newRow("entities past the bound")
            << "<!DOCTYPE v [<!ENTITY e \"" + QByteArray(4000, 'x') + "\">]><v><int>0</int>"
                + QByteArray("&e;").repeated(16384) + "</v>"
            << false;
    }

    void replyDecidesAcceptance()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        TestHttpServer server([&](const TestHttpServer::Request &) { return TestHttpServer::Response::ok(reply); });
        WebClient client;
        QCOMPARE(SendPing(client, server.base(), PingValues{"s", "h", "u", "f"}), accepted);
    }

    void failedExchangeRaises()
    {
        TestHttpServer server([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::status("HTTP/1.1 500 Internal Server Error", "<int>0</int>");
        });
        WebClient client;
        try {
            SendPing(client, server.base(), PingValues{});
            QFAIL("no error");
        } catch (const HttpError &e) {
            QCOMPARE(e.message(), QStringLiteral("HTTP/1.1 500 Internal Server Error"));
        }

        quint16 closedPort = 0;
        {
            TestHttpServer gone;
            closedPort = gone.port();
        }
        QVERIFY_THROWS_EXCEPTION(HttpError,
                                 SendPing(client, QStringLiteral("127.0.0.1:%1").arg(closedPort), PingValues{}));
    }

    void recordingStatementsOfBothCallers()
    {
        const QString t = QStringLiteral("2026-01-02 03:04:05");
        QCOMPARE(PingRecordStatements(RecordCaller::Batch, "7", t),
                 QStringList({"update mrv_orvik_rssurl set firsttime='2026-01-02 03:04:05' where firsttime is "
                              "null and dataid=7",
                              "update mrv_orvik_rssurl set lasttime='2026-01-02 03:04:05' where dataid=7 "}));
        QCOMPARE(PingRecordStatements(RecordCaller::SingleRow, "7", t),
                 QStringList({"update mrv_orvik_rssurl set lasttime='2026-01-02 03:04:05' where dataid=7",
                              "update mrv_orvik_rssurl set firsttime='2026-01-02 03:04:05' where firsttime is "
                              "null and dataid=7"}));
    }

    void recordingTwiceKeepsTheFirstTime()
    {
        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        QVERIFY(!path.isEmpty());
        QVERIFY(TestDatabase::execRaw(path, "insert into mrv_orvik_rssurl(dataid,url,rssid) values (7,'u',1);"
                                            "insert into mrv_orvik_rssurl(dataid,url,rssid) values (8,'v',1);"));
        TSQLiteDatabase db(path);
        RecordPing(db, RecordCaller::Batch, "7", "2026-01-02 03:04:05");
        RecordPing(db, RecordCaller::SingleRow, "7", "2026-01-03 04:05:06");
        TSQLiteTable rows = db.GetTable("select dataid,firsttime,lasttime from mrv_orvik_rssurl order by dataid");
        QCOMPARE(rows.AsString("firsttime"), QStringLiteral("2026-01-02 03:04:05"));
        QCOMPARE(rows.AsString("lasttime"), QStringLiteral("2026-01-03 04:05:06"));
        rows.Next();
        QVERIFY(rows.FieldIsNull(1) && rows.FieldIsNull(2)); // the other address is untouched
    }
};

QTEST_GUILESS_MAIN(TestPingRequest)
#include "tst_pingrequest.moc"
