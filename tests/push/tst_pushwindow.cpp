#include "MainWindowProbe.h"
#include "ProgramFixture.h"
#include "TestHttpServer.h"
#include "push/PushSettings.h"
#include "push/ui/TfrmPushSite.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

using Request = TestHttpServer::Request;
using Response = TestHttpServer::Response;

const QString Home = QStringLiteral("https://www.a.com/blog/");

struct Site {
    Site()
    {
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','"
               + Home + "')");
    }
    ProgramFixture f;
};

template <class W> W *child(QWidget *parent, const char *name)
{
    auto *w = parent->findChild<W *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

} // namespace

class tst_PushWindow : public QObject {
    Q_OBJECT
private slots:
    void keyForm_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("valid");
        QTest::newRow("7 characters") << "abcdefg" << false;
        QTest::newRow("8 characters") << "abcdefgh" << true;
        QTest::newRow("128 characters") << QString(128, u'x') << true;
        QTest::newRow("129 characters") << QString(129, u'x') << false;
        QTest::newRow("all allowed kinds") << "AZaz09-ab" << true;
        QTest::newRow("underscore") << "abcd_efgh" << false;
        QTest::newRow("blank inside") << "abcd efgh" << false;
        QTest::newRow("wide letter") << "abcdefgé" << false;
    }

    void keyForm()
    {
        QFETCH(QString, key);
        QFETCH(bool, valid);
        QCOMPARE(PushSettings::isValidKey(key), valid);
    }

    void generatedKeysAreValidAndDiffer()
    {
        const QString a = PushSettings::generateKey();
        QCOMPARE(a.size(), 32);
        QVERIFY(PushSettings::isValidKey(a));
        QVERIFY(a != PushSettings::generateKey());
    }

    void windowShowsDefaultsAndSavesWhatIsShownAgain()
    {
        Site s;
        {
            TfrmPushSite w(s.f.dialogs, s.f.guard, 1);
            QCOMPARE(w.windowTitle(), QStringLiteral("推送设置"));
            QCOMPARE(child<QLineEdit>(&w, "editBaiduSite")->text(), QStringLiteral("https://www.a.com"));
            QCOMPARE(child<QLineEdit>(&w, "editKeyLocation")->text(), QString());
            for (const char *label : {"百度站点：", "百度密钥：", "IndexNow密钥：", "密钥文件地址："}) {
                bool found = false;
                for (QLabel *l : w.findChildren<QLabel *>())
                    found = found || l->text() == QString::fromUtf8(label);
                QVERIFY2(found, label);
            }

            // The key file address follows the key...
            child<QLineEdit>(&w, "editIndexNowKey")->setText("abcdefgh1");
            QCOMPARE(child<QLineEdit>(&w, "editKeyLocation")->text(), QStringLiteral("https://www.a.com/abcdefgh1.txt"));
            child<QPushButton>(&w, "btnMakeKey")->click();
            const QString made = child<QLineEdit>(&w, "editIndexNowKey")->text();
            QVERIFY(PushSettings::isValidKey(made));
            QCOMPARE(child<QLineEdit>(&w, "editKeyLocation")->text(), "https://www.a.com/" + made + ".txt");
            // ...until the user edits it.
            QLineEdit *location = child<QLineEdit>(&w, "editKeyLocation");
            location->clear();
            QTest::keyClicks(location, "https://cdn.a.com/k.txt");
            child<QLineEdit>(&w, "editIndexNowKey")->setText("abcdefgh2");
            QCOMPARE(location->text(), QStringLiteral("https://cdn.a.com/k.txt"));

            // A key outside the allowed form keeps the window open and saves nothing.
            child<QLineEdit>(&w, "editBaiduToken")->setText("t0ken");
            child<QCheckBox>(&w, "cbxBaiduDaily")->setChecked(true);
            child<QLineEdit>(&w, "editIndexNowKey")->setText("bad_key!");
            w.show();
            child<QPushButton>(&w, "btnOK")->click();
            QCOMPARE(s.f.dialogs.texts(), QStringList({"IndexNow密钥只能由8到128个字母、数字或减号组成"}));
            QVERIFY(w.isVisible());
            TSQLiteDatabase db(s.f.path("database.db"));
            QVERIFY(!PushSettings::load(db, 1).has_value());

            child<QLineEdit>(&w, "editIndexNowKey")->setText("goodKey-1");
            child<QPushButton>(&w, "btnOK")->click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QVERIFY(!w.isVisible());
        }
        TfrmPushSite again(s.f.dialogs, s.f.guard, 1);
        QCOMPARE(child<QLineEdit>(&again, "editBaiduSite")->text(), QStringLiteral("https://www.a.com"));
        QCOMPARE(child<QLineEdit>(&again, "editBaiduToken")->text(), QStringLiteral("t0ken"));
        QVERIFY(child<QCheckBox>(&again, "cbxBaiduDaily")->isChecked());
        QCOMPARE(child<QLineEdit>(&again, "editIndexNowKey")->text(), QStringLiteral("goodKey-1"));
        // An address of the user's own stays when the key changes.
        child<QLineEdit>(&again, "editIndexNowKey")->setText("goodKey-2");
        QCOMPARE(child<QLineEdit>(&again, "editKeyLocation")->text(), QStringLiteral("https://cdn.a.com/k.txt"));
        // An emptied site switches Baidu off and stays empty.
        child<QLineEdit>(&again, "editBaiduSite")->clear();
        child<QPushButton>(&again, "btnOK")->click();
        TSQLiteDatabase db(s.f.path("database.db"));
        const auto stored = PushSettings::load(db, 1);
        QVERIFY(stored && !stored->baiduOn() && stored->indexNowOn());
    }

    void keyFileCheck_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("matches") << "/good.txt" << "密钥文件正确";
        QTest::newRow("differs") << "/other.txt" << "密钥文件内容与密钥不符";
        QTest::newRow("missing") << "/missing.txt" << "密钥文件无法访问：HTTP/1.1 404 Not Found";
    }

    void keyFileCheck()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        Site s;
        TestHttpServer server([](const Request &r) {
            if (r.target == "/good.txt")
                return Response::ok("abcdefgh12\r\n", "text/plain");
            if (r.target == "/other.txt")
                return Response::ok("abcdefgh13", "text/plain");
            return Response::status("HTTP/1.1 404 Not Found");
        });
        TfrmPushSite w(s.f.dialogs, s.f.guard, 1);
        child<QLineEdit>(&w, "editIndexNowKey")->setText("abcdefgh12");
        child<QLineEdit>(&w, "editKeyLocation")->setText(server.url(path));
        child<QPushButton>(&w, "btnCheckKey")->click();
        QCOMPARE(s.f.dialogs.texts(), QStringList({message}));
    }

    void mainWindowPushesAndShowsPushTimes()
    {
        Site s;
        TestHttpServer server([](const Request &r) {
            if (r.target.startsWith("/urls"))
                return Response::ok("{\"remain\":10,\"success\":2}");
            return Response::status("HTTP/1.1 200 OK");
        });
        s.f.settings.hosts.baiduzz = server.base();
        s.f.exec("insert into mrv_orvik_rssurl(dataid,title,url,rssid) values (1,'t','https://www.a.com/1',1),"
                 "(2,'t','https://www.a.com/2',1)");
        {
            TSQLiteDatabase db(s.f.path("database.db"));
            PushSiteSettings settings;
            settings.baiduSite = "https://www.a.com";
            settings.baiduToken = "t0kenValue";
            PushSettings::save(db, 1, settings);
            // An earlier failed attempt on another channel does not count as pushed.
            db.ExecSQL("insert into mrv_orvik_push values (2,'indexnow','2020-01-01 00:00:00','not_valid')");
        }
        QMainWindow *w = s.f.createMainWindow();
        w->show();
        QTreeWidget *list = child<QTreeWidget>(w, "GlobalData");
        QCOMPARE(list->headerItem()->text(8), QStringLiteral("推送时间"));
        QCOMPARE(list->topLevelItem(0)->text(8), QString());

        child<QPushButton>(w, "btnPush")->click();
        QCOMPARE(child<QTabWidget>(w, "PageControl1")->currentWidget()->objectName(), QStringLiteral("PCStatus"));
        QCOMPARE(child<QPlainTextEdit>(w, "Memo1")->toPlainText(), QStringLiteral("【站点甲】百度推送：成功2条，今日剩余10条"));
        QCOMPARE(MainWindowProbe::messagePanel(w), QStringLiteral("推送完成"));

        child<QPushButton>(w, "getdata")->click();
        for (int i = 0; i < 2; ++i) {
            const QString shown = list->topLevelItem(i)->text(8);
            QVERIFY2(QDateTime::fromString(shown, "yyyy-MM-dd HH:mm:ss").isValid(), qPrintable(shown));
        }
        QVERIFY(s.f.dialogs.boxes.isEmpty());

        child<QToolButton>(w, "spbtnPush")->click();
        QCOMPARE(MainWindowProbe::helpTopic(w), 4);
    }

    void siteMenuOpensTheSettingsWindow()
    {
        Site s;
        QMainWindow *w = s.f.createMainWindow();
        w->show();
        QTreeWidget *tree = child<QTreeWidget>(w, "TreeView1");
        tree->topLevelItem(0)->setSelected(true);
        QString caption;
        QString site;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            caption = dialog->windowTitle();
            site = child<QLineEdit>(dialog, "editBaiduSite")->text();
            child<QPushButton>(dialog, "btnCancel")->click();
        });
        QMenu *menu = child<QMenu>(w, "PopupMenuTask");
        QAction *item = menu->findChild<QAction *>("MenuItem8");
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("推送设置..."));
        item->trigger();
        QCOMPARE(caption, QStringLiteral("推送设置"));
        QCOMPARE(site, QStringLiteral("https://www.a.com"));
    }
};

QTEST_MAIN(tst_PushWindow)
#include "tst_pushwindow.moc"
