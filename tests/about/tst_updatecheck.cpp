#include "MainWindowProbe.h"
#include "ProgramFixture.h"
#include "TestHttpServer.h"
#include "about/UpdateCheck.h"
#include "platform/Errors.h"

#include <QFile>
#include <QMainWindow>
#include <QtTest>

using Response = TestHttpServer::Response;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {
// The main window, shown, online, with UpdateUrl pointing at the server.
struct UpdateFixture {
    ProgramFixture f;
    TestHttpServer server;
    QMainWindow *w = nullptr;

    explicit UpdateFixture(Response answer)
    {
        server.setHandler([answer](const TestHttpServer::Request &) { return answer; });
        f.createDatabase();
        f.writeFile("config.ini", "[config]\r\nUpdateUrl=" + server.url("/version.txt").toUtf8() + "\r\n");
        f.settings.hosts.product = QStringLiteral("product.test:8080");
        w = f.createMainWindow();
        w->show();
        f.online = true;
    }
    void check() { w->findChild<QAction *>("N4")->trigger(); }
};

const QString Latest = QStringLiteral("您目前安装的已经是最新版本，版本号是1.0.0 build 29！");
const QString Failed = QStringLiteral("连接更新服务器失败！");
} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void newerVersionsAreOffered_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("next build") << QByteArray("1.0.0.30") << "1.0.0.30";
        QTest::newRow("next release, fewer fields") << QByteArray("1.0.1") << "1.0.1";
        QTest::newRow("wider build number") << QByteArray("1.0.0.100") << "1.0.0.100";
        QTest::newRow("final line break") << QByteArray("1.0.0.30\r\n") << "1.0.0.30";
        QTest::newRow("blanks around") << QByteArray(" \t1.0.0.30 \n") << "1.0.0.30";
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" "2.0.0.0\n") << "2.0.0.0";
    }
    void newerVersionsAreOffered()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        UpdateFixture u(Response::ok(body, "text/plain"));
        u.f.dialogs.answers = {false};
        u.check();
        QCOMPARE(u.f.dialogs.boxes.size(), 1);
        QCOMPARE(u.f.dialogs.boxes[0].kind, QStringLiteral("ask"));
        QCOMPARE(u.f.dialogs.boxes[0].caption, QStringLiteral("更新程序"));
        QCOMPARE(u.f.dialogs.boxes[0].text, QStringLiteral("检测到新版本") + shown + QStringLiteral(",是否现在更新?"));
        // No: nothing opened, the program goes on.
        QVERIFY(u.f.openedAddresses.isEmpty());
        QVERIFY(u.w->isVisible());
        QCOMPARE(u.server.lastRequest().target, QByteArray("/version.txt"));
    }

    void yesOpensTheDownloadPageAndEndsTheProgram()
    {
        UpdateFixture u(Response::ok("1.0.0.30", "text/plain"));
        u.f.dialogs.answers = {true};
        u.check();
        QCOMPARE(u.f.openedAddresses, QStringList({"http://product.test:8080/tool"}));
        QVERIFY(!u.w->isVisible());
    }

    void sameOrOlderVersionsAreReportedCurrent_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("equal") << QByteArray("1.0.0.29");
        QTest::newRow("equal with leading zeros") << QByteArray("1.0.0.029\n");
        QTest::newRow("equal, trailing zero field") << QByteArray("1.0.0.29.0");
        QTest::newRow("older build") << QByteArray("1.0.0.28");
        QTest::newRow("older, fewer fields") << QByteArray("1.0.0");
        // Joining the digits would make this 99999 > 10029.
        QTest::newRow("older major, long fields") << QByteArray("0.9.99.999");
    }
    void sameOrOlderVersionsAreReportedCurrent()
    {
        QFETCH(QByteArray, body);
        UpdateFixture u(Response::ok(body, "text/plain"));
        u.check();
        QCOMPARE(u.f.dialogs.boxes.size(), 1);
        QCOMPARE(u.f.dialogs.boxes[0].kind, QStringLiteral("message"));
        QCOMPARE(u.f.dialogs.boxes[0].text, Latest);
    }

    void anEmptyBodyEndsSilently_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("only a line break") << QByteArray("\r\n");
    }
    void anEmptyBodyEndsSilently()
    {
        QFETCH(QByteArray, body);
        UpdateFixture u(Response::ok(body, "text/plain"));
        u.check();
        QCOMPARE(u.server.requests().size(), 1);
        QVERIFY(u.f.dialogs.boxes.isEmpty());
    }

    void failedRequestsSayTheServerCouldNotBeReached_data()
    {
        QTest::addColumn<Response>("answer");
        QTest::newRow("redirect") << Response::redirect(302, "/elsewhere.txt");
        QTest::newRow("not found") << Response::status("HTTP/1.1 404 Not Found", "1.0.0.30");
        QTest::newRow("server error") << Response::status("HTTP/1.1 500 Internal Server Error");
    }
    void failedRequestsSayTheServerCouldNotBeReached()
    {
        QFETCH(Response, answer);
        UpdateFixture u(answer);
        u.check();
        QCOMPARE(u.f.dialogs.texts(), QStringList({Failed}));
        QCOMPARE(u.server.requests().size(), 1);
    }

    void missingOrBrokenUpdateAddressFails()
    {
        UpdateFixture u(Response::ok("1.0.0.30"));
        u.f.settings.UpdateUrl.clear();
        u.check();
        u.f.settings.UpdateUrl = QStringLiteral("http://127.0.0.1:9/version.txt");
        u.check();
        QCOMPARE(u.f.dialogs.texts(), QStringList({Failed, Failed}));
    }

    void offlineFetchesNothing()
    {
        UpdateFixture u(Response::ok("1.0.0.30"));
        u.f.online = false;
        u.check();
        QCOMPARE(u.f.dialogs.texts(), QStringList({"您的电脑还没有连接到互联网！"}));
        QVERIFY(u.server.requests().isEmpty());
        QVERIFY(!MainWindowProbe::isOnline(u.w));
        // The test is made again each time.
        u.f.online = true;
        u.check();
        QVERIFY(MainWindowProbe::isOnline(u.w));
        QCOMPARE(u.server.requests().size(), 1);
    }

    void usesTheSharedClientAsItStands()
    {
        UpdateFixture u(Response::ok("1.0.0.29"));
        u.check();
        QCOMPARE(u.server.lastRequest().header("User-Agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QCOMPARE(u.server.lastRequest().header("Accept"), QByteArray("text/html, */*"));
        MainWindowProbe::pingClient(u.w).current()->setUserAgent(QStringLiteral("Left by a ping"));
        u.check();
        QCOMPARE(u.server.lastRequest().header("User-Agent"), QByteArray("Left by a ping"));
    }

    void aBodyThatIsNotAVersionIsAConversionError_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::newRow("letters") << QByteArray("version 2") << "''version 2'' is not a valid integer value.";
        QTest::newRow("html page") << QByteArray("<html>1.0</html>") << "''<html>10</html>'' is not a valid integer value.";
        QTest::newRow("empty field") << QByteArray("1..0.30") << "''1030'' is not a valid integer value.";
        QTest::newRow("line inside") << QByteArray("1.0\n0.30") << "''10\n030'' is not a valid integer value.";
    }
    void aBodyThatIsNotAVersionIsAConversionError()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        UpdateFixture u(Response::ok(body));
        u.check();
        QCOMPARE(u.f.dialogs.boxes.size(), 1);
        QCOMPARE(u.f.dialogs.boxes[0].kind, QStringLiteral("error"));
        QCOMPARE(u.f.dialogs.boxes[0].text, error);
    }

    void anUnreadableRunningVersionFailsAfterTheFetch()
    {
        UpdateFixture u(Response::ok("1.0.0.30"));
        QFile::remove(u.f.path("wexly"));
        u.check();
        QCOMPARE(u.server.requests().size(), 1);
        QCOMPARE(u.f.dialogs.textsOf("error"), QStringList({"''?'' is not a valid integer value."}));
    }

    void runningVersionsWithFlagWordsStillCompare()
    {
        QCOMPARE(runningVersionFields("2.1.0 build 7 (debug pre-release)"), QStringList({"2", "1", "0", "7"}));
        QCOMPARE(compareVersionFields(runningVersionFields("1.0.0 build 29 (patched)"), latestVersionFields("1.0.1")), -1);
        QVERIFY_THROWS_EXCEPTION(EConvertError, runningVersionFields("1.0.0 build"));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
