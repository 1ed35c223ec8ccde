#include "MainWindowControls.h"
#include "ProgramFixture.h"
#include "app/ui/TMainFrm.h"
#include "platform/Errors.h"

#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
// Counts the mouse presses that reach it.
class PressCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;
    int menus = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
};

void press(QWidget *target, Qt::MouseButton button)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)),
                      button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsWithEveryControlNamed()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *w = f.createWindows();
        w->show();
        for (const char *name : MainWindowControls)
            QVERIFY2(w->findChild<QObject *>(QLatin1String(name)), name);
        for (const char *name : {"NOption", "N6", "N4", "NOrvik1"})
            QVERIFY2(w->findChild<QAction *>(QLatin1String(name)), name);
        QCOMPARE(w->findChild<QWidget *>("PanelLeft")->width(), 150);
        QVERIFY(w->findChild<QWidget *>("ProgressBar1")->isHidden());
        // The offscreen screen is 800 wide: the banner gives up width, never height.
        QCOMPARE(w->findChild<QWidget *>("WebBrowser1")->maximumSize(), QSize(332, 52));
        QCOMPARE(w->findChild<QWidget *>("WebBrowser1")->height(), 52);
        QCOMPARE(w->findChild<QTreeWidget *>("GlobalData")->columnCount(), 9);
        QCOMPARE(w->findChild<QTreeWidget *>("GlobalData")->headerItem()->text(4), QStringLiteral("收录"));
        QCOMPARE(w->findChild<QLabel *>("lblRssid")->text(), QStringLiteral("0"));
        QCOMPARE(w->findChild<QTabWidget *>("PageControl1")->currentWidget()->objectName(),
                 QStringLiteral("PCGetUrl"));
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(w->windowTitle(), QStringLiteral("Orvik--站长工具--Wexly  版本：1.0.0 build 29"));
    }

    void startUpFillsTreeAndAddressListAndHidesBannerOffline()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://a/rss.xml','站点甲','http://a/')");
        f.exec("insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://b/rss.xml','站点甲','http://b/')");
        f.writeFile("rssurl.txt", "http://a/rss.xml\r\nhttp://b/rss.xml\r\n");
        f.writeFile("config.ini", "[config]\r\npingSleep=5\r\n");
        TMainFrm *w = f.createWindows();
        w->show();
        auto *tree = w->findChild<QTreeWidget *>("TreeView1");
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("站点甲"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("站点甲"));
        QCOMPARE(tree->topLevelItem(1)->data(0, Qt::UserRole).toString(), QStringLiteral("2"));
        auto *urls = w->findChild<QComboBox *>("cbxUrl");
        QCOMPARE(urls->count(), 2);
        QCOMPARE(urls->itemText(1), QStringLiteral("http://b/rss.xml"));
        QVERIFY(urls->currentText().endsWith(QStringLiteral("/rss.xml")));
        QCOMPARE(f.settings.PingSleep, 5);
        QVERIFY(w->findChild<QWidget *>("WebBrowser1")->isHidden());
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void sampleAddressesNameTheConfiguredProductSite()
    {
        ProgramFixture f;
        f.createDatabase();
        f.writeFile("config.ini", "[config]\r\npingSleep=0\r\n[hosts]\r\nproduct=my.site:8080\r\n");
        TMainFrm *w = f.createWindows();
        w->show();
        QCOMPARE(w->findChild<QComboBox *>("cbxUrl")->currentText(),
                 QStringLiteral("http://my.site:8080/rss.xml"));
        QWidget *query = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("frmChaXun"))
                query = top;
        QVERIFY(query);
        auto *domain = query->findChild<QComboBox *>("cbxChaXunUrl");
        query->show();
        QCOMPARE(domain->currentText(), QStringLiteral("my.site:8080"));
        domain->setEditText(QStringLiteral("typed.example"));
        query->hide();
        query->show();
        QCOMPARE(domain->currentText(), QStringLiteral("typed.example")); // typed text stays
        query->hide();
    }

    void storeWithoutTablesShowsErrorAndStillOpens()
    {
        ProgramFixture f; // no database.db: the first open makes an empty one
        TMainFrm *w = f.createWindows();
        w->show();
        QCOMPARE(f.dialogs.textsOf("error").size(), 1);
        const QString error = f.dialogs.textsOf("error").first();
        QVERIFY2(error.startsWith("Error executing SQL.\rError [1]: "), qPrintable(error));
        QVERIFY(error.contains("\"Select * from mrv_orvik_rss\": no such table: mrv_orvik_rss"));
        QVERIFY(error.endsWith(u'.'));
        QVERIFY(w->isVisible());
        QVERIFY(w->windowTitle().contains(QStringLiteral("版本：1.0.0 build 29")));
        QCOMPARE(w->findChild<QTreeWidget *>("TreeView1")->topLevelItemCount(), 0);
        // The sequence ended before the online test: the banner is neither loaded nor hidden.
        QVERIFY(!w->findChild<QWidget *>("WebBrowser1")->isHidden());
    }

    void badConfigEndsStartUpBeforeTheAddressList()
    {
        ProgramFixture f;
        f.createDatabase();
        f.writeFile("config.ini", "[config]\r\npingSleep=abc\r\ncheckInbaiduSleep=7\r\n");
        f.writeFile("rssurl.txt", "http://a/rss.xml\r\n");
        TMainFrm *w = f.createWindows();
        w->show();
        QCOMPARE(f.dialogs.textsOf("error"), QStringList({"''abc'' is not a valid integer value."}));
        QCOMPARE(f.settings.CheckInBaiduSleep, 0);
        QCOMPARE(w->findChild<QComboBox *>("cbxUrl")->count(), 0);
    }

    void panelToggleCollapsesAndExpands()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *w = f.createWindows();
        w->show();
        auto *panel = w->findChild<QWidget *>("PanelLeft");
        auto *strip = w->findChild<QLabel *>("PanelSwitch");
        QList<int> widths;
        QStringList captions;
        // What a screen reader says: what a click will do.
        QStringList names{strip->accessibleName()};
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(strip, Qt::LeftButton);
            widths << panel->width();
            captions << strip->text();
            names << strip->accessibleName();
        }
        QCOMPARE(widths, QList<int>({8, 185, 8, 185}));
        QCOMPARE(captions, QStringList({">", "<", ">", "<"}));
        QCOMPARE(names, QStringList({"收起站点列表", "展开站点列表", "收起站点列表", "展开站点列表", "收起站点列表"}));
    }

    void bannerSwallowsRightClicksOnly()
    {
        ProgramFixture f;
        f.createDatabase();
        f.online = true;
        TMainFrm *w = f.createWindows();
        w->show();
        auto *banner = w->findChild<QWidget *>("WebBrowser1");
        QVERIFY(banner->isVisible());
        auto *inside = new PressCounter(banner);
        press(inside, Qt::RightButton);
        QCOMPARE(inside->presses, 0);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1), inside->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(inside, &menu);
        QCOMPARE(inside->menus, 0);
        press(inside, Qt::LeftButton);
        QCOMPARE(inside->presses, 1);
        // Elsewhere right clicks pass.
        auto *outside = new PressCounter(w->findChild<QWidget *>("gbxRss"));
        press(outside, Qt::RightButton);
        QCOMPARE(outside->presses, 1);
    }

    void closeWaitsForTheRunningHandler()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *w = f.createWindows();
        w->show();
        bool visibleAfterClose = false;
        f.guard.run([&] {
            w->close();
            visibleAfterClose = w->isVisible();
        });
        QVERIFY(visibleAfterClose);
        QVERIFY(!w->isVisible());
    }

    void errorBoxTextAppendsFullStop()
    {
        QCOMPARE(HandlerGuard::errorBoxText("abc"), QStringLiteral("abc."));
        QCOMPARE(HandlerGuard::errorBoxText("abc."), QStringLiteral("abc."));
        QCOMPARE(HandlerGuard::errorBoxText("无法获取！"), QStringLiteral("无法获取！."));
        QCOMPARE(HandlerGuard::errorBoxText("(1)"), QStringLiteral("(1)"));
        QCOMPARE(HandlerGuard::errorBoxText(""), QString());
    }

    void guardTurnsEscapingErrorsIntoTheErrorBox()
    {
        FakeDialogs dialogs;
        HandlerGuard guard(dialogs);
        int idle = 0;
        QObject::connect(&guard, &HandlerGuard::idle, [&] { ++idle; });
        guard.run([&] {
            guard.run([] { throw AppError("inner"); });
            QCOMPARE(guard.depth(), 1);
            throw std::runtime_error("outer");
        });
        QCOMPARE(dialogs.textsOf("error"), QStringList({"inner.", "outer."}));
        QCOMPARE(idle, 1);
        QCOMPARE(guard.depth(), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
