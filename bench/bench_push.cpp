// A batch push of 100,000 stored addresses (or the count given) of one site to
// a local fake Baidu push service (2,000 per request, a quota that never runs
// out) and a local fake IndexNow service (10,000 per request), while a 10 ms
// timer measures how long the thread is kept from its events. Before it, the
// floor: a minimal client of this file that sends the same requests on one
// socket per service and records the same rows through the SQLite C API.
// Ends with key: value lines.
//   bench_push [addresses]
#include "ProgramFixture.h"
#include "support/StallWatch.h"
#include "TestHttpServer.h"
#include "push/BatchPush.h"
#include "push/PushSettings.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <limits>
#include <sqlite3.h>

namespace {

const char Site[] = "https://www.a.com";
const char Token[] = "benchToken";
const char Key[] = "benchKey-0123456789";
const char KeyLocation[] = "https://www.a.com/benchKey-0123456789.txt";

// One kept-alive connection with Nagle's algorithm off: a request is written
// whole and its answer read to the end of its announced length.
class FloorSocket {
public:
    explicit FloorSocket(quint16 port) : m_port(port)
    {
        QEventLoop loop;
        QObject::connect(&m_socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        loop.exec();
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }

    QByteArray post(const QByteArray &target, const QByteArray &contentType, const QByteArray &body)
    {
        static const QByteArray language = [] {
            QString name = QLocale::system().name().replace(u'_', u'-');
            return (name == u"C" ? QStringLiteral("en,*")
                                 : name.startsWith(QLatin1String("en-")) ? name + QStringLiteral(",*")
                                                                         : name + QStringLiteral(",en,*"))
                .toLatin1();
        }();
        m_socket.write("POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port)
                       + "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                         "Accept-Encoding: identity\r\nContent-Type: "
                       + contentType + "\r\nContent-Length: " + QByteArray::number(body.size())
                       + "\r\nConnection: Keep-Alive\r\nAccept-Language: " + language + "\r\n\r\n" + body);
        QByteArray input;
        QEventLoop loop;
        qsizetype headEnd = -1;
        qint64 length = 0;
        const auto complete = [&] {
            if (headEnd < 0) {
                headEnd = input.indexOf("\r\n\r\n");
                if (headEnd < 0)
                    return false;
                const qsizetype at = input.toLower().indexOf("content-length:");
                length = at < 0 ? 0 : input.mid(at + 15, input.indexOf('\r', at) - at - 15).trimmed().toLongLong();
            }
            return input.size() >= headEnd + 4 + length;
        };
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &loop, [&] {
            input += m_socket.readAll();
            if (complete())
                loop.quit();
        });
        loop.exec();
        return input.mid(headEnd + 4, length);
    }

private:
    QTcpSocket m_socket;
    quint16 m_port;
};

// The floor of the push: each channel's due addresses read request by request,
// newest first, sent, and recorded "ok" in a transaction per answer.
void floorPush(const QString &path, quint16 baiduPort, quint16 indexNowPort)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt *due = nullptr;
    sqlite3_prepare_v2(db,
                       "select dataid,url from mrv_orvik_rssurl a where rssid=1 and dataid<?1 and not exists "
                       "(select 1 from mrv_orvik_push p where p.dataid=a.dataid and p.channel=?2) "
                       "order by dataid desc limit ?3",
                       -1, &due, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "insert or ignore into mrv_orvik_push(dataid,channel,pushtime,result) values (?1,?2,?3,'ok')",
                       -1, &insert, nullptr);
    for (const bool indexNow : {false, true}) {
        FloorSocket socket(indexNow ? indexNowPort : baiduPort);
        const QByteArray channel = indexNow ? "indexnow" : "baidu";
        const int limit = indexNow ? 10000 : 2000;
        sqlite3_int64 below = std::numeric_limits<sqlite3_int64>::max();
        for (;;) {
            std::vector<sqlite3_int64> ids;
            QStringList urls;
            sqlite3_bind_int64(due, 1, below);
            sqlite3_bind_text(due, 2, channel.constData(), int(channel.size()), SQLITE_STATIC);
            sqlite3_bind_int(due, 3, limit);
            while (sqlite3_step(due) == SQLITE_ROW) {
                below = sqlite3_column_int64(due, 0);
                ids.push_back(below);
                urls << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(due, 1)));
            }
            sqlite3_reset(due);
            if (ids.empty())
                break;
            if (indexNow) {
                QJsonObject body;
                body.insert(QStringLiteral("host"), QStringLiteral("www.a.com"));
                body.insert(QStringLiteral("key"), QLatin1String(Key));
                body.insert(QStringLiteral("keyLocation"), QLatin1String(KeyLocation));
                body.insert(QStringLiteral("urlList"), QJsonArray::fromStringList(urls));
                socket.post("/indexnow", "application/json; charset=utf-8",
                            QJsonDocument(body).toJson(QJsonDocument::Compact));
            } else {
                socket.post(QByteArray("/urls?site=") + QUrl::toPercentEncoding(QLatin1String(Site), ":/")
                                + "&token=" + Token,
                            "text/plain", urls.join(u'\n').toUtf8());
            }
            const QByteArray now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_bind_text(insert, 2, channel.constData(), int(channel.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, now.constData(), int(now.size()), SQLITE_STATIC);
            for (const sqlite3_int64 id : ids) {
                sqlite3_bind_int64(insert, 1, id);
                sqlite3_step(insert);
                sqlite3_reset(insert);
            }
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    sqlite3_finalize(due);
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

double statusMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// What the fake services keep of every request they were sent.
double recordMb(const TestHttpServer &server)
{
    qint64 bytes = 0;
    for (const TestHttpServer::Request &request : server.requests())
        bytes += request.body.size() + request.target.size();
    return double(bytes) / (1024 * 1024);
}

qint64 pushRows()
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    return db.GetTable(QStringLiteral("select count(*) as c from mrv_orvik_push")).AsInteger(QStringLiteral("c"));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int addresses = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    ProgramFixture f;
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/')");
    f.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,title,url,rssid) "
                          "with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                          "select i,'标题'||i,'https://www.a.com/archives/'||i||'.html',1 from n")
               .arg(addresses));
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        PushSiteSettings s;
        s.baiduSite = QLatin1String(Site);
        s.baiduToken = QLatin1String(Token);
        s.indexNowKey = QLatin1String(Key);
        s.indexNowKeyLocation = QLatin1String(KeyLocation);
        PushSettings::save(db, 1, s);
    }

    TestHttpServer baidu([](const TestHttpServer::Request &r) {
        const qint64 count = r.body.count('\n') + 1;
        return TestHttpServer::Response::ok(
            QByteArray("{\"remain\":99999999,\"success\":") + QByteArray::number(count) + "}", "application/json");
    });
    TestHttpServer indexNow([](const TestHttpServer::Request &) {
        return TestHttpServer::Response::status("HTTP/1.1 202 Accepted");
    });
    f.settings.hosts.baiduzz = baidu.base();
    f.settings.hosts.indexnow = indexNow.base();

    QElapsedTimer clock;
    clock.start();
    floorPush(QStringLiteral("database.db"), baidu.port(), indexNow.port());
    const qint64 floorNs = clock.nsecsElapsed();
    const qint64 floorRows = pushRows();
    f.exec("delete from mrv_orvik_push");

    int lines = 0;
    PushLog log;
    log.appendStatusLog = [&lines](const QString &) { ++lines; };
    BatchPush push(log, f.settings);

    // The push's own peak: the high-water mark restarts here, after the store,
    // the floor and the services' record of the floor's requests were made.
    const double serverBefore = recordMb(baidu) + recordMb(indexNow);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    const double rssBefore = statusMb("VmRSS:");

    StallWatch stall;
    stall.start();
    clock.restart();
    const PushSummary summary = push.run(0);
    const qint64 ns = clock.nsecsElapsed();
    stall.stop();

    const double peak = statusMb("VmHWM:");
    const double serverGrowth = recordMb(baidu) + recordMb(indexNow) - serverBefore;
    const qint64 recorded = pushRows();
    std::printf("addresses: %d, requests %d/%d, recorded rows %lld (floor %lld), log lines %d\n", addresses,
                summary.requestsSent, summary.requestsPlanned, static_cast<long long>(recorded),
                static_cast<long long>(floorRows), lines);
    std::printf("push_1e5_s: %.2f\n", double(ns) / 1e9);
    std::printf("push_floor_s: %.2f\n", double(floorNs) / 1e9);
    std::printf("push_floor_ratio: %.2f\n", double(ns) / double(floorNs));
    std::printf("per_address_us: %.1f\n", double(ns) / 1e3 / addresses);
    std::printf("worst_stall_ms: %lld\n", static_cast<long long>(stall.worst));
    // The fake services keep every request they are sent; that part is theirs.
    std::printf("rss_before_push_mb: %.0f\n", rssBefore);
    std::printf("services_record_growth_mb: %.0f\n", serverGrowth);
    std::printf("peak_rss_mb: %.0f (less the services' record: %.0f)\n", peak, peak - serverGrowth);
    return recorded == 2LL * addresses && floorRows == recorded ? 0 : 1;
}
