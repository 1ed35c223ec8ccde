// A batch ping over 1,000 stored addresses against a local XML-RPC server that
// answers at once, both intervals 0, beside a plain sequential client sending
// the same requests. Prints the figures and ends with key: value lines.
#include "ProgramFixture.h"
#include "support/StallWatch.h"
#include "TestHttpServer.h"
#include "app/ui/TMainFrm.h"
#include "ping/PingRequest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Addresses = 1000;

const QByteArray Accepted = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><methodResponse><params><param>"
                            "<value><int>0</int></value></param></params></methodResponse>";

QString addressOf(int i)
{
    return QStringLiteral("http://www.a.example/archives/%1.html").arg(i);
}

// The server notes when each request arrives; the gaps are the time per address.
struct Arrivals {
    QElapsedTimer clock;
    std::vector<qint64> atNs;

    double medianGapMs() const
    {
        std::vector<qint64> gaps;
        for (size_t i = 1; i < atNs.size(); ++i)
            gaps.push_back(atNs[i] - atNs[i - 1]);
        if (gaps.empty())
            return 0;
        std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
        return double(gaps[gaps.size() / 2]) / 1e6;
    }
};


int plainRun(const QString &url, const std::vector<QByteArray> &bodies)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    int accepted = 0;
    for (const QByteArray &body : bodies) {
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("text/xml"));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        QNetworkReply *reply = manager.post(request, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        if (reply->readAll().contains("<int>0</int>"))
            ++accepted;
        reply->deleteLater();
    }
    return accepted;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Arrivals arrivals;
    TestHttpServer server([&](const TestHttpServer::Request &) {
        arrivals.atNs.push_back(arrivals.clock.nsecsElapsed());
        return TestHttpServer::Response::ok(Accepted, "text/xml");
    });
    arrivals.clock.start();

    ProgramFixture f;
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values "
           "(1,'http://www.a.example/rss.xml','站点甲','http://www.a.example/')");
    QString insert = QStringLiteral("insert into mrv_orvik_rssurl(rssid,title,url) values ");
    for (int i = 1; i <= Addresses; ++i)
        insert += QStringLiteral("(1,'t','%1')%2").arg(addressOf(i), i < Addresses ? "," : "");
    f.exec(insert);
    f.settings.hosts.ping = server.base();
    f.settings.hosts.baidu = server.base();
    f.settings.PingSleep = 0;
    f.settings.CheckInBaiduSleep = 0;

    // The plain client: the same bodies, newest address first as the run sends them.
    std::vector<QByteArray> bodies;
    for (int i = Addresses; i >= 1; --i)
        bodies.push_back(PingBody({QStringLiteral("站点甲"), QStringLiteral("http://www.a.example/"), addressOf(i),
                                   QStringLiteral("http://www.a.example/rss.xml")}));
    const QString url = QStringLiteral("http://%1/ping/RPC2").arg(server.base());
    plainRun(url, std::vector<QByteArray>(bodies.begin(), bodies.begin() + 20)); // warm-up

    StallWatch stall;
    arrivals.atNs.clear();
    stall.start();
    QElapsedTimer clock;
    clock.start();
    const int plainAccepted = plainRun(url, bodies);
    const qint64 plainNs = clock.nsecsElapsed();
    const qint64 plainStall = stall.stop();
    const int plainConnections = server.connectionCount();
    const double plainMedian = arrivals.medianGapMs();

    TMainFrm *w = f.createWindows();
    auto *memo = w->findChild<QPlainTextEdit *>("Memo1");
    arrivals.atNs.clear();
    stall.start();
    clock.restart();
    w->findChild<QPushButton *>("btnPING")->click();
    const qint64 oursNs = clock.nsecsElapsed();
    const qint64 oursStall = stall.stop();
    const int oursConnections = server.connectionCount() - plainConnections;
    const double oursMedian = arrivals.medianGapMs();
    const int lines = memo->blockCount() - (memo->toPlainText().isEmpty() ? 1 : 0);

    const double oursPer = double(oursNs) / 1e6 / Addresses;
    const double plainPer = double(plainNs) / 1e6 / Addresses;
    std::printf("addresses: %d (ours: %d status lines, %d error boxes; plain: %d accepted)\n", Addresses, lines,
                int(f.dialogs.boxes.size()), plainAccepted);
    std::printf("connections: ours %d, plain %d\n", oursConnections, plainConnections);
    std::printf("ours  total %.1f ms, median per address %.3f ms, worst timer gap %lld ms\n", oursNs / 1e6,
                oursMedian, static_cast<long long>(oursStall));
    std::printf("plain total %.1f ms, median per address %.3f ms, worst timer gap %lld ms\n", plainNs / 1e6,
                plainMedian, static_cast<long long>(plainStall));
    std::printf("ours_ms_per_address: %.3f\n", oursPer);
    std::printf("plain_ms_per_address: %.3f\n", plainPer);
    std::printf("ratio_ours_plain: %.2f\n", plainPer > 0 ? oursPer / plainPer : 0.0);
    std::printf("worst_stall_ms: %lld\n", static_cast<long long>(oursStall));
    return 0;
}
