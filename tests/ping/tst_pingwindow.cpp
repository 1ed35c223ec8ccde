#include "MainWindowProbe.h"
#include "ProgramFixture.h"
#include "TestHttpServer.h"
#include "common/mrv_fun.h"
#include "ping/IndexCheck.h"
#include "store/SQLiteDatabase.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString recent()
{
    return FormatTimestamp(QDateTime::currentDateTime().addSecs(-600));
}

// Pings are accepted unless the body says "reject" or "fail"; search pages show
// hosts named "in.*" in bold.
TestHttpServer::Response answer(const TestHttpServer::Request &request)
{
    if (request.method == "POST") {
        if (request.body.contains("fail"))
            return TestHttpServer::Response::status("HTTP/1.1 500 Internal Server Error");
        return TestHttpServer::Response::ok(request.body.contains("reject") ? "<int>1</int>" : "<int>0</int>");
    }
    return TestHttpServer::Response::ok(request.target.contains("//in.") ? "<b>in.a</b>" : "nothing");
}

struct Window {
    Window()
    {
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','http://a/')");
        f.settings.hosts.ping = server.base();
        f.settings.hosts.baidu = server.base();
        w = f.createMainWindow();
        list = w->findChild<QTreeWidget *>("GlobalData");
        memo = w->findChild<QPlainTextEdit *>("Memo1");
        pause = w->findChild<QPushButton *>("btnPause");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    // A list row as the address list shows it.
    QTreeWidgetItem *row(const QString &dataid, const QString &url, const QString &rssid,
                         const QString &checktime = {}, const QString &lasttime = {})
    {
        f.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,url,rssid) values (%1,'%2',%3)")
                   .arg(dataid, url, rssid));
        auto *item = new QTreeWidgetItem(QStringList{dataid, "标题", url, rssid, "×", checktime, lasttime, lasttime});
        list->addTopLevelItem(item);
        return item;
    }

    // A left double click on the item's row or, without an item, below the rows.
    void doubleClick(QTreeWidgetItem *item = nullptr)
    {
        const QPoint at = item ? list->visualItemRect(item).center() : QPoint(5, list->viewport()->height() - 3);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    QString column(const QString &dataid, const QString &name)
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        return db.GetTable("select " + name + " from mrv_orvik_rssurl where dataid=" + dataid).FieldAsString(0);
    }

    ProgramFixture f;
    TestHttpServer server{answer};
    QMainWindow *w = nullptr;
    QTreeWidget *list = nullptr;
    QPlainTextEdit *memo = nullptr;
    QPushButton *pause = nullptr;
};

} // namespace

class TestPingWindow : public QObject {
    Q_OBJECT
private slots:
    void buttonsRunThroughTheWindow()
    {
        Window x;
        x.row("1", "http://in.a/1", "1");
        x.row("2", "http://out.a/2", "1");
        x.w->findChild<QLabel *>("lblRssid")->setText("1");
        x.w->findChild<QPushButton *>("btnPING")->click();
        QCOMPARE(x.w->findChild<QTabWidget *>("PageControl1")->currentWidget()->objectName(),
                 QStringLiteral("PCStatus"));
        QCOMPARE(x.memo->toPlainText(), QStringLiteral("http://out.a/2----PING成功\nhttp://in.a/1----PING成功"));
        QCOMPARE(MainWindowProbe::messagePanel(x.w), QStringLiteral("进度：2/2"));
        QCOMPARE(x.pause->text(), QStringLiteral("暂停Ping0"));

        x.memo->clear();
        x.w->findChild<QPushButton *>("btnCheckInBaidu")->click();
        QCOMPARE(x.memo->toPlainText(),
                 QStringLiteral("http://out.a/2----未收录\nhttp://in.a/1----恭喜，此地址被百度收录"));
        QCOMPARE(x.pause->text(), QStringLiteral("暂停检测"));

        // The pause button now acts on the check; an idle check pauses and resumes.
        x.pause->click();
        QCOMPARE(x.pause->text(), QStringLiteral("继续检测"));
        x.memo->appendPlainText("old");
        x.w->findChild<QPushButton *>("btnCheckInBaidu")->click(); // while paused: clears, parks at row 0
        QCOMPARE(x.memo->toPlainText(), QString());
        x.pause->click();
        QCOMPARE(x.memo->toPlainText().count(u'\n'), 1); // both rows, checked within the day now
        QVERIFY(x.f.dialogs.boxes.isEmpty());
    }

