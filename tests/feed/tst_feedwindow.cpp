#include "MainWindowProbe.h"
#include "ProgramFixture.h"
#include "common/RunLock.h"
#include "platform/Codepage.h"
#include "store/SQLiteDatabase.h"
#include "support/TestHttpServer.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QtTest>

using Response = TestHttpServer::Response;

namespace {

const QByteArray Feed = "<?xml version=\"1.0\" encoding=\"gb2312\"?><rss><channel><title>"
    + Codepage::toLegacy(QStringLiteral("中文站"))
    + "</title><link>http://z.cn/</link><item><title>a&nbsp;1</title><link>http://z.cn/1</link></item>"
      "<item><title>no link</title></item></channel></rss>";

struct Window {
    ProgramFixture f;
    QMainWindow *w = nullptr;
    explicit Window(const std::function<void(ProgramFixture &)> &before = {})
    {
        f.createDatabase();
        if (before)
            before(f);
        w = f.createMainWindow();
        w->show();
    }
    template <class T> T *child(const char *name) const { return w->findChild<T *>(QLatin1String(name)); }
    void fetch(const QString &address)
    {
        child<QComboBox>("cbxUrl")->setEditText(address);
        child<QPushButton>("btnGetRss")->click();
    }
    QStringList items() const
    {
        TSQLiteDatabase db(f.path(QStringLiteral("database.db")));
        TSQLiteTable t = db.GetTable(QStringLiteral("select rssid,title,url from mrv_orvik_rssurl order by dataid"));
        QStringList out;
        for (; !t.Eof(); t.Next())
            out << t.FieldAsString(0) + u'|' + t.FieldAsString(1) + u'|' + t.FieldAsString(2);
        return out;
    }
};

} // namespace

class TestFeedWindow : public QObject {
    Q_OBJECT
private slots:
    void getRssDownloadsAndImportsIntoTheWindow()
    {
        Window t;
        bool enabledMeanwhile = true;
        int cookieRequests = 0;
        TestHttpServer server([&](const TestHttpServer::Request &request) {
            enabledMeanwhile = t.child<QPushButton>("btnGetRss")->isEnabled();
            cookieRequests += request.header("Cookie") == "seen=1";
            return Response::ok(Feed, "text/xml").setCookie("seen=1").slow(3, 10);
        });
        const QString address = server.url(QStringLiteral("/rss.xml"));
        t.fetch(address);

        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QVERIFY(!enabledMeanwhile);
        QVERIFY(t.child<QPushButton>("btnGetRss")->isEnabled());
        QCOMPARE(t.f.readFile(QStringLiteral("rss.xml")), Feed);
        QCOMPARE(t.items(), (QStringList{QStringLiteral("1|a\u00A01|http://z.cn/1"),
                                          QStringLiteral("1|no link|http://www.orvik.example/")}));
        QCOMPARE(t.child<QGroupBox>("gbxRss")->title(), QStringLiteral("中文站"));
        // The list was refreshed through "首页": newest first.
        auto *list = t.child<QTreeWidget>("GlobalData");
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("no link"));
        QCOMPARE(t.child<QLabel>("lblTotalCount")->text(), QStringLiteral("2"));
        QVERIFY(t.child<QProgressBar>("ProgressBar1")->isHidden());
        QCOMPARE(MainWindowProbe::messagePanel(t.w), QStringLiteral("读取xml:3/3"));
        QCOMPARE(t.child<QComboBox>("cbxUrl")->itemText(0), address);
        QCOMPARE(t.child<QComboBox>("cbxUrl")->currentText(), address);
        QCOMPARE(t.f.readFile(QStringLiteral("rssurl.txt")), address.toLatin1() + "\r\n");

