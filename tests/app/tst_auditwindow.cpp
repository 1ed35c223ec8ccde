#include "app/ui/LinkRowDelegate.h"
#include "app/ui/TMainFrm.h"
#include "audit/ui/TfrmAudit.h"
#include "support/AuditSites.h"
#include "support/ProgramFixture.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Response = TestHttpServer::Response;

// The index audit window, opened from the main window's menu, and the list's marks.
class TestAuditWindow : public QObject {
    Q_OBJECT
private slots:
    void windowSummaryListExportAndMarks();
};

void TestAuditWindow::windowSummaryListExportAndMarks()
{
    ProgramFixture f;
    TestHttpServer server(AuditSites::answer);
    AuditSites::fillStore(f, server);
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
    QVERIFY(audit->height() <= audit->screen()->availableGeometry().height());
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

QTEST_MAIN(TestAuditWindow)
#include "tst_auditwindow.moc"
