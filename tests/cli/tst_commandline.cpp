// wexly-cli run as a process, as a timer or a shell runs it: no display, a
// temporary program directory, the outside services on a local server.
#include "TestDatabase.h"
#include "support/StoreRows.h"
#include "TestHttpServer.h"
#include "common/VersionText.h"
#include "common/mrv_fun.h"
#include "cli/Commands.h"
#include "platform/Codepage.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>
#include <sqlite3.h>

using Request = TestHttpServer::Request;
using Response = TestHttpServer::Response;

namespace {

const QString Cli = QStringLiteral(WEXLY_CLI_PATH);

struct CliResult {
    int status = -1;
    QString out;
    QString err;
    QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

// Runs the program to its end while this thread's event loop serves the
// local server's requests. No display: neither QT_QPA_PLATFORM nor DISPLAY.
QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

CliResult runCli(const QStringList &arguments, const QString &program = Cli,
                 const QString &workingDirectory = QString(),
                 const std::function<void(QProcess &)> &started = {})
{
    QProcess process;
    process.setProcessEnvironment(cliEnvironment());
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    if (started)
        started(process);
    loop.exec();
    CliResult result;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Starts the program once for each argument list, all at the same moment, and
// waits for every one while the local server answers.
QList<CliResult> runTogether(const QList<QStringList> &argumentLists)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList &arguments : argumentLists) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->setProcessEnvironment(cliEnvironment());
        processes.back()->start(Cli, arguments);
    }
    QDeadlineTimer deadline(120000);
    const auto running = [&] {
        return std::any_of(processes.begin(), processes.end(),
                           [](const auto &p) { return p->state() != QProcess::NotRunning; });
    };
    while (running() && !deadline.hasExpired())
        QTest::qWait(20);
    QList<CliResult> results;
    for (const auto &process : processes) {
        process->kill();
        process->waitForFinished();
        CliResult result;
        result.status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        result.out = QString::fromUtf8(process->readAllStandardOutput());
        result.err = QString::fromUtf8(process->readAllStandardError());
        results << result;
    }
    return results;
}

QByteArray feed(const QByteArray &title, const QByteArray &items, const QByteArray &encoding = "utf-8")
{
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?><rss><channel><title>" + title
        + "</title><link>http://site/</link>" + items + "</channel></rss>";
}

QByteArray item(const QByteArray &title, const QByteArray &link)
{
    return "<item><title>" + title + "</title>" + (link.isEmpty() ? QByteArray() : "<link>" + link + "</link>")
        + "</item>";
}

const QString Token = QStringLiteral("Tok3nSecret99");

// The feeds, the ping service (accepting unless told to fail), search pages
// that show hosts named "in.*" in bold, and the Baidu push service (taking
// every address unless told otherwise).
struct Services {
    QHash<QByteArray, QByteArray> feeds;
    bool pingFails = false;
    std::function<void()> onFeedRequest;
    std::function<Response(const Request &)> push;
    TestHttpServer server{[this](const Request &request) { return answer(request); }};

    Response answer(const Request &request)
    {
        if (request.target.startsWith("/urls?")) {
            if (push)
                return push(request);
            const qint64 count = request.body.count('\n') + 1;
            return Response::ok("{\"remain\":" + QByteArray::number(500 - count) + ",\"success\":"
                                    + QByteArray::number(count) + "}",
                                "application/json");
        }
        if (request.target == "/ping/RPC2")
            return pingFails ? Response::status("HTTP/1.1 503 Service Unavailable") : Response::ok("<int>0</int>");
        if (request.target.startsWith("/s?wd=http://")) {
            const QByteArray host = request.target.mid(13).split('/').first();
            return Response::ok(host.startsWith("in.") ? "<p><b>" + host + "</b>/x</p>" : "<p>none</p>");
        }
        if (onFeedRequest)
            onFeedRequest();
        if (feeds.contains(request.target))
            return Response::ok(feeds.value(request.target), "text/xml");
        return Response::status("HTTP/1.1 404 Not Found");
    }
    QStringList requestLines() const
    {
        QStringList lines;
        for (const Request &r : server.requests())
            lines << QString::fromUtf8(r.method + ' '
                                       + (r.target.startsWith("/s?") || r.target.startsWith("/urls?")
                                              ? r.target.left(6)
                                              : r.target));
        return lines;
    }
};