        // The feed client lives with the window: its cookie goes back on the next download.
        t.fetch(address);
        QCOMPARE(cookieRequests, 1);
        QCOMPARE(t.child<QComboBox>("cbxUrl")->count(), 1);
    }

    void aNewSiteJoinsTheTreeAtOnce()
    {
        Window t([](ProgramFixture &f) {
            f.exec("insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://a/rss.xml','甲','http://a/')");
            f.exec("insert into mrv_orvik_rss(rssurl,sitename,siteurl) values ('http://b/rss.xml','乙','http://b/')");
        });
        auto *tree = t.child<QTreeWidget>("TreeView1");
        tree->topLevelItem(1)->setSelected(true);
        TestHttpServer server([](const auto &) {
            return Response::ok("<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>甲 &amp; 乙 博客</title><link>http://c.cn/</link>"
                                "<item><title>x</title><link>http://c.cn/1</link></item></channel></rss>",
                                "text/xml; charset=utf-8");
        });
        t.fetch(server.url(QStringLiteral("/rss.xml")));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("甲 & 乙 博客"));
        QCOMPARE(tree->topLevelItem(2)->data(0, Qt::UserRole).toString(), QStringLiteral("3"));
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem *>{tree->topLevelItem(1)});
        // The list's caption shows the "&" rather than taking it for a mnemonic.
        QAccessibleInterface *caption = QAccessible::queryAccessibleInterface(t.child<QGroupBox>("gbxRss"));
        QCOMPARE(caption->text(QAccessible::Name), QStringLiteral("甲 & 乙 博客"));
        // A second fetch of the same feed adds no node.
        t.fetch(server.url(QStringLiteral("/rss.xml")));
        QCOMPARE(tree->topLevelItemCount(), 3);
    }

    void failedDownloadLeavesTheBarShown()
    {
        Window t;
        TestHttpServer server([](const auto &) { return Response::status("HTTP/1.1 404 Not Found"); });
        t.fetch(server.url(QStringLiteral("/rss.xml")));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("网络出错:HTTP/1.1 404 Not Found")});
        QCOMPARE(MainWindowProbe::messagePanel(t.w), QStringLiteral("HTTP/1.1 404 Not Found"));
        QVERIFY(t.child<QProgressBar>("ProgressBar1")->isVisible());
        QVERIFY(!QFile::exists(t.f.path(QStringLiteral("rss.xml"))));
    }

    void homePageLeadsThroughTheDownloadsClientToTheSitemapParts()
    {
        Window t;
        QList<QByteArray> cookies;
        TestHttpServer server;
        const QByteArray part = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>http://z.cn/p1</loc>"
                                "</url></urlset>";
        server.setHandler([&](const TestHttpServer::Request &request) {
            cookies << request.header("Cookie");
            if (request.target == "/")
                return Response::ok("<html><body>home</body></html>").setCookie("seen=1");
            if (request.target == "/robots.txt")
                return Response::ok("Sitemap: /index.xml\n", "text/plain");
            if (request.target == "/index.xml") {
                return Response::ok("<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><sitemap><loc>"
                                        + server.url(QStringLiteral("/p1.xml")).toUtf8() + "</loc></sitemap></sitemapindex>",
                                    "text/xml");
            }
            return Response::ok(part, "text/xml");
        });
        t.fetch(server.url(QStringLiteral("/")));

        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|没有标题|http://z.cn/p1")});
        QCOMPARE(cookies, (QList<QByteArray>{"", "seen=1", "seen=1", "seen=1"}));
        QCOMPARE(t.child<QGroupBox>("gbxRss")->title(), QStringLiteral("127.0.0.1"));
    }

    void unreadablePartsAndABusyFetchShowInTheStatusLog()
    {
        Window t;
        TestHttpServer server;
        server.setHandler([&](const TestHttpServer::Request &request) {
            if (request.target == "/index.xml") {
                return Response::ok("<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><sitemap><loc>"
                                        + server.url(QStringLiteral("/gone.xml")).toUtf8() + "</loc></sitemap><sitemap><loc>"
                                        + server.url(QStringLiteral("/p1.xml")).toUtf8() + "</loc></sitemap></sitemapindex>",
                                    "text/xml");
            }
            if (request.target == "/p1.xml")
                return Response::ok("<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>http://z.cn/p1"
                                    "</loc></url></urlset>",
                                    "text/xml");
            return Response::status("HTTP/1.1 404 Not Found");
        });
        const auto *log = t.child<QPlainTextEdit>("Memo1");
        t.fetch(server.url(QStringLiteral("/index.xml")));
        QCOMPARE(log->toPlainText(),
                 "读取站点地图失败:" + server.url(QStringLiteral("/gone.xml")) + " HTTP/1.1 404 Not Found");
        QCOMPARE(t.items().size(), 1);

        // wexly-cli fetching into the same rss.xml: the press does nothing but say so.
        RunLock other(RunLock::Kind::Fetch, t.f.dir());
        QVERIFY(other.tryLock());
        const qsizetype requests = server.requests().size();
        t.fetch(server.url(QStringLiteral("/index.xml")));
        QCOMPARE(server.requests().size(), requests);
        QVERIFY(log->toPlainText().endsWith(QStringLiteral("\n另一个程序正在执行获取Rss，请稍后再试")));
        QCOMPARE(MainWindowProbe::messagePanel(t.w), QStringLiteral("另一个程序正在执行获取Rss，请稍后再试"));
    }
};

QTEST_MAIN(TestFeedWindow)
#include "tst_feedwindow.moc"
