#include "audit/PageAudit.h"
#include "support/TestHttpServer.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

using Response = TestHttpServer::Response;

class TestPageAudit : public QObject {
    Q_OBJECT
private slots:
    void answersAndRedirects_data();
    void answersAndRedirects();
    void pageSignals_data();
    void pageSignals();
    void unreachableHost();
    void onlyTwoMiBOfAPageAreRead();
    void robotsReadOncePerHostWithOurAgent();
};

namespace {

QString page(const QByteArray &head)
{
    return QString::fromUtf8("<!doctype html><html><head>" + head + "</head><body><p>text</p></body></html>");
}

// The routes every test server knows; robots.txt as the row sets it.
Response route(const TestHttpServer::Request &request, const Response &robots, int &bounces)
{
    const QByteArray path = request.target;
    if (path == "/robots.txt")
        return robots;
    if (path == "/ok" || path == "/hop/0")
        return Response::ok("<html><body>ok</body></html>");
    if (path == "/gone")
        return Response::status("HTTP/1.1 404 Not Found");
    if (path == "/err")
        return Response::status("HTTP/1.1 500 Internal Server Error");
    if (path == "/to-ok")
        return Response::redirect(301, "/ok");
    if (path == "/self")
        return Response::redirect(302, "/self");
    if (path.startsWith("/hop/"))
        return Response::redirect(302, "/hop/" + QByteArray::number(path.mid(5).toInt() - 1));
    // Leaves and comes back: the chain ends where it began.
    if (path == "/bounce")
        return bounces++ == 0 ? Response::redirect(302, "/bounce-step") : Response::ok("<html></html>");
    if (path == "/bounce-step")
        return Response::redirect(307, "/bounce");
    return Response::status("HTTP/1.1 404 Not Found");
}

} // namespace

void TestPageAudit::answersAndRedirects_data()
{
    QTest::addColumn<int>("robotsStatus");
    QTest::addColumn<QByteArray>("robots");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    const QByteArray forbidOk = "User-agent: Baiduspider\nDisallow: /ok\nDisallow: /gone\n";
    QTest::newRow("robots 404") << 404 << QByteArray() << "/ok" << "正常";
    QTest::newRow("robots 500") << 500 << QByteArray() << "/ok" << "robots.txt无法访问";
    QTest::newRow("robots forbids") << 200 << forbidOk << "/ok" << "robots.txt禁止抓取";
    QTest::newRow("robots forbids, page 404") << 200 << forbidOk << "/gone" << "robots.txt禁止抓取；页面返回404";
    QTest::newRow("page 500") << 404 << QByteArray() << "/err" << "页面返回500";
    QTest::newRow("to another") << 404 << QByteArray() << "/to-ok" << "跳转到：%1/ok";
    QTest::newRow("loop") << 404 << QByteArray() << "/self" << "跳转过多";
    QTest::newRow("5 hops") << 404 << QByteArray() << "/hop/5" << "跳转到：%1/hop/0";
    QTest::newRow("6 hops") << 404 << QByteArray() << "/hop/6" << "跳转过多";
    QTest::newRow("back to the same") << 404 << QByteArray() << "/bounce" << "正常";
}

void TestPageAudit::answersAndRedirects()
{
    QFETCH(int, robotsStatus);
    QFETCH(QByteArray, robots);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    Response robotsAnswer = robotsStatus == 200
        ? Response::ok(robots, "text/plain")
        : Response::status("HTTP/1.1 " + QByteArray::number(robotsStatus) + " Whatever");
    int bounces = 0;
    TestHttpServer server([&](const TestHttpServer::Request &r) { return route(r, robotsAnswer, bounces); });
    PageAuditor auditor(QStringLiteral("Baiduspider"));
    const AuditResult result = auditor.audit(server.url(path));
    QCOMPARE(result.text(), QString(expected).replace("%1", server.url(QString())));
}