// A program directory with the store and a config.ini naming the local server.
struct ProgramDir {
    explicit ProgramDir(const Services &services)
    {
        QVERIFY(!TestDatabase::create(dir.path()).isEmpty());
        const QByteArray host = services.server.base().toUtf8();
        write(QStringLiteral("config.ini"), "[config]\r\npingSleep=0\r\ncheckInbaiduSleep=0\r\n[hosts]\r\nping=" + host
                                                + "\r\nbaidu=" + host + "\r\nproduct=" + host + "\r\nbaiduzz=" + host + "\r\n");
    }
    QString path(const QString &name = QString()) const { return dir.path() + u'/' + name; }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void exec(const QString &sql) const { QVERIFY(TestDatabase::execRaw(path("database.db"), Codepage::toLegacy(sql))); }
    // Baidu push for a site, as its settings window saves it.
    void pushSettings(int rssid, const QString &baiduSite) const
    {
        {
            TSQLiteDatabase db(path(QStringLiteral("database.db")));
            ExtendedTables::ensure(db);
        }
        exec(QStringLiteral("insert into mrv_orvik_pushsite(rssid,baidusite,baidutoken,baidudaily,indexnowkey,"
                            "indexnowkeylocation) values (%1,'%2','%3',0,'','')")
                 .arg(rssid)
                 .arg(baiduSite, Token));
    }
    QStringList pushRows() const
    {
        TSQLiteDatabase db(path(QStringLiteral("database.db")));
        TSQLiteTable t = db.GetTable("select dataid,channel,result from mrv_orvik_push order by dataid,channel");
        QStringList out;
        for (; !t.Eof(); t.Next())
            out << t.FieldAsString(0) + u'|' + t.FieldAsString(1) + u'|' + t.FieldAsString(2);
        return out;
    }
    QStringList rows(const QString &columns) const
    {
        return storeRows(path(QStringLiteral("database.db")),
                         "select " + columns + " from mrv_orvik_rssurl order by dataid");
    }
    CliResult run(QStringList arguments, const QString &workingDirectory = QString()) const
    {
        return runCli(QStringList{QStringLiteral("--dir"), dir.path()} + arguments, Cli, workingDirectory);
    }