    void runErrorShowsTheErrorBox()
    {
        Window x;
        x.row("1", "http://in.a/fail", "1");
        x.w->findChild<QPushButton *>("btnPING")->click();
        QCOMPARE(x.f.dialogs.textsOf("error"), QStringList({"HTTP/1.1 500 Internal Server Error."}));
    }

    void singleRowNeedsRowsAndASelection()
    {
        Window x;
        x.doubleClick(); // the empty list answers too
        x.row("1", "http://in.a/1", "1");
        x.doubleClick(); // beside the rows: nothing selected
        QCOMPARE(x.f.dialogs.textsOf("message"), QStringList({"没有记录，请先查询", "没有选中记录"}));
        QVERIFY(x.server.requests().isEmpty());
    }

    void singleRowWithinTheDayDoesNothing()
    {
        Window x;
        QTreeWidgetItem *item = x.row("1", "http://in.a/1", "1", recent(), recent());
        item->setSelected(true);
        x.doubleClick(item);
        QCOMPARE(x.f.dialogs.textsOf("message"),
                 QStringList({"一天之内已经PING成功，不重复PING了", "一天之内检测过收录，不重复检测了"}));
        QVERIFY(x.server.requests().isEmpty());
    }

    void singleRowPingsAndChecks()
    {
        Window x;
        x.row("1", "http://in.a/1", "1");
        QTreeWidgetItem *item = x.row("2", "http://in.a/2", "1");
        item->setSelected(true);
        const auto before = MainWindowProbe::pingClient(x.w).current();
        x.doubleClick(item);
        QCOMPARE(x.f.dialogs.textsOf("message"), QStringList({"PING成功", "恭喜，此地址已经被百度收录"}));
        QCOMPARE(x.server.requests().size(), 2);
        const TestHttpServer::Request ping = x.server.requests()[0];
        const TestHttpServer::Request check = x.server.requests()[1];
        QCOMPARE(ping.method, QByteArray("POST"));
        QVERIFY(ping.body.contains("<string>站点甲</string></value></param> \r\n"
                                   "\t<param><value><string>http://a/</string></value></param> \r\n"
                                   "\t<param><value><string>http://in.a/2</string>"));
        QCOMPARE(check.target, QByteArray("/s?wd=http://in.a/2"));
        QCOMPARE(check.header("User-Agent"), BrowserUserAgent.toUtf8());
        // A fresh client after each request: the check did not carry the ping's content type.
        QVERIFY(!check.hasHeader("Content-Type"));
        QVERIFY(MainWindowProbe::pingClient(x.w).current() != before);
        QCOMPARE(MainWindowProbe::pingClient(x.w).current()->userAgent(), QStringLiteral("Mozilla/3.0 (compatible; Indy Library)"));

        QVERIFY(!x.column("2", "lasttime").isEmpty());
        QCOMPARE(x.column("2", "firsttime"), x.column("2", "lasttime"));
        QCOMPARE(x.column("2", "isinbaidu"), QStringLiteral("1"));
        QVERIFY(!x.column("2", "checktime").isEmpty());
        QCOMPARE(x.column("1", "lasttime"), QString());
        // The list is not refilled: the row still shows its old cells.
        QCOMPARE(item->text(4), QStringLiteral("×"));
        QCOMPARE(item->text(7), QString());

        // The decision reads the times the list shows, so a second click goes again.
        const QString firstCheck = x.column("2", "checktime");
        x.doubleClick(item);
        QCOMPARE(x.server.requests().size(), 4);
        // The first time seen indexed stays that of the first check.
        TSQLiteDatabase db(QStringLiteral("database.db"));
        const TSQLiteTable seen = db.GetTable("select dataid,firstseen from mrv_orvik_indexed");
        QCOMPARE(seen.Count(), 1);
        QCOMPARE(seen.FieldAsString(0), QStringLiteral("2"));
        QCOMPARE(seen.FieldAsString(1), firstCheck);
    }

