// The index audit of 10,000 stored addresses on 100 local hosts, each with a
// robots.txt of 200 rules, without waits between addresses; then 10^6 paths
// matched against a robots.txt of 500 rules. Ends with key: value lines.
#include "ProgramFixture.h"
#include "TestHttpServer.h"
#include "audit/AuditRun.h"
#include "audit/RobotsTxt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int Hosts = 100;
constexpr int PerHost = 100;

// Rules of the kinds sites write: folders, files, wildcards, anchored ends.
QByteArray robotsFile(int rules)
{
    QByteArray file = "User-agent: *\nDisallow: /\n\nUser-agent: Baiduspider\n";
    for (int i = 0; i < rules; ++i) {
        switch (i % 5) {
        case 0: file += "Disallow: /private" + QByteArray::number(i) + "/\n"; break;
        case 1: file += "Allow: /private" + QByteArray::number(i - 1) + "/public/\n"; break;
        case 2: file += "Disallow: /*.php" + QByteArray::number(i) + "$\n"; break;
        case 3: file += "Disallow: /search*q=" + QByteArray::number(i) + "\n"; break;
        default: file += "Disallow: /tag/" + QByteArray::number(i) + "\n"; break;
        }
    }
    return file;
}

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProgramFixture f;
    f.createDatabase();
    f.settings.auditSleep = 0;

    const QByteArray robots = robotsFile(200);
    const QByteArray page = "<!doctype html><html><head><title>t</title><meta name=robots content=index>"
                            "<link rel=canonical href=\"/a\"></head><body>"
                            + QByteArray(20000, 'x') + "</body></html>";
    std::vector<std::unique_ptr<TestHttpServer>> servers;
    QStringList values;
    for (int h = 0; h < Hosts; ++h) {
        servers.push_back(std::make_unique<TestHttpServer>([&](const TestHttpServer::Request &r) {
            if (r.target == "/robots.txt")
                return TestHttpServer::Response::ok(robots, "text/plain");
            return TestHttpServer::Response::ok(page, "text/html; charset=utf-8");
        }));
        f.exec(QStringLiteral("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (%1,'r','s')").arg(h + 1));
        for (int i = 0; i < PerHost; ++i)
            values << QStringLiteral("(%1,'%2')").arg(h + 1).arg(servers.back()->url(QStringLiteral("/a")));
    }
    f.exec(QStringLiteral("insert into mrv_orvik_rssurl(rssid,url) values ") + values.join(u','));

    int lines = 0;
    RunWindow window;
    window.appendStatusLog = [&lines](const QString &) { ++lines; };
    window.setMessagePanel = [](const QString &) {};
    AuditRun run(window, f.settings);
    QElapsedTimer timer;
    timer.start();
    const AuditTotals totals = run.start(0);
    const double auditSeconds = timer.nsecsElapsed() / 1e9;

    const RobotsRules rules = RobotsRules::parse(robotsFile(500), QStringLiteral("Baiduspider"));
    std::vector<QByteArray> paths;
    paths.reserve(1000);
    for (int i = 0; i < 1000; ++i)
        paths.push_back("/private" + QByteArray::number(i % 600) + "/public/page-" + QByteArray::number(i)
                        + (i % 3 == 0 ? ".php12" : ".html?q=" + QByteArray::number(i)));
    int allowed = 0;
    timer.restart();
    for (int i = 0; i < 1000000; ++i)
        allowed += rules.allowed(paths[size_t(i % 1000)]) ? 1 : 0;
    const double matchMs = timer.nsecsElapsed() / 1e6;

    std::printf("audited: %d (lines %d, with problems %d); paths allowed: %d of 1000000\n", totals.audited, lines,
                totals.withProblems, allowed);
    std::printf("audit_1e4_s: %.2f\n", auditSeconds);
    std::printf("robots_match_1e6_ms: %.0f\n", matchMs);
    std::printf("peak_rss_mb: %.1f\n", peakRssMb());
    return 0;
}
