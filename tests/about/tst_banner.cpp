#include "ProgramFixture.h"
#include "TestHttpServer.h"
#include "platform/ui/WebBrowserView.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QImage>
#include <QMainWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

using Response = TestHttpServer::Response;

namespace {
const QByteArray Page =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head>"
    "<body scroll=\"yes\" bgcolor=\"#ffeecc\" style=\"margin: 20px; border: 2px solid red\">"
    "<a href=\"go.htm\">\xC1\xB4\xBD\xD3 Go</a> <img src=\"pic.png\"></body></html>";

QByteArray png()
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

Response site(const TestHttpServer::Request &request)
{
    if (request.target == "/gg.htm")
        return Response::ok(Page, "text/html");
    if (request.target == "/pic.png")
        return Response::ok(png(), "image/png");
    return Response::status("HTTP/1.1 404 Not Found");
}

// Counts what reaches the banner's own widget.
class Counter : public QObject {
public:
    int rightPresses = 0, leftPresses = 0, menus = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            ++(static_cast<QMouseEvent *>(event)->button() == Qt::RightButton ? rightPresses : leftPresses);
        if (event->type() == QEvent::ContextMenu)
            ++menus;
        return false;
    }
};

void verifyCleanedUp(WebBrowserView *banner)
{
    HtmlBody *body = banner->body();
    QVERIFY(body);
    QCOMPARE(body->attribute("scroll"), QStringLiteral("no"));
    QCOMPARE(body->style().property("border"), QStringLiteral("none"));
    QCOMPARE(body->style().property("margin"), QStringLiteral("0px"));
    QCOMPARE(body->attribute("bgcolor"), QStringLiteral("#ffeecc"));
    QCOMPARE(banner->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(banner->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(banner->frameShape(), QFrame::NoFrame);
    QCOMPARE(banner->document()->documentMargin(), 0.0);
}
} // namespace

class TestBanner : public QObject {
    Q_OBJECT
private slots:
    void theViewRendersThePagesOwnBody()
    {
        TestHttpServer server(site);
        WebBrowserView view;
        view.resize(332, 52);
        view.show();
        QVERIFY(!view.body());
        QSignalSpy complete(&view, &WebBrowserView::documentComplete);
        view.navigate(server.url("/gg.htm"));
        QTRY_COMPARE(complete.count(), 1);
        QCOMPARE(complete[0][0].toUrl(), QUrl(server.url("/gg.htm")));
        QVERIFY(view.body());
        QCOMPARE(view.body()->attribute("scroll"), QStringLiteral("yes"));
        QCOMPARE(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(view.frameShape(), QFrame::StyledPanel);
        QCOMPARE(view.document()->documentMargin(), 20.0);
        // The page's own code page, and its picture fetched relative to it.
        QVERIFY(view.toPlainText().contains(QStringLiteral("链接 Go")));
        QTRY_COMPARE(server.requests().size(), 2);
        QCOMPARE(server.requests()[1].target, QByteArray("/pic.png"));
    }

    void aPageWithoutBodyHasNothingToCleanUp()
    {
        TestHttpServer server([](const TestHttpServer::Request &) { return Response::ok("just text"); });
        ProgramFixture f;
        f.createDatabase();
        f.online = true;
        f.settings.hosts.banner = server.base();
        QMainWindow *w = f.createMainWindow();
        w->show();
        auto *banner = w->findChild<WebBrowserView *>("WebBrowser1");
        QSignalSpy complete(banner, &WebBrowserView::documentComplete);
        QTRY_COMPARE(complete.count(), 1);
        QVERIFY(!banner->body());
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void onlineStartLoadsAndCleansUpEveryCompletedPage()
    {
        TestHttpServer server(site);
        ProgramFixture f;
        f.createDatabase();
        f.online = true;
        f.settings.hosts.banner = server.base();
        QMainWindow *w = f.createMainWindow();
        w->resize(1100, 680); // as on a laptop: the offscreen screen is smaller
        w->show();
        auto *banner = w->findChild<WebBrowserView *>("WebBrowser1");
        QVERIFY(banner->isVisible());
        QCOMPARE(banner->size(), QSize(332, 52));
        QSignalSpy complete(banner, &WebBrowserView::documentComplete);
        QTRY_COMPARE(complete.count(), 1);
        QCOMPARE(server.requests().first().target, QByteArray("/gg.htm"));
        verifyCleanedUp(banner);

        // The same page completing again gets the clean-up again.
        banner->navigate(server.url("/gg.htm"));
        QTRY_COMPARE(complete.count(), 2);
        verifyCleanedUp(banner);
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void offlineStartHidesTheBannerWithoutARequest()
    {
        TestHttpServer server(site);
        ProgramFixture f;
        f.createDatabase();
        f.settings.hosts.banner = server.base();
        QMainWindow *w = f.createMainWindow();
        w->show();
        QVERIFY(w->findChild<QWidget *>("WebBrowser1")->isHidden());
        QTest::qWait(50);
        QCOMPARE(server.connectionCount(), 0);
    }

    void rightClicksAreSwallowedAndLinksOpenInTheUsersBrowser()
    {
        TestHttpServer server(site);
        ProgramFixture f;
        f.createDatabase();
        f.online = true;
        f.settings.hosts.banner = server.base();
        QMainWindow *w = f.createMainWindow();
        w->show();
        auto *banner = w->findChild<WebBrowserView *>("WebBrowser1");
        QSignalSpy complete(banner, &WebBrowserView::documentComplete);
        QTRY_COMPARE(complete.count(), 1);

        QWidget *surface = banner->viewport();
        Counter counter;
        surface->installEventFilter(&counter);
        QTest::mousePress(surface, Qt::RightButton, {}, QPoint(3, 3));
        QTest::mouseRelease(surface, Qt::RightButton, {}, QPoint(3, 3));
        // Should the menu open after all, close it so the test fails instead of waiting.
        QTimer::singleShot(500, [] {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(3, 3), surface->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(surface, &menu);
        QCOMPARE(counter.rightPresses, 0);
        QCOMPARE(counter.menus, 0);

        const QTextCursor link = banner->document()->find(QStringLiteral("Go"));
        QVERIFY(!link.isNull());
        QTextCursor inside(banner->document());
        inside.setPosition(link.selectionStart() + 1);
        const QPoint at = banner->cursorRect(inside).center();
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
        QCOMPARE(counter.leftPresses, 1);
        QCOMPARE(f.openedAddresses, QStringList({server.url("/go.htm")}));
    }
};

QTEST_MAIN(TestBanner)
#include "tst_banner.moc"
