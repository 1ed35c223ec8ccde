#include "FakeFeedView.h"
#include "ProgramFixture.h"
#include "feed/FeedDownload.h"
#include "platform/Codepage.h"
#include "platform/WebClient.h"
#include "platform/Errors.h"
#include "support/FileSizeLimit.h"
#include "support/TestHttpServer.h"

#include <QTcpServer>
#include <QtTest>

#include <optional>

using Response = TestHttpServer::Response;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

// A download with a recording view and an import that only records its calls.
struct Downloader {
    ProgramFixture f;
    FakeFeedView view;
    WebClient client;
    QStringList imported;
    std::function<void()> importDoes = [] {};
    FeedDownload download{view, f.dialogs, f.dir(), [this](const QString &address) {
                              imported << address;
                              importDoes();
                          }};

    Downloader() { client.setTransferTimeout(2000); }
    void run(const QString &address) { download.run(client, address); }
};

QByteArray binaryBody(int size)
{
    QByteArray body(size, 'x');
    for (int i = 0; i < size; i += 97)
        body[i] = char(i % 256); // NUL and bytes above 127 too
    return body;
}

} // namespace

class TestFeedDownload : public QObject {
    Q_OBJECT
private slots:
    void blankAddressDoesNothing()
    {
        TestHttpServer server;
        Downloader t;
        for (const QString &blank : {QString(), QStringLiteral("   "), QStringLiteral(" \t\r\n\x01 ")})
            t.run(blank);
        QVERIFY(server.requests().isEmpty());
        QVERIFY(t.view.panel.isEmpty());
        QVERIFY(t.view.progress.isEmpty());
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QVERIFY(t.imported.isEmpty());
    }

    void savesTheBodyShowsProgressAndImports()
    {
        const QByteArray body = binaryBody(102400);
        Downloader t;
        bool enabledDuringRequest = true;
        TestHttpServer server([&](const auto &) {
            enabledDuringRequest = t.view.downloadEnabled;
            return Response::ok(body, "text/xml").slow(4, 20);
        });
        t.f.writeFile(QStringLiteral("rss.xml"), "old");
        t.view.addresses = QStringList{QStringLiteral("http://旧.cn/rss.xml")};
        const QString address = server.url(QStringLiteral("/rss.xml?a=1"));
        t.run(address);

        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(server.lastRequest().target, QByteArray("/rss.xml?a=1"));
        QVERIFY(!enabledDuringRequest);
        QCOMPARE(t.f.readFile(QStringLiteral("rss.xml")), body);
        QCOMPARE(t.imported, QStringList{address});
        QCOMPARE(t.view.panel.first(), QStringLiteral("开始下载"));
        QCOMPARE(t.view.panel.at(t.view.panel.size() - 2), QStringLiteral("已下载:100K字节,总共:100K字节,约100%"));
        QCOMPARE(t.view.panel.last(), QStringLiteral("下载完成"));
        QVERIFY(t.view.panel.size() >= 4); // the body came in pieces
        const QStringList p = t.view.progress;
        QCOMPARE(p.mid(0, 4), (QStringList{"visible 1", "enabled 0", "range 0..102400", "at 0"}));
        QCOMPARE(p.mid(p.size() - 4), (QStringList{"at 102400", "at 102400", "visible 0", "enabled 1"}));
        // The used address joins the list at its top; the list is saved as the program reads it.
        QCOMPARE(t.view.addresses, (QStringList{address, QStringLiteral("http://旧.cn/rss.xml")}));
        QCOMPARE(t.f.readFile(QStringLiteral("rssurl.txt")),
                 address.toLatin1() + "\r\n" + Codepage::toLegacy(QStringLiteral("http://旧.cn/rss.xml")) + "\r\n");
    }

    void unknownSizeShowsKilobytesOnly()
    {
        TestHttpServer server([](const auto &) { return Response::ok(binaryBody(3000)).chunked(3); });
        Downloader t;
        t.run(server.url(QStringLiteral("/rss.xml")));
        QVERIFY(t.view.progress.contains(QStringLiteral("range 0..0")));
        QCOMPARE(t.view.panel.at(t.view.panel.size() - 2), QStringLiteral("已下载:2K字节"));
        QCOMPARE(t.f.readFile(QStringLiteral("rss.xml")), binaryBody(3000));
        // Above 21 MB position * 100 no longer fits 32 bits.
        QCOMPARE(FeedDownload::progressText(51200, 102400), QStringLiteral("已下载:50K字节,总共:100K字节,约50%"));
        QCOMPARE(FeedDownload::progressText(30000000, 40000000), QStringLiteral("已下载:29296K字节,总共:39062K字节,约75%"));
    }