void TestPageAudit::pageSignals_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QByteArray>("xRobotsTag");
    QTest::addColumn<QString>("agent");
    QTest::addColumn<QString>("expected");

    const QString none;
    QTest::newRow("plain") << page("") << QByteArray() << none << "正常";
    QTest::newRow("meta robots") << page("<meta name=robots content='noindex,follow'>") << QByteArray() << none
                                 << "noindex（meta）";
    QTest::newRow("upper case") << page("<META NAME=\"ROBOTS\" CONTENT=\"NOINDEX\">") << QByteArray() << none
                                << "noindex（meta）";
    QTest::newRow("none") << page("<meta name=robots content=none>") << QByteArray() << none << "noindex（meta）";
    QTest::newRow("nofollow only") << page("<meta name=robots content=nofollow>") << QByteArray() << none << "正常";
    QTest::newRow("baiduspider") << page("<meta name=Baiduspider content=noindex>") << QByteArray() << none
                                 << "noindex（meta）";
    QTest::newRow("another crawler") << page("<meta name=googlebot content=noindex>") << QByteArray() << none
                                     << "正常";
    QTest::newRow("the configured crawler") << page("<meta name=googlebot content=noindex>") << QByteArray()
                                            << "Googlebot" << "noindex（meta）";
    QTest::newRow("header") << page("") << QByteArray("noindex") << none << "noindex（X-Robots-Tag）";
    QTest::newRow("header NONE") << page("") << QByteArray("NONE") << none << "noindex（X-Robots-Tag）";
    QTest::newRow("header for us") << page("") << QByteArray("baiduspider: noindex") << none
                                   << "noindex（X-Robots-Tag）";
    QTest::newRow("header for another") << page("") << QByteArray("googlebot: noindex, nofollow") << none << "正常";
    QTest::newRow("header for two") << page("") << QByteArray("googlebot: nofollow, Baiduspider: noindex") << none
                                    << "noindex（X-Robots-Tag）";
    QTest::newRow("relative canonical") << page("<link rel=canonical href=other.html>") << QByteArray() << none
                                        << "canonical指向：%1/dir/other.html";
    QTest::newRow("canonical to itself") << page("<link rel=\"Canonical\" href=\"HTTP://127.0.0.1:%2/dir/p\">")
                                         << QByteArray() << none << "正常";
    QTest::newRow("canonical with base") << page("<base href=/base/><link rel=canonical href=x>") << QByteArray()
                                         << none << "canonical指向：%1/base/x";
    // Read from the head alone, as an HTML5 parser ends it, however long it is.
    const QByteArray longStyle = "<style>" + QByteArray(60 * 1024, ' ') + "</style>";
    QTest::newRow("long head") << page(longStyle + "<meta name=robots content=noindex>") << QByteArray() << none
                               << "noindex（meta）";
    QTest::newRow("in the body") << QString("<html><body><meta name=robots content=noindex><link rel=canonical "
                                            "href=/c></body></html>")
                                 << QByteArray() << none << "正常";
    QTest::newRow("after the head's end") << page("<div>x</div><meta name=robots content=noindex>") << QByteArray()
                                          << none << "正常";
    QTest::newRow("template contents") << page("<template><meta name=robots content=noindex></template>")
                                       << QByteArray() << none << "正常";
    // The parser's time grows with the square of the nesting: 2 MB of it would take minutes.
    QByteArray nested;
    for (int i = 0; i < 400000; ++i)
        nested += "<div>";
    QTest::newRow("hostile nesting") << page(longStyle + "<template>" + nested) << QByteArray() << none << "正常";
    QTest::newRow("all in order") << page("<link rel=canonical href=/c><meta name=robots content=noindex>")
                                  << QByteArray("noindex") << none
                                  << "noindex（meta）；noindex（X-Robots-Tag）；canonical指向：%1/c";
}

void TestPageAudit::pageSignals()
{
    QFETCH(QString, html);
    QFETCH(QByteArray, xRobotsTag);
    QFETCH(QString, agent);
    QFETCH(QString, expected);
    QByteArray body;
    TestHttpServer server([&](const TestHttpServer::Request &r) {
        if (r.target != "/dir/p")
            return Response::status("HTTP/1.1 404 Not Found");
        Response answer = Response::ok(body, "text/html; charset=utf-8");
        if (!xRobotsTag.isEmpty())
            answer.header("X-Robots-Tag", xRobotsTag);
        return answer;
    });
    body = QString(html).replace("%2", QString::number(server.port())).toUtf8();
    PageAuditor auditor(agent.isEmpty() ? QStringLiteral("Baiduspider") : agent);
    QCOMPARE(auditor.audit(server.url(QStringLiteral("/dir/p"))).text(), QString(expected).replace("%1", server.url(QString())));
}

void TestPageAudit::unreachableHost()
{
    quint16 port = 0;
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    PageAuditor auditor(QStringLiteral("Baiduspider"));
    const AuditResult result = auditor.audit(QStringLiteral("http://127.0.0.1:%1/a").arg(port));
    QCOMPARE(result.text(), QStringLiteral("robots.txt无法访问；无法访问：Connection refused"));
    QCOMPARE(result.httpStatus, 0);
}

void TestPageAudit::onlyTwoMiBOfAPageAreRead()
{
    // Cut at 2 MiB, the page is still read and judged, not called unreachable.
    QByteArray body = "<html><head><title>t</title><meta name=robots content=noindex></head><body><p>";
    body += QByteArray(3 * 1024 * 1024 - body.size(), 'y') + "</p></body></html>";
    TestHttpServer server([&](const TestHttpServer::Request &r) {
        return r.target == "/robots.txt" ? Response::status("HTTP/1.1 404 Not Found") : Response::ok(body).slow(8, 0);
    });
    PageAuditor auditor(QStringLiteral("Baiduspider"));
    const AuditResult result = auditor.audit(server.url(QStringLiteral("/big")));
    QCOMPARE(result.httpStatus, 200);
    QCOMPARE(result.text(), QStringLiteral("noindex（meta）"));
}

void TestPageAudit::robotsReadOncePerHostWithOurAgent()
{
    TestHttpServer server;
    PageAuditor auditor(QStringLiteral("Baiduspider"));
    auditor.audit(server.url(QStringLiteral("/a")));
    auditor.audit(server.url(QStringLiteral("/b")));
    QStringList targets;
    for (const TestHttpServer::Request &r : server.requests()) {
        targets << QString::fromLatin1(r.target);
        QCOMPARE(r.header("User-Agent"), PageAuditor::userAgent().toLatin1());
    }
    QCOMPARE(targets, QStringList({"/robots.txt", "/a", "/b"}));
    QVERIFY(QRegularExpression(QStringLiteral("^Mozilla/5\\.0 \\(compatible; Wexly/\\d+\\.\\d+\\.\\d+\\.\\d+\\)$"))
                .match(PageAuditor::userAgent())
                .hasMatch());
}

QTEST_GUILESS_MAIN(TestPageAudit)
#include "tst_pageaudit.moc"