    void singleRowRecordsARejectedPingAndSendsWithoutSiteRow()
    {
        Window x;
        QTreeWidgetItem *item = x.row("3", "http://out.a/reject", "8", QString(), QString());
        x.f.exec("update mrv_orvik_rssurl set firsttime='2020-02-02 00:00:00' where dataid=3");
        item->setSelected(true);
        x.doubleClick(item);
        QCOMPARE(x.f.dialogs.textsOf("message"), QStringList({"很遗憾，此地址没有被百度收录"}));
        QVERIFY(x.server.requests()[0].body.contains("\t<param><value><string></string></value></param> \r\n"
                                                     "\t<param><value><string></string></value></param> \r\n"));
        QCOMPARE(x.column("3", "firsttime"), QStringLiteral("2020-02-02 00:00:00"));
        QVERIFY(WithinOneDay(x.column("3", "lasttime"), QDateTime::currentDateTime()));
        QCOMPARE(x.column("3", "isinbaidu"), QStringLiteral("0"));
    }

    void singleRowStopsAtAFailedPingOrABadTime()
    {
        Window x;
        QTreeWidgetItem *item = x.row("4", "http://in.a/fail", "1");
        item->setSelected(true);
        x.doubleClick(item);
        QCOMPARE(x.f.dialogs.textsOf("error"), QStringList({"HTTP/1.1 500 Internal Server Error."}));
        QVERIFY(x.f.dialogs.textsOf("message").isEmpty());
        QCOMPARE(x.server.requests().size(), 1); // no check after the failed ping
        QCOMPARE(x.column("4", "lasttime"), QString());

        // A bad check time stops the action before the ping, though the ping is due.
        item->setText(2, "http://in.a/4");
        item->setText(5, "bald");
        x.doubleClick(item);
        QCOMPARE(x.f.dialogs.textsOf("error").size(), 2);
        QCOMPARE(x.server.requests().size(), 1);
    }

    void singleRowInsideABatchRunLeavesTheRunsClient()
    {
        Window x;
        x.row("1", "http://in.a/1", "1");
        QTreeWidgetItem *item = x.row("2", "http://in.a/2", "1", recent());
        item->setSelected(true);
        // The batch's first ping is answered slowly; the double click comes meanwhile.
        x.server.setHandler([](const TestHttpServer::Request &request) {
            TestHttpServer::Response response = answer(request);
            if (request.method == "POST" && request.header("User-Agent").contains("Indy"))
                response.slow(2, 60);
            return response;
        });
        QTimer::singleShot(20, [&] { x.doubleClick(item); });
        x.w->findChild<QPushButton *>("btnPING")->click();
        QVERIFY(x.f.dialogs.textsOf("error").isEmpty());
        // The single row's ping went out while the batch still waited on its first.
        QCOMPARE(x.server.requests().size(), 3);
        QVERIFY(x.server.requests()[2].body.contains("http://in.a/1"));
        QCOMPARE(x.f.dialogs.textsOf("message"), QStringList({"PING成功", "一天之内检测过收录，不重复检测了"}));
        QCOMPARE(x.memo->toPlainText(), QStringLiteral("http://in.a/2----PING成功\nhttp://in.a/1----PING成功"));
    }

    void singleRowCheckDuringABatchPingLeavesItsRequestAlone()
    {
        Window x;
        x.row("1", "http://in.a/1", "1");
        QTreeWidgetItem *item = x.row("2", "http://in.a/2", "1", QString(), recent());
        item->setSelected(true);
        // The batch's ping is still arriving when the single row's check is done
        // and its client replaced.
        x.server.setHandler([](const TestHttpServer::Request &request) {
            TestHttpServer::Response response = answer(request);
            if (request.method == "POST")
                response.slow(5, 80);
            return response;
        });
        QTimer::singleShot(30, [&] { x.doubleClick(item); });
        x.w->findChild<QPushButton *>("btnPING")->click();
        QCOMPARE(x.f.dialogs.textsOf("error"), QStringList());
        QCOMPARE(x.f.dialogs.textsOf("message"),
                 QStringList({"一天之内已经PING成功，不重复PING了", "恭喜，此地址已经被百度收录"}));
        QCOMPARE(x.memo->toPlainText(), QStringLiteral("http://in.a/2----PING成功\nhttp://in.a/1----PING成功"));
    }
};

QTEST_MAIN(TestPingWindow)
#include "tst_pingwindow.moc"
