#include "app/ui/TMainFrm.h"
#include "app/ui/LinkRowDelegate.h"
#include "audit/AuditRun.h"
#include "audit/AuditStore.h"
#include "audit/ui/AuditMarks.h"
#include "audit/ui/TfrmAudit.h"
#include "store/SiteRemoval.h"
#include "support/ProgramFixture.h"
#include "support/StoreRows.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Response = TestHttpServer::Response;

class TestAuditRun : public QObject {
    Q_OBJECT
private slots:
    void recordsSkipsPausesAndGoesWithTheSite();
    void windowSummaryListExportAndMarks();
};

namespace {

// Site 1: a page that is fine and one that is gone; site 2: one fine page.
void fillStore(ProgramFixture &f, const TestHttpServer &server)
{
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'r1','甲'),(2,'r2','乙')");
    f.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'%1'),(2,1,'%2'),(3,2,'%3')")
               .arg(server.url("/ok1"), server.url("/gone"), server.url("/ok2")));
}

Response answer(const TestHttpServer::Request &request)
{
    if (request.target == "/gone" || request.target == "/robots.txt")
        return Response::status("HTTP/1.1 404 Not Found");
    return Response::ok("<html><head><title>t</title></head></html>");
}

} // namespace

void TestAuditRun::recordsSkipsPausesAndGoesWithTheSite()
{
    ProgramFixture f;
    TestHttpServer server(answer);
    fillStore(f, server);
    f.settings.auditSleep = 0;
    QStringList log;
    QString panel;
    RunWindow window;
    window.appendStatusLog = [&](const QString &line) { log << line; };
    window.setMessagePanel = [&](const QString &text) { panel = text; };
    AuditRun run(window, f.settings);
    // Paused during the first wait: the walk stops before the next address.
    int waits = 0;
    run.setWait([&](qint32) {
        if (++waits == 1)
            run.pauseOrResume();
    });
    AuditTotals totals = run.start(0);
    QCOMPARE(totals.audited, 1);
    QVERIFY(run.paused());
    totals = run.pauseOrResume();
    QCOMPARE(totals.audited, 2);
    QCOMPARE(totals.withProblems, 1);
    QCOMPARE(log, QStringList({server.url("/ok2") + "----正常", server.url("/gone") + "----页面返回404",
                               server.url("/ok1") + "----正常"}));
    QCOMPARE(panel, QStringLiteral("诊断进度：3/3"));
    const QStringList rows = storeRows(f.path("database.db"),
                                       "select dataid,httpstatus,finalurl,problems,ok from mrv_orvik_audit order by dataid");
    QCOMPARE(rows, QStringList({"1|200|" + server.url("/ok1") + "|正常|1", "2|404|" + server.url("/gone") + "|页面返回404|0",
                                "3|200|" + server.url("/ok2") + "|正常|1"}));

    // Within a day nothing is asked again, and nothing is waited for.
    const qsizetype requests = server.requests().size();
    log.clear();
    waits = 0;
    totals = run.start(1);
    QCOMPARE(totals.audited, 0);
    QCOMPARE(server.requests().size(), requests);
    QCOMPARE(waits, 0);
    QCOMPARE(log, QStringList({server.url("/gone") + "----一天内诊断过，不重复诊断",
                               server.url("/ok1") + "----一天内诊断过，不重复诊断"}));

    QCOMPARE(AuditStore::summary(0), (QList<QPair<QString, int>>{{"页面返回404", 1}, {"正常", 2}}));
    SiteRemoval::clearSite("1");
    QCOMPARE(storeRows(f.path("database.db"), "select dataid from mrv_orvik_audit"), QStringList{"3"});
    SiteRemoval::deleteSite("2");
    QVERIFY(storeRows(f.path("database.db"), "select dataid from mrv_orvik_audit").isEmpty());
}

void TestAuditRun::windowSummaryListExportAndMarks()
{
    ProgramFixture f;
    TestHttpServer server(answer);
    fillStore(f, server);
    f.writeFile("config.ini", "[config]\r\nauditSleep=0\r\n");
    const QString csv = f.path("audit.csv");
    f.context.chooseSaveFile = [&](const QString &, const QString &, const QString &) { return csv; };
    TMainFrm *main = f.createWindows();
    main->show();
    main->findChild<QLabel *>("lblRssid")->setText("1");
    main->findChild<QAction *>("NAudit")->trigger();
    auto *audit = main->findChild<TfrmAudit *>();
    QVERIFY(audit && audit->isVisible());
    QCOMPARE(audit->windowTitle(), QStringLiteral("收录诊断"));
    QCOMPARE(audit->site(), qint64(1));
    QTest::mouseClick(audit->findChild<QPushButton *>("btnStart"), Qt::LeftButton);
    QCOMPARE(main->messagePanel(), QStringLiteral("诊断进度：2/2"));
    QVERIFY(f.dialogs.boxes.isEmpty());

    auto *summary = audit->findChild<QTableWidget *>("gridSummary");
    auto *addresses = audit->findChild<QTableWidget *>("gridAddresses");
    QCOMPARE(summary->rowCount(), 2);
    QCOMPARE(summary->item(0, 0)->text() + summary->item(0, 1)->text(), QStringLiteral("页面返回4041"));
    QCOMPARE(summary->item(1, 0)->text(), QStringLiteral("正常"));
    QCOMPARE(addresses->rowCount(), 1);
    QCOMPARE(addresses->item(0, 1)->text(), server.url("/gone"));
    QCOMPARE(addresses->item(0, 2)->text(), QStringLiteral("404"));
    summary->selectRow(1);
    QCOMPARE(addresses->rowCount(), 1);
    QCOMPARE(addresses->item(0, 0)->text(), QStringLiteral("1"));

    QTest::mouseClick(audit->findChild<QPushButton *>("btnExport"), Qt::LeftButton);
    const QList<QByteArray> lines = f.readFile("audit.csv").split('\n');
    QCOMPARE(lines.value(0), QByteArray("\xEF\xBB\xBF编号,地址,状态码,最终地址,问题,诊断时间\r"));
    QVERIFY(lines.value(1).startsWith("2," + server.url("/gone").toUtf8() + ",404,"));
    QCOMPARE(main->messagePanel(), QStringLiteral("导出完成：2条"));

    // The list marks the address with problems, and only that one.
    QTest::mouseClick(main->findChild<QPushButton *>("getdata"), Qt::LeftButton);
    auto *list = main->findChild<QTreeWidget *>("GlobalData");
    QCOMPARE(list->topLevelItemCount(), 2); // the site filter's site
    for (int i = 0; i < 2; ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        const bool gone = row->text(0) == QLatin1String("2");
        QCOMPARE(row->toolTip(2), gone ? QStringLiteral("页面返回404") : QString());
        const QModelIndex number = list->model()->index(i, 0);
        QCOMPARE(LinkRowDelegate::cellTextColour(number, Qt::black) == QColor(230, 120, 0), gone);
        QCOMPARE(LinkRowDelegate::cellTextColour(number.siblingAtColumn(1), Qt::black), QColor(Qt::black));
    }
}

QTEST_MAIN(TestAuditRun)
#include "tst_auditrun.moc"