    void failedRequestChangesNothing_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("status");
        QTest::newRow("404") << Response::status("HTTP/1.1 404 Not Found", "<html>gone</html>")
                             << "HTTP/1.1 404 Not Found";
        for (int code : {301, 302, 303, 307}) {
            const Response r = Response::redirect(code, "/elsewhere.xml");
            QTest::newRow(qPrintable(QString::number(code))) << r << QString::fromLatin1(r.statusLine);
        }
        QTest::newRow("cut off after 200") << Response::ok(binaryBody(5000)).cutOff(1000) << "HTTP/1.1 200 OK";
        QTest::newRow("refused") << Response() << "Connection refused";
    }
    void failedRequestChangesNothing()
    {
        QFETCH(Response, response);
        QFETCH(QString, status);
        TestHttpServer server([&](const auto &) { return response; });
        QString address = server.url(QStringLiteral("/rss.xml"));
        if (status == QLatin1String("Connection refused")) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            address = QStringLiteral("http://127.0.0.1:%1/rss.xml").arg(closed.serverPort());
        }
        Downloader t;
        t.f.writeFile(QStringLiteral("rss.xml"), "old");
        t.run(address);
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("网络出错:") + status});
        QCOMPARE(t.view.panel.last(), status);
        QCOMPARE(t.f.readFile(QStringLiteral("rss.xml")), QByteArray("old"));
        QVERIFY(t.imported.isEmpty());
        QVERIFY(!QFile::exists(t.f.path(QStringLiteral("rssurl.txt"))));
        QVERIFY(!t.view.progress.contains(QStringLiteral("visible 0")));
        QCOMPARE(t.view.progress.last(), QStringLiteral("enabled 1"));
        QVERIFY(t.view.addresses.isEmpty());
    }

    // A full disk: the old files stay whole and the reason is named. rss.xml
    // fails before the import; rssurl.txt after it.
    void filesThatCannotBeWrittenStayWhole()
    {
        TestHttpServer server([](const auto &) { return Response::ok("<rss><channel/></rss>", "text/xml"); });
        Downloader t;
        const QByteArray oldFeed("<rss><channel><title>old</title></channel></rss>");
        const QByteArray oldList("http://old.cn/rss.xml\r\n");
        t.f.writeFile(QStringLiteral("rss.xml"), oldFeed);
        t.f.writeFile(QStringLiteral("rssurl.txt"), oldList);
        const QStringList names = FileSizeLimit::namesIn(t.f.dir());
        const QString address = server.url(QStringLiteral("/rss.xml"));
        auto failure = [&] {
            try {
                t.run(address);
            } catch (const AppError &e) {
                return e.message();
            }
            return QStringLiteral("(no error)");
        };

        std::optional<FileSizeLimit> full;
        full.emplace(4);
        QCOMPARE(failure(), QStringLiteral("Unable to write to ") + t.f.path(QStringLiteral("rss.xml"))
                     + QStringLiteral(": ") + FileSizeLimit::reason());
        full.reset();
        QCOMPARE(t.f.readFile(QStringLiteral("rss.xml")), oldFeed);
        QVERIFY(t.imported.isEmpty());
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(FileSizeLimit::namesIn(t.f.dir()), names);

        // The disk fills up while the import runs.
        t.importDoes = [&] { full.emplace(4); };
        QCOMPARE(failure(), QStringLiteral("Unable to write to ") + t.f.path(QStringLiteral("rssurl.txt"))
                     + QStringLiteral(": ") + FileSizeLimit::reason());
        full.reset();
        QCOMPARE(t.imported, QStringList{address});
        QCOMPARE(t.f.readFile(QStringLiteral("rss.xml")), QByteArray("<rss><channel/></rss>"));
        QCOMPARE(t.f.readFile(QStringLiteral("rssurl.txt")), oldList);
        QCOMPARE(FileSizeLimit::namesIn(t.f.dir()), names);
    }

    void addressListKeepsEachFeedOnce()
    {
        TestHttpServer server([](const auto &) { return Response::ok("<rss/>"); });
        Downloader t;
        const QString spaced = QStringLiteral(" ") + server.url(QStringLiteral("/rss.xml")) + QStringLiteral(" ");
        // An import that failed with its own message still keeps the address.
        t.importDoes = [&] { t.f.dialogs.showMessage(QStringLiteral("无法获取！")); };
        t.run(spaced);
        t.run(spaced);
        QCOMPARE(t.imported, (QStringList{spaced, spaced}));
        QCOMPARE(server.lastRequest().target, QByteArray("/rss.xml%20"));
        QCOMPARE(t.view.addresses, QStringList{spaced});
        QCOMPARE(t.f.readFile(QStringLiteral("rssurl.txt")), spaced.toLatin1() + "\r\n");

        // An error the import does not catch ends the handler: no list is written.
        QFile::remove(t.f.path(QStringLiteral("rssurl.txt")));
        t.importDoes = [] { throw AppError(QStringLiteral("store gone")); };
        QVERIFY_THROWS_EXCEPTION(AppError, t.run(server.url(QStringLiteral("/other.xml"))));
        QVERIFY(!QFile::exists(t.f.path(QStringLiteral("rssurl.txt"))));
        QCOMPARE(t.view.addresses, QStringList{spaced});
        QVERIFY(t.view.downloadEnabled);
    }

    void unwritableFeedFileReachesTheErrorBox()
    {
        TestHttpServer server([](const auto &) { return Response::ok(binaryBody(2048)); });
        ProgramFixture f;
        FakeFeedView view;
        WebClient client;
        bool imported = false;
        FeedDownload download(view, f.dialogs, f.path(QStringLiteral("missing/")),
                              [&](const QString &) { imported = true; });
        QVERIFY_THROWS_EXCEPTION(AppError, download.run(client, server.url(QStringLiteral("/rss.xml"))));
        QVERIFY(!imported);
        QCOMPARE(view.panel.last(), QStringLiteral("已下载:2K字节,总共:2K字节,约100%"));
        QVERIFY(!view.progress.contains(QStringLiteral("visible 0")));
        QVERIFY(view.downloadEnabled);
    }
};

QTEST_MAIN(TestFeedDownload)
#include "tst_feeddownload.moc"