    QTemporaryDir dir;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString hoursAgo(int hours)
{
    return FormatTimestamp(QDateTime::currentDateTime().addSecs(-3600LL * hours));
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void helpAndVersion()
    {
        const CliResult help = runCli({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.err.isEmpty());
        QVERIFY(help.out.startsWith(QStringLiteral("Usage: wexly-cli")));
        for (const Command &command : commandTable())
            QVERIFY2(help.out.contains(QStringLiteral("  ") + command.name), qPrintable(command.name));

        const CliResult version = runCli({QStringLiteral("--version")});
        QCOMPARE(version.status, 0);
        const QString text = GetVersionString(Cli);
        QVERIFY(text != QStringLiteral("?"));
        QCOMPARE(version.out, QStringLiteral("wexly-cli ") + text + u'\n');
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << QStringList{"publish"};
        QTest::newRow("unknown option") << QStringList{"ping", "--force"};
        QTest::newRow("option of another command") << QStringList{"daily", "--site", "1"};
        QTest::newRow("missing value") << QStringList{"check", "--site"};
        QTest::newRow("site not a number") << QStringList{"ping", "--site=1x"};
        QTest::newRow("negative site") << QStringList{"ping", "--site", "-1"};
        QTest::newRow("extra argument") << QStringList{"check", "http://a/"};
        QTest::newRow("dir without value") << QStringList{"--dir"};
        QTest::newRow("push site not a number") << QStringList{"push", "--site", "x"};
        QTest::newRow("push with an argument") << QStringList{"push", "http://a/"};
        QTest::newRow("export without file") << QStringList{"export", "--site", "1"};
        QTest::newRow("export with two files") << QStringList{"export", "a.csv", "b.csv"};
        QTest::newRow("export to an empty name") << QStringList{"export", ""};
        QTest::newRow("search without value") << QStringList{"export", "a.csv", "--search"};
        QTest::newRow("stats for one site") << QStringList{"stats", "--site", "1"};
        QTest::newRow("search for stats") << QStringList{"stats", "--search=a"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        // A usage error is found before the program directory is looked at.
        const CliResult result = runCli(QStringList{"--dir", "/nonexistent"} + arguments);
        QCOMPARE(result.status, 2);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.startsWith(QStringLiteral("wexly-cli: ")), qPrintable(result.err));
        QVERIFY(result.err.contains(QStringLiteral("Usage: wexly-cli")));
    }

    void aDirectoryWithoutTheStoreIsRefusedUntouched()
    {
        QTemporaryDir empty;
        const CliResult result = runCli({QStringLiteral("--dir"), empty.path(), QStringLiteral("check")});
        QCOMPARE(result.status, 1);
        QVERIFY(result.err.contains(QStringLiteral("no database.db")));
        QVERIFY(QDir(empty.path()).isEmpty());
        QCOMPARE(runCli({QStringLiteral("--dir"), empty.path() + "/nothing", QStringLiteral("ping")}).status, 1);
    }

    void fetchImportsEachAddressAndCountsTheNewOnesPerSite()
    {
        Services services;
        services.feeds["/a.xml"] = feed(Codepage::toLegacy(QStringLiteral("中文站")),
                                        item("one", "http://in.z.cn/1") + item("no link", ""), "gb2312");
        services.feeds["/b.xml"] = feed("乙站", item("b1", "http://b.cn/1") + item("shared", "http://in.z.cn/1"));
        ProgramDir dir(services);
        const QString a = services.server.url(QStringLiteral("/a.xml"));
        const QString b = services.server.url(QStringLiteral("/b.xml"));
        const QString missing = services.server.url(QStringLiteral("/missing.xml"));
        const QString placeholder = "http://" + services.server.base() + "/";

        // A failing address is reported and the others still run.
        CliResult result = dir.run({QStringLiteral("fetch"), a, missing, b});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, missing + QStringLiteral(": 网络出错:HTTP/1.1 404 Not Found\n"));
        QCOMPARE(result.outLines(), (QStringList{QStringLiteral("【中文站】新增2条"), QStringLiteral("【乙站】新增1条")}));
        QCOMPARE(dir.rows("rssid,title,url"),
                 (QStringList{"1|one|http://in.z.cn/1", "1|no link|" + placeholder, "2|b1|http://b.cn/1"}));
        QCOMPARE(dir.read(QStringLiteral("rss.xml")), services.feeds["/b.xml"]);
        // The window's drop-down list learns the fetched feeds, the latest first.
        QCOMPARE(dir.read(QStringLiteral("rssurl.txt")), Codepage::encodeLines({b, a}));

        // Without addresses: the feed of every stored site. An address too
        // long to be one is skipped and counted.
        services.feeds["/a.xml"] = feed("renamed", item("one", "http://in.z.cn/1") + item("three", "http://z.cn/3")
                                                       + item("long", "http://z.cn/" + QByteArray(2040, 'x')));
        const int before = int(services.server.requests().size());
        result = dir.run({QStringLiteral("fetch")});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        QCOMPARE(result.outLines(), (QStringList{QStringLiteral("跳过1条过长的地址"), QStringLiteral("【中文站】新增1条"),
                                                 QStringLiteral("【乙站】新增0条")}));
        QCOMPARE(services.requestLines().mid(before), (QStringList{"GET /a.xml", "GET /b.xml"}));
        QCOMPARE(dir.rows("rssid,url").last(), QStringLiteral("1|http://z.cn/3"));
    }

    void pingAndCheckRunTheWindowsBatches()
    {
        Services services;
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','http://a/')");
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/rss.xml','乙','http://b/')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'http://in.a/1')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url,lasttime,checktime,isinbaidu) values (2,1,'http://a/2','"
                 + hoursAgo(1) + "','" + hoursAgo(2) + "',1)");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (3,2,'http://b/3')");

        CliResult result = dir.run({QStringLiteral("ping"), QStringLiteral("--site"), QStringLiteral("1")});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        // Not a terminal: the status log lines and nothing else.
        QCOMPARE(result.out, QStringLiteral("http://a/2----一天内ping过了，不重复ping\n"
                                            "http://in.a/1----PING成功\n"));
        QCOMPARE(services.requestLines(), QStringList{"POST /ping/RPC2"});
        QVERIFY(services.server.requests().first().body.contains("站点甲"));
        const QStringList pinged = dir.rows("firsttime,lasttime");
        QVERIFY(!pinged[0].startsWith(u'|') && pinged[0].section(u'|', 0, 0) == pinged[0].section(u'|', 1, 1));
        QCOMPARE(pinged[2], QStringLiteral("|"));

        result = dir.run({QStringLiteral("check")});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QStringLiteral("http://b/3----未收录\n"
                                            "http://a/2----一天内检测过【已收录】，不再重复检测\n"
                                            "http://in.a/1----恭喜，此地址被百度收录\n"));
        QCOMPARE(dir.rows("isinbaidu"), (QStringList{"1", "1", "0"}));
        QVERIFY(!dir.rows("checktime")[2].isEmpty());

