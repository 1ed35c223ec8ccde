#include "TestDatabase.h"
#include "TestHttpServer.h"
#include "ping/IndexCheck.h"
#include "platform/WebClient.h"
#include "store/SQLiteDatabase.h"

#include <QTemporaryDir>
#include <QtTest>

class TestIndexCheck : public QObject {
    Q_OBJECT
private slots:
    void requestCarriesTheAddressAndTheBrowserAgent_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("plain") << "http://www.a.example/p/1.html" << QByteArray("/s?wd=http://www.a.example/p/1.html");
        QTest::newRow("query kept whole") << "http://a.example/v?a=1&b=2#top"
                                          << QByteArray("/s?wd=http://a.example/v?a=1%26b=2%23top");
        QTest::newRow("percent plus space") << "http://a.example/x y+z%41"
                                            << QByteArray("/s?wd=http://a.example/x%20y%2Bz%2541");
        QTest::newRow("chinese") << "http://a.example/文" << QByteArray("/s?wd=http://a.example/%E6%96%87");
    }

    void requestCarriesTheAddressAndTheBrowserAgent()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, target);
        TestHttpServer server;
        WebClient client;
        client.setContentType(QStringLiteral("text/xml")); // left by an earlier ping
        CheckIndexed(client, server.base(), address);
        const TestHttpServer::Request request = server.lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.target, target);
        QCOMPARE(request.header("User-Agent"), BrowserUserAgent.toUtf8());
        // The agent stays for the next request of the client, a ping included.
        QCOMPARE(client.userAgent(), BrowserUserAgent);
    }

    void boldHostMarksAnIndexedAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<bool>("indexed");
        const QByteArray results = "<html><body><h3>文章</h3><span><b>www.a.example</b>/p/1.html</span></body></html>";
        QTest::newRow("host in bold") << "http://www.a.example/p/1.html" << results << true;
        QTest::newRow("upper-case tags and host")
            << "http://www.a.example/p/1.html" << QByteArray("x<B>WWW.A.Example</B>y") << true;
        QTest::newRow("only the bare domain bold")
            << "http://www.a.example/p/1.html" << QByteArray("<b>a.example</b>") << false;
        QTest::newRow("no marker") << "http://www.a.example/p/1.html" << QByteArray("没有找到") << false;
        QTest::newRow("capital scheme") << "HTTP://www.a.example/p" << results << false;
        QTest::newRow("secure scheme") << "https://www.a.example/p" << results << false;
        QTest::newRow("no path") << "http://www.a.example" << results << true;
        QTest::newRow("port is part of the host")
            << "http://www.a.example:8080/p" << results << false;
        QTest::newRow("utf-8 host") << "http://中文.example/p" << QByteArray("<b>\xe4\xb8\xad\xe6\x96\x87.example</b>")
                                    << true;
    }

    void boldHostMarksAnIndexedAddress()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, page);
        QFETCH(bool, indexed);
        TestHttpServer server([&](const TestHttpServer::Request &) {
            // Whatever the response declares, the page is read as UTF-8.
            return TestHttpServer::Response::ok(page, "text/html; charset=gbk");
        });
        WebClient client;
        QCOMPARE(CheckIndexed(client, server.base(), address), indexed);
    }

    void hostOfAddress()
    {
        QCOMPARE(HostOfAddress("http://h.example/a/b"), QStringLiteral("h.example"));
        QCOMPARE(HostOfAddress("http://h.example"), QStringLiteral("h.example"));
        QCOMPARE(HostOfAddress("https://h.example/a"), QStringLiteral("https:"));
        QCOMPARE(HostOfAddress("see http://h.example/a"), QStringLiteral("see h.example"));
        QVERIFY_THROWS_EXCEPTION(AppError, HostOfAddress(""));
        QVERIFY_THROWS_EXCEPTION(AppError, HostOfAddress("http://"));
    }

    void addressWithoutHostFailsAfterTheRequest()
    {
        TestHttpServer server;
        WebClient client;
        for (const QString &address : {QString(), QStringLiteral("http://")}) {
            const qsizetype before = server.requests().size();
            QVERIFY_THROWS_EXCEPTION(AppError, CheckIndexed(client, server.base(), address));
            QCOMPARE(server.requests().size(), before + 1);
        }
    }

    void verificationPageIsNoAnswer()
    {
        TestHttpServer server([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::ok("<html><head><TITLE>百度安全验证</TITLE></head>"
                                                "<body><b>www.a.example</b></body></html>");
        });
        WebClient client;
        try {
            CheckIndexed(client, server.base(), "http://www.a.example/p");
            QFAIL("no error");
        } catch (const HttpError &e) {
            QCOMPARE(e.message(), VerificationPageMessage);
        }
        // A results page merely mentioning the words in its body still counts.
        server.setHandler([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::ok("<title>结果</title>百度安全验证 <b>www.a.example</b>");
        });
        QVERIFY(CheckIndexed(client, server.base(), "http://www.a.example/p"));
    }

    void failedExchangeRaises()
    {
        TestHttpServer server([](const TestHttpServer::Request &) {
            return TestHttpServer::Response::redirect(302, "http://elsewhere/");
        });
        WebClient client;
        QVERIFY_THROWS_EXCEPTION(HttpError, CheckIndexed(client, server.base(), "http://a/p"));
    }

    void recordingStatements()
    {
        const QString t = QStringLiteral("2026-01-02 03:04:05");
        QCOMPARE(CheckRecordStatement(RecordCaller::Batch, "9", true, t),
                 QStringLiteral("update mrv_orvik_rssurl set isinbaidu='1',checktime='2026-01-02 03:04:05' where dataid=9"));
        QCOMPARE(CheckRecordStatement(RecordCaller::SingleRow, "9", false, t),
                 QStringLiteral("update mrv_orvik_rssurl set isinbaidu='0',checktime='2026-01-02 03:04:05'  where dataid=9"));

        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        QVERIFY(TestDatabase::execRaw(path, "insert into mrv_orvik_rssurl(dataid,url,rssid) values (9,'u',1);"));
        TSQLiteDatabase db(path);
        RecordCheck(db, RecordCaller::SingleRow, "9", true, t);
        const TSQLiteTable row = db.GetTable("select isinbaidu,checktime from mrv_orvik_rssurl");
        QCOMPARE(row.AsString("isinbaidu"), QStringLiteral("1"));
        QCOMPARE(row.AsString("checktime"), t);
    }
};

QTEST_GUILESS_MAIN(TestIndexCheck)
#include "tst_indexcheck.moc"
