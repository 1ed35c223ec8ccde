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
        QTest::newRow("capital scheme") << "HTTP://www.a.example/p" << results << true;
        QTest::newRow("secure scheme") << "https://www.a.example/p" << results << true;
        QTest::newRow("capital secure scheme") << "HtTpS://www.a.example/p" << results << true;
        QTest::newRow("no path") << "http://www.a.example" << results << true;
        QTest::newRow("port is part of the host")
            << "http://www.a.example:8080/p" << results << false;
        QTest::newRow("secure with its port")
            << "https://www.a.example:8443/p" << QByteArray("<b>www.a.example:8443</b>") << true;
        QTest::newRow("emphasis") << "https://www.a.example/p" << QByteArray("<em>www.a.example</em>/p") << true;
        QTest::newRow("upper-case emphasis")
            << "http://www.a.example/p" << QByteArray("<EM>WWW.A.EXAMPLE</EM>") << true;
        QTest::newRow("only the bare domain emphasised")
            << "https://www.a.example/p" << QByteArray("<em>a.example</em>") << false;
        QTest::newRow("emphasis opened, bold closed")
            << "http://www.a.example/p" << QByteArray("<em>www.a.example</b>") << false;
        // The engine's own "no" wins over the same host highlighted below it.
        QTest::newRow("no such address notice")
            << "http://www.a.example/p"
            << QByteArray("<p>没有找到该URL。您可以直接访问</p><em>www.a.example</em>") << false;
        QTest::newRow("no such address notice, other letter case")
            << "http://www.a.example/p" << QByteArray("没有找到该url <b>www.a.example</b>") << false;
        QTest::newRow("nothing related notice")
            << "https://www.a.example/p"
            << QByteArray("很抱歉，没有找到与“https://www.a.example/p”相关的网页。<b>www.a.example</b>") << false;
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
        QCOMPARE(HostOfAddress("https://h.example/a"), QStringLiteral("h.example"));
        QCOMPARE(HostOfAddress("HTTPS://h.example:8443/a"), QStringLiteral("h.example:8443"));
        QCOMPARE(HostOfAddress("Http://h.example:80"), QStringLiteral("h.example:80"));
        QCOMPARE(HostOfAddress("see http://h.example/a"), QStringLiteral("see h.example"));
        // Only the first scheme goes, whichever comes first.
        QCOMPARE(HostOfAddress("https://h.example/http://x/"), QStringLiteral("h.example"));
        QCOMPARE(HostOfAddress("http://https://h.example/"), QStringLiteral("https:"));
        QCOMPARE(HostOfAddress("ftp://h.example/a"), QStringLiteral("ftp:"));
        QVERIFY_THROWS_EXCEPTION(AppError, HostOfAddress(""));
        QVERIFY_THROWS_EXCEPTION(AppError, HostOfAddress("http://"));
        QVERIFY_THROWS_EXCEPTION(AppError, HostOfAddress("HTTPS://"));
    }

    void addressWithoutHostFailsAfterTheRequest()
    {
        TestHttpServer server;
        WebClient client;
        for (const QString &address : {QString(), QStringLiteral("http://"), QStringLiteral("https://")}) {
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
        } catch (const VerificationPageError &e) {
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

    void firstSeenIndexedIsWrittenOnceAndOnlyForIndexedAnswers()
    {
        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        QVERIFY(TestDatabase::execRaw(path, "insert into mrv_orvik_rssurl(dataid,url,rssid) values (9,'u',1);"
                                            "insert into mrv_orvik_rssurl(dataid,url,rssid) values (10,'v',1);"));
        TSQLiteDatabase db(path);
        const auto firstSeen = [&](const QString &id) {
            const TSQLiteTable t = db.GetTable("select firstseen from mrv_orvik_indexed where dataid=" + id);
            return t.Count() == 0 ? QStringLiteral("(none)") : t.FieldAsString(0);
        };
        // Not indexed: the table need not even exist yet.
        RecordCheck(db, RecordCaller::Batch, "9", false, "2026-01-01 00:00:00");
        QCOMPARE(db.GetTable("select count(*) from sqlite_master where name='mrv_orvik_indexed'").FieldAsInteger(0), 0);

        RecordCheck(db, RecordCaller::Batch, "9", true, "2026-01-02 00:00:00");
        RecordCheck(db, RecordCaller::SingleRow, "10", true, "2026-01-03 00:00:00");
        QCOMPARE(firstSeen("9"), QStringLiteral("2026-01-02 00:00:00"));
        QCOMPARE(firstSeen("10"), QStringLiteral("2026-01-03 00:00:00"));
        // Later checks, indexed or not, leave the first time alone.
        RecordCheck(db, RecordCaller::SingleRow, "9", true, "2026-02-01 00:00:00");
        RecordCheck(db, RecordCaller::Batch, "9", false, "2026-02-02 00:00:00");
        RecordCheck(db, RecordCaller::Batch, "9", true, "2026-02-03 00:00:00");
        QCOMPARE(firstSeen("9"), QStringLiteral("2026-01-02 00:00:00"));
        QCOMPARE(db.GetTable("select checktime from mrv_orvik_rssurl where dataid=9").FieldAsString(0),
                 QStringLiteral("2026-02-03 00:00:00"));
        QCOMPARE(db.GetTable("select count(*) from mrv_orvik_indexed").FieldAsInteger(0), 2);
    }

    void aFailedFirstSeenWriteTakesTheAnswerBackWithIt()
    {
        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        // A table of that name without the columns: the insert fails.
        QVERIFY(TestDatabase::execRaw(path, "insert into mrv_orvik_rssurl(dataid,url,rssid,isinbaidu) values (9,'u',1,'0');"
                                            "create table mrv_orvik_indexed (other text);"));
        TSQLiteDatabase db(path);
        QVERIFY_THROWS_EXCEPTION(ESQLiteException, RecordCheck(db, RecordCaller::Batch, "9", true, "2026-01-02 00:00:00"));
        const TSQLiteTable row = db.GetTable("select isinbaidu,checktime from mrv_orvik_rssurl");
        QCOMPARE(row.AsString("isinbaidu"), QStringLiteral("0"));
        QCOMPARE(row.AsString("checktime"), QString());
        // The connection is usable again: no transaction was left open.
        RecordCheck(db, RecordCaller::Batch, "9", false, "2026-01-02 00:00:00");
    }
};

QTEST_GUILESS_MAIN(TestIndexCheck)
#include "tst_indexcheck.moc"