        // A site number that names no site fails the step, for either run.
        for (const QString &command : {QStringLiteral("ping"), QStringLiteral("check")}) {
            result = dir.run({command, QStringLiteral("--site=9")});
            QCOMPARE(result.status, 1);
            QVERIFY(result.out.isEmpty());
            QCOMPARE(result.err, command + QStringLiteral(": rssid参数错误，进程中止.\n"));
        }
    }

    void pushSendsWhatIsDueOnceAndLogsRefusals()
    {
        Services services;
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/')");
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/rss.xml','乙','http://b/')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'https://www.a.com/1'),"
                 "(2,1,'https://www.a.com/2'),(3,2,'http://b/3')");
        dir.pushSettings(1, QStringLiteral("https://www.a.com"));

        CliResult result = dir.run({QStringLiteral("push")});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        // Not a terminal: no progress, only the status log.
        QCOMPARE(result.out, QStringLiteral("【站点甲】百度推送：成功2条，今日剩余498条\n【乙】未设置推送，跳过\n"));
        QCOMPARE(services.requestLines(), QStringList{"POST /urls?"});
        const Request request = services.server.requests().first();
        const QUrlQuery query(QUrl(QStringLiteral("http://h") + QString::fromUtf8(request.target)));
        QCOMPARE(query.queryItemValue(QStringLiteral("site"), QUrl::FullyDecoded), QStringLiteral("https://www.a.com"));
        QCOMPARE(query.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded), Token);
        QCOMPARE(request.header("Content-Type"), QByteArray("text/plain"));
        QCOMPARE(request.body, QByteArray("https://www.a.com/2\nhttps://www.a.com/1"));
        QCOMPARE(dir.pushRows(), (QStringList{"1|baidu|ok", "2|baidu|ok"}));

        // Recorded addresses are not sent again.
        result = dir.run({QStringLiteral("push"), QStringLiteral("--site=1")});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QStringLiteral("【站点甲】没有需要推送的地址\n"));
        QCOMPARE(services.server.requests().size(), 1);

        // The service refusing the token stops the channel and fails the run,
        // so a timer's status shows it; nothing is recorded.
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (4,1,'https://www.a.com/4')");
        services.push = [](const Request &) {
            return Response::status("HTTP/1.1 401 Unauthorized", "{\"error\":401,\"message\":\"token is not valid\"}");
        };
        result = dir.run({QStringLiteral("push"), QStringLiteral("--site"), QStringLiteral("1")});
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err, QStringLiteral("【站点甲】百度密钥无效\n"));
        QCOMPARE(dir.pushRows().size(), 2);
        QVERIFY(!result.out.contains(Token));

        // A site number that names no site fails the step.
        result = dir.run({QStringLiteral("push"), QStringLiteral("--site=9")});
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err, QStringLiteral("push: rssid参数错误，进程中止.\n"));
        QCOMPARE(services.server.requests().size(), 2);
    }

    void exportWritesTheListThroughAFileOfItsOwn()
    {
        Services services;
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','http://a/')");
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/rss.xml','乙','http://b/')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,title,url,isinbaidu,checktime,firsttime,lasttime) values "
                 "(1,1,'标题, \"引号\"','http://a/1',1,'2026-01-02 03:04:05','2026-01-01 00:00:00','2026-01-01 08:00:00')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,title,url) values (2,1,'Two','http://a/2'),(3,2,'三','http://b/3')");
        const QByteArray header = "\xEF\xBB\xBF编号,标题,地址,站点,收录,检测收录时间,首次PING时间,最后PING时间,推送时间\r\n";
        QTemporaryDir start;

        // A relative name is where the user started the program, not the program directory.
        CliResult result = dir.run({QStringLiteral("export"), QStringLiteral("all.csv")}, start.path());
        QCOMPARE(result.status, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        QCOMPARE(result.out, QStringLiteral("导出完成：3条\n"));
        QCOMPARE(readAll(start.filePath(QStringLiteral("all.csv"))),
                 header + "3,三,http://b/3,乙,,,,,\r\n2,Two,http://a/2,站点甲,,,,,\r\n"
                          "1,\"标题, \"\"引号\"\"\",http://a/1,站点甲,是,2026-01-02 03:04:05,2026-01-01 00:00:00,"
                          "2026-01-01 08:00:00,\r\n");
        QVERIFY(!QFileInfo::exists(dir.path(QStringLiteral("all.csv"))));

        result = dir.run({QStringLiteral("export"), QStringLiteral("--site=1"), QStringLiteral("--search"),
                          QStringLiteral("two"), start.filePath(QStringLiteral("one.csv"))});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QStringLiteral("导出完成：1条\n"));
        QCOMPARE(readAll(start.filePath(QStringLiteral("one.csv"))), header + "2,Two,http://a/2,站点甲,,,,,\r\n");

        // A target that cannot be written: an error and no file, whole or half.
        QVERIFY(QDir(start.path()).mkdir(QStringLiteral("taken.csv")));
        for (const QString &target : {QStringLiteral("missing/out.csv"), QStringLiteral("taken.csv")}) {
            result = dir.run({QStringLiteral("export"), target}, start.path());
            QCOMPARE(result.status, 1);
            QVERIFY(result.out.isEmpty());
            QVERIFY2(result.err.startsWith(QStringLiteral("export: 无法写入文件：") + start.filePath(target) + u' '),
                     qPrintable(result.err));
            QCOMPARE(QDir(start.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     (QStringList{"all.csv", "one.csv", "taken.csv"}));
        }
        QVERIFY(QDir(start.filePath(QStringLiteral("taken.csv"))).isEmpty());

        result = dir.run({QStringLiteral("export"), QStringLiteral("--site=9"), QStringLiteral("none.csv")},
                         start.path());
        QCOMPARE(result.status, 1);
        QVERIFY(!QFileInfo::exists(start.filePath(QStringLiteral("none.csv"))));

        // The store named from the program directory itself.
        const QByteArray store = readAll(dir.path(QStringLiteral("database.db")));
        result = dir.run({QStringLiteral("export"), QStringLiteral("database.db")}, dir.path(QString()));
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.startsWith(QStringLiteral("export: 不能覆盖程序自身的文件：")
                                       + dir.path(QStringLiteral("database.db"))),
                 qPrintable(result.err));
        QCOMPARE(readAll(dir.path(QStringLiteral("database.db"))), store);
    }

    void statsAndSitesPrintAlignedColumnsByNumber()
    {
        Services services;
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','http://a/')");
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (12,'http://b/rss.xml','b\nsite','http://b/')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url,firsttime,isinbaidu) values "
                 "(1,1,'http://a/1','2026-01-01 00:00:00',1),(2,1,'http://a/2',null,0),(3,1,'http://a/3',null,null),"
                 "(4,12,'http://b/4',null,null)");
        {
            TSQLiteDatabase db(dir.path(QStringLiteral("database.db")));
            ExtendedTables::ensure(db);
        }
        dir.exec("insert into mrv_orvik_indexed(dataid,firstseen) values (1,'2026-01-03 12:00:00')");

        const CliResult result = dir.run({QStringLiteral("stats")});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        // Chinese characters take two columns; a line break in a name would break the table.
        QCOMPARE(result.outLines(),
                 (QStringList{
                     "编号  站点    地址数  已Ping  已推送  已检测  已收录  收录率  平均收录天数",
                     "   1  站点甲       3       1       0       2       1   50.0%           2.5",
                     "  12  b site       1       0       0       0       0       -             -",
                     "      合计         4       1       0       2       1   50.0%           2.5"}));

        // The numbers that --site takes, and a site without addresses.
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (3,'http://c/feed','C','http://c/')");
        const CliResult sites = dir.run({QStringLiteral("sites")});
        QCOMPARE(sites.status, 0);
        QCOMPARE(sites.outLines(), (QStringList{"编号  站点    Rss地址           地址数",
                                                "   1  站点甲  http://a/rss.xml       3",
                                                "   3  C       http://c/feed          0",
                                                "  12  b site  http://b/rss.xml       1"}));
    }

    void auditPrintsTheAddressesWithProblemsAndTheTotals()
    {
        Services services;
        ProgramDir dir(services);
        dir.write(QStringLiteral("config.ini"), "[config]\r\nauditSleep=0\r\n");
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'r1','甲'),(2,'r2','乙')");
        dir.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'%1'),(2,1,'%2'),(3,2,'%3')")
                     .arg(services.server.url("/a.xml"), services.server.url("/gone"), services.server.url("/b")));
        services.feeds["/a.xml"] = "<html></html>";
        {
            TSQLiteDatabase db(dir.path(QStringLiteral("database.db")));
            ExtendedTables::ensure(db);
        }
        dir.exec("insert into mrv_orvik_audit(dataid,audittime,problems,ok) values (3,'" + hoursAgo(1) + "','正常',1)");

        CliResult result = dir.run({QStringLiteral("audit")});
        QCOMPARE(result.status, 0); // problems found are not a failure
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        QCOMPARE(result.outLines(), (QStringList{services.server.url("/gone") + QStringLiteral("----页面返回404"),
                                                 QStringLiteral("诊断完成：2条，有问题1条")}));

        result = dir.run({QStringLiteral("audit"), QStringLiteral("--site"), QStringLiteral("9")});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, QStringLiteral("audit: rssid参数错误，进程中止.\n"));
    }

    void dailyGoesOnAfterAFailingStep()
    {
        Services services;
        services.pingFails = true;
        services.feeds["/a.xml"] = feed("甲", item("one", "http://in.z.cn/1") + item("two", "http://z.cn/2"));
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'"
                 + services.server.url(QStringLiteral("/a.xml")) + "','甲','http://site/')");
        dir.pushSettings(1, QStringLiteral("http://site"));

        const CliResult result = dir.run({QStringLiteral("daily")});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, QStringLiteral("ping: HTTP/1.1 503 Service Unavailable.\n"));
        QCOMPARE(result.outLines(), (QStringList{QStringLiteral("【甲】新增2条"), QStringLiteral("【甲】百度推送：成功2条，今日剩余498条"),
                                                 QStringLiteral("http://z.cn/2----未收录"),
                                                 QStringLiteral("http://in.z.cn/1----恭喜，此地址被百度收录")}));
        // Fetch, push what the fetch brought, then ping (which stops at its
        // first address), then check.
        QCOMPARE(services.requestLines(),
                 (QStringList{"GET /a.xml", "POST /urls?", "POST /ping/RPC2", "GET /s?wd=", "GET /s?wd="}));
        QCOMPARE(dir.rows("lasttime,isinbaidu"), (QStringList{"|1", "|0"}));
        QCOMPARE(dir.pushRows(), (QStringList{"1|baidu|ok", "2|baidu|ok"}));
    }

    void waitsForALockAnotherProcessHolds()
    {
        Services services;
        services.feeds["/a.xml"] = feed("甲", item("one", "http://a/1") + item("two", "http://a/2"));
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'"
                 + services.server.url(QStringLiteral("/a.xml")) + "','甲','http://site/')");
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (2,'http://b/','乙','http://b/')");

        // As the window holds it during its own import: a write lock, from the
        // moment the CLI has the feed until two seconds later.
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(dir.path("database.db").toUtf8().constData(), &other), SQLITE_OK);
        const auto closeOther = qScopeGuard([&] { sqlite3_close(other); });
        sqlite3_busy_timeout(other, 10000);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO mrv_orvik_rssurl(title,url,rssid) "
                                     "VALUES ('held','http://b/held',2);",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QProcess *cli = nullptr;
        bool committed = false;
        bool waitedForIt = false;
        int commitResult = -1;
        services.onFeedRequest = [&] {
            if (committed)
                return;
            committed = true;
            QTimer::singleShot(2000, [&] {
                waitedForIt = cli->state() != QProcess::NotRunning;
                commitResult = sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
            });
        };
        const CliResult result = runCli({QStringLiteral("--dir"), dir.path(), QStringLiteral("fetch"),
                                         services.server.url(QStringLiteral("/a.xml"))},
                                        Cli, {},
                                        [&](QProcess &process) { cli = &process; });

        QCOMPARE(commitResult, SQLITE_OK);
        QVERIFY(waitedForIt);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        QCOMPARE(result.status, 0);
        QCOMPARE(result.outLines(), QStringList{QStringLiteral("【甲】新增2条")});
        QCOMPARE(dir.rows("url"), (QStringList{"http://b/held", "http://a/1", "http://a/2"}));
    }

    // What a timer's user must act on fails the run with its line on standard
    // error; a spent quota is news for standard output.
    void pushExitStatusTellsWhatNeedsTheUser_data()
    {
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        QTest::newRow("site not verified") << QByteArray("HTTP/1.1 400 Bad Request")
                                           << QByteArray(R"({"error":400,"message":"site error"})") << 1
                                           << QStringLiteral("【站点甲】百度站点未验证");
        QTest::newRow("answer not recognised") << QByteArray("HTTP/1.1 200 OK") << QByteArray(R"({"remain":5})") << 1
                                               << QStringLiteral("【站点甲】百度推送失败：无法识别的应答");
        QTest::newRow("quota spent") << QByteArray("HTTP/1.1 400 Bad Request")
                                     << QByteArray(R"({"error":400,"message":"over quota"})") << 0
                                     << QStringLiteral("【站点甲】百度推送今日配额已用完，其余地址明天再推");
    }

    void pushExitStatusTellsWhatNeedsTheUser()
    {
        QFETCH(QByteArray, statusLine);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, line);
        Services services;
        services.push = [&](const Request &) { return Response::status(statusLine, body); };
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'https://www.a.com/1')");
        dir.pushSettings(1, QStringLiteral("https://www.a.com"));
        const CliResult result = dir.run({QStringLiteral("push")});
        QCOMPARE(result.status, status);
        QCOMPARE(status ? result.err : result.out, line + u'\n');
        QVERIFY((status ? result.out : result.err).isEmpty());
        QVERIFY(dir.pushRows().isEmpty());
    }

    void fetchFailsForEachUnreadablePartOfAnIndex()
    {
        Services services;
        ProgramDir dir(services);
        const QByteArray part = services.server.url(QStringLiteral("/part.xml")).toUtf8();
        const QByteArray missing = services.server.url(QStringLiteral("/missing.xml")).toUtf8();
        services.feeds["/index.xml"] = "<?xml version=\"1.0\"?><sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><sitemap><loc>" + part
            + "</loc></sitemap><sitemap><loc>" + missing + "</loc></sitemap></sitemapindex>";
        services.feeds["/part.xml"] = "<?xml version=\"1.0\"?><urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>http://127.0.0.1/a</loc></url></urlset>";
        const CliResult result = dir.run({QStringLiteral("fetch"), services.server.url(QStringLiteral("/index.xml"))});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, "读取站点地图失败:" + QString::fromUtf8(missing) + " HTTP/1.1 404 Not Found\n");
        QCOMPARE(dir.rows("url"), QStringList{"http://127.0.0.1/a"});
    }

    // Runs of one kind on one program directory, side by side: the second
    // does not start, so nothing is sent or stored twice.
    void runsOfOneKindAtOnce_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("busy");
        QTest::newRow("push") << "push" << "另一个程序正在执行批量推送，请稍后再试\n";
        QTest::newRow("fetch of one new feed") << "fetch" << "另一个程序正在执行获取Rss，请稍后再试\n";
        QTest::newRow("audit") << "audit" << "另一个程序正在执行收录诊断，请稍后再试\n";
    }

    void runsOfOneKindAtOnce()
    {
        QFETCH(QString, command);
        QFETCH(QString, busy);
        Services services;
        QString items;
        for (int i = 1; i <= 30; ++i)
            items += QStringLiteral("<item><title>t</title><link>https://www.a.com/%1</link></item>").arg(i);
        services.feeds["/a.xml"] = feed("甲", items.toUtf8());
        // Both slow enough that the second run starts while the first one waits.
        services.push = [](const Request &r) {
            return Response::ok("{\"remain\":100,\"success\":" + QByteArray::number(r.body.count('\n') + 1) + "}",
                                "application/json")
                .slow(4, 500);
        };
        services.onFeedRequest = [] { QTest::qWait(1500); };
        ProgramDir dir(services);
        if (command == "push") {
            dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/')");
            for (int i = 1; i <= 30; ++i)
                dir.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,rssid,url) values (%1,1,'https://www.a.com/%1')").arg(i));
            dir.pushSettings(1, QStringLiteral("https://www.a.com"));
        } else if (command == "audit") {
            dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'r','甲')");
            dir.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'%1'),(2,1,'%2')")
                         .arg(services.server.url("/p1"), services.server.url("/p2")));
        }
        QStringList arguments{QStringLiteral("--dir"), dir.path(), command};
        if (command == "fetch")
            arguments << services.server.url(QStringLiteral("/a.xml"));
        const QList<CliResult> results = runTogether({arguments, arguments});
        const int refused = results[0].status == 1 ? 0 : 1;
        QCOMPARE(results[refused].status, 1);
        QCOMPARE(results[refused].err, busy);
        QCOMPARE(results[1 - refused].status, 0);
        if (command == "push") {
            QStringList sent;
            for (const Request &r : services.server.requests())
                sent += QString::fromUtf8(r.body).split(u'\n');
            QCOMPARE(sent.size(), 30);
            QCOMPARE(dir.pushRows().size(), 30);
        } else if (command == "audit") {
            QStringList pages;
            for (const Request &r : services.server.requests())
                pages << QString::fromLatin1(r.target);
            pages.sort();
            QCOMPARE(pages, QStringList({"/p1", "/p2", "/robots.txt"}));
            QCOMPARE(storeRows(dir.path(QStringLiteral("database.db")), "select dataid from mrv_orvik_audit order by 1"),
                     QStringList({"1", "2"}));
        } else {
            QCOMPARE(storeRows(dir.path(QStringLiteral("database.db")), "select count(*) from mrv_orvik_rss"),
                     QStringList{"1"});
            QCOMPARE(dir.rows("url").size(), 30);
        }
    }

    void aLockLeftByAKilledRunDoesNotBlockTheNext()
    {
        Services services;
        services.push = [](const Request &) { return Response::never(); };
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename,siteurl) values (1,'http://a/rss.xml','站点甲','https://www.a.com/')");
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'https://www.a.com/1')");
        dir.pushSettings(1, QStringLiteral("https://www.a.com"));
        QProcess killed;
        killed.setProcessEnvironment(cliEnvironment());
        killed.start(Cli, {QStringLiteral("--dir"), dir.path(), QStringLiteral("push")});
        QTRY_VERIFY_WITH_TIMEOUT(!services.server.requests().isEmpty(), 20000);
        killed.kill();
        killed.waitForFinished();
        QVERIFY(QFile::exists(dir.path(QStringLiteral("push.lock"))));
        services.push = {};
        const CliResult result = dir.run({QStringLiteral("push")});
        QCOMPARE(result.status, 0);
        QCOMPARE(dir.pushRows(), QStringList{"1|baidu|ok"});
    }

    void withoutDirItWorksBesideItsProgramFile()
    {
        Services services;
        ProgramDir dir(services);
        dir.exec("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'http://in.a/1')");
        const QString copy = dir.path(QStringLiteral("wexly-cli"));
        QVERIFY(QFile::copy(Cli, copy));
        QTemporaryDir elsewhere;
        const CliResult result = runCli({QStringLiteral("check")}, copy, elsewhere.path());
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QStringLiteral("http://in.a/1----恭喜，此地址被百度收录\n"));
        QCOMPARE(dir.rows("isinbaidu"), QStringList{"1"});
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    void withoutDirAndNoProgramFolderItTakesTheUsersDataFolder()
    {
        // A program file without config.ini or database.db beside it: installed
        // mode, whose data folder cannot be made where a file is in the way.
        QTemporaryDir bin;
        const QString copy = bin.filePath(QStringLiteral("wexly-cli"));
        QVERIFY(QFile::copy(Cli, copy));
        const QString blocked = bin.filePath(QStringLiteral("data"));
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QByteArray home = qgetenv("HOME");
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            if (dataHome.isNull())
                qunsetenv("XDG_DATA_HOME");
            else
                qputenv("XDG_DATA_HOME", dataHome);
        });
        qputenv("HOME", bin.path().toUtf8());
        qputenv("XDG_DATA_HOME", blocked.toUtf8());

        const CliResult result = runCli({QStringLiteral("stats")}, copy, bin.path());
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err, QStringLiteral("wexly-cli: 无法创建数据文件夹 ") + blocked + QStringLiteral("/wexly/\n"));
        QCOMPARE(QDir(bin.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"data", "wexly-cli"}));
    }

    void unitFilesPassSystemdsCheck()
    {
        const QString unitDir = QStringLiteral(WEXLY_CLI_UNIT_DIR);
        QFile service(unitDir + "/wexly-daily.service");
        QVERIFY(service.open(QIODevice::ReadOnly));
        QVERIFY(service.readAll().contains("ExecStart=" + Cli.toUtf8() + " daily\n"));

        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is not installed");
        QProcess verify;
        // The user manager's checks want a runtime directory, which a build
        // machine's session may lack.
        QTemporaryDir runtime;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!environment.contains(QStringLiteral("XDG_RUNTIME_DIR")))
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        verify.setProcessEnvironment(environment);
        verify.start(analyze, {QStringLiteral("--user"), QStringLiteral("verify"), unitDir + "/wexly-daily.service",
                               unitDir + "/wexly-daily.timer"});
        QVERIFY(verify.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(verify.readAllStandardOutput() + verify.readAllStandardError());
        QVERIFY2(verify.exitStatus() == QProcess::NormalExit && verify.exitCode() == 0, qPrintable(output));
        QVERIFY2(!output.contains(QStringLiteral("wexly-daily")), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
