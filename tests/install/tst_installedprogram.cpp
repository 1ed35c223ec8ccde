// Installs this build into a temporary prefix and starts the installed program
// offscreen, with its home and data home in temporary folders.
#include "TestHttpServer.h"
#include "platform/OnlineTest.h"
#include "store/DatabaseFile.h"
#include "store/SQLiteDatabase.h"

#include <QImageReader>
#include <QProcess>
#include <QtTest>

#ifndef WEXLY_BINARY_DIR
#define WEXLY_BINARY_DIR ""
#define WEXLY_CMAKE_COMMAND "cmake"
#endif

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
};

ToolRun runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {-1, "did not finish: " + program.toUtf8() + ' ' + process.errorString().toUtf8()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

qint64 countRows(const QString &database, const QString &statement)
{
    TSQLiteDatabase db(database);
    return db.GetTable(statement).FieldAsInteger(0);
}

QString canonical(const QString &path) { return QFileInfo(path).canonicalFilePath(); }
} // namespace

class TestInstalledProgram : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    TestHttpServer m_banner;
    bool m_online = false;

    QString prefix(const QString &name = {}) const { return m_work.filePath(QStringLiteral("prefix/") + name); }
    QString work(const QString &name) const { return m_work.filePath(name); }

    // A config.ini whose hosts all point at this machine: the banner at the
    // test server, the others at a closed port.
    QByteArray localConfig(const QByteArray &config) const
    {
        QByteArray text = "[config]\r\n" + config + "[hosts]\r\nbanner=" + m_banner.base().toUtf8() + "\r\n";
        for (const char *key : {"ping", "baidu", "so", "sogou", "aizhan", "aizhanstatic", "chinaz", "product"})
            text += QByteArray(key) + "=127.0.0.1:9\r\n";
        return text;
    }

    // Starts the program at executable offscreen from a neutral working folder,
    // waits until its start-up has moved into expectedDir and (online) asked
    // for the banner, the last step of start-up, and ends it.
    void startAndEnd(const QString &executable, const QString &dataHome, const QString &expectedDir)
    {
        const qsizetype bannerRequests = m_banner.requests().size();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), work(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        QDir().mkpath(work(QStringLiteral("home")));
        QDir().mkpath(work(QStringLiteral("elsewhere")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(work(QStringLiteral("elsewhere")));
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(executable, {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        const QString cwdLink = QStringLiteral("/proc/%1/cwd").arg(program.processId());
        QTRY_COMPARE_WITH_TIMEOUT(canonical(QFileInfo(cwdLink).symLinkTarget()), canonical(expectedDir), 30000);
        if (m_online)
            QTRY_VERIFY_WITH_TIMEOUT(m_banner.requests().size() > bannerRequests, 30000);
        else
            QTest::qWait(2000);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        m_online = systemIsOnline();
        const ToolRun install = runTool(QStringLiteral(WEXLY_CMAKE_COMMAND),
                                        {"--install", WEXLY_BINARY_DIR, "--prefix", prefix()});
        QVERIFY2(install.exitCode == 0, install.output.constData());
    }

    void installsProgramDefaultsAndMenuEntry()
    {
        for (const char *name : {"bin/wexly", "share/wexly/config.ini", "share/wexly/help.xml",
                                 "share/wexly/schema.sql", "share/applications/wexly.desktop",
                                 "share/icons/hicolor/scalable/apps/wexly.svg",
                                 "share/metainfo/example.orvik.wexly.metainfo.xml"})
            QVERIFY2(QFileInfo::exists(prefix(QLatin1String(name))), name);
        QVERIFY(QFileInfo(prefix(QStringLiteral("bin/wexly"))).isExecutable());
        QCOMPARE(readFile(prefix(QStringLiteral("share/wexly/config.ini"))),
                 readFile(QStringLiteral(WEXLY_SOURCE_DIR "/resources/config.ini")));
        for (int size : {48, 128, 256}) {
            const QString png = prefix(QStringLiteral("share/icons/hicolor/%1x%1/apps/wexly.png").arg(size));
            QImageReader reader(png);
            QCOMPARE(reader.format(), QByteArray("png"));
            QCOMPARE(reader.size(), QSize(size, size));
        }

        const QString desktop = prefix(QStringLiteral("share/applications/wexly.desktop"));
        const ToolRun entry = runTool(QStringLiteral("desktop-file-validate"), {desktop});
        QVERIFY2(entry.exitCode == 0 && entry.output.trimmed().isEmpty(), entry.output.constData());
        const QString text = QString::fromUtf8(readFile(desktop));
        for (const char *line : {"Name=Orvik 站长工具", "Exec=wexly", "Icon=wexly",
                                 "Categories=Network;WebDevelopment;", "GenericName=", "GenericName[zh_CN]=",
                                 "Comment=", "Comment[zh_CN]="})
            QVERIFY2(text.contains(QLatin1Char('\n') + QString::fromUtf8(line)), line);

        const QString metainfo = prefix(QStringLiteral("share/metainfo/example.orvik.wexly.metainfo.xml"));
        const ToolRun appstream = runTool(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo});
        QVERIFY2(appstream.exitCode == 0, appstream.output.constData());
        const QByteArray xml = readFile(metainfo);
        QVERIFY(xml.contains("<release version=\"1.0.0.29\""));
        QVERIFY(xml.contains("<caption>"));
        QVERIFY(xml.contains("<launchable type=\"desktop-id\">wexly.desktop</launchable>"));
    }

    void firstStartFillsTheDataFolderAndLaterStartsKeepIt()
    {
        // The installed defaults, made to talk only to this machine.
        const QString defaults = prefix(QStringLiteral("share/wexly/"));
        writeFile(defaults + "config.ini", localConfig("pingSleep=1000\r\n"));
        const QString data = work(QStringLiteral("data/wexly/"));

        startAndEnd(prefix(QStringLiteral("bin/wexly")), work(QStringLiteral("data")), data);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(readFile(data + "config.ini"), readFile(defaults + "config.ini"));
        QCOMPARE(readFile(data + "help.xml"), readFile(defaults + "help.xml"));
        QCOMPARE(countRows(data + "database.db", "select count(*) from mrv_orvik_rssurl"), 0);
        QCOMPARE(QDir(prefix(QStringLiteral("bin"))).entryList(QDir::Files), (QStringList{"wexly", "wexly-cli"}));
        QVERIFY(QDir(work(QStringLiteral("elsewhere"))).isEmpty());

        // The user's changes survive the next start.
        const QByteArray changed = localConfig("pingSleep=5\r\n; mine\r\n");
        writeFile(data + "config.ini", changed);
        {
            TSQLiteDatabase db(data + "database.db");
            db.ExecSQL("insert into mrv_orvik_rss(rssurl,sitename) values ('http://a/rss.xml','a')");
            db.ExecSQL("insert into mrv_orvik_rssurl(url,rssid) values ('http://a/1.html',1)");
        }
        startAndEnd(prefix(QStringLiteral("bin/wexly")), work(QStringLiteral("data")), data);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(readFile(data + "config.ini"), changed);
        QCOMPARE(countRows(data + "database.db", "select count(*) from mrv_orvik_rssurl"), 1);
        QCOMPARE(countRows(data + "database.db", "select count(*) from mrv_orvik_rss"), 1);
    }

    void commandLineWithoutDirUsesTheUsersDataFolder()
    {
        const QString cli = prefix(QStringLiteral("bin/wexly-cli"));
        QVERIFY(QFileInfo(cli).isExecutable());
        // The daily timer's service starts the program of this install.
        QVERIFY(readFile(prefix(QStringLiteral("share/wexly/systemd/wexly-daily.service")))
                    .contains("\nExecStart=" + cli.toUtf8() + " daily\n"));
        QVERIFY(QFileInfo::exists(prefix(QStringLiteral("share/wexly/systemd/wexly-daily.timer"))));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("HOME"), work(QStringLiteral("home-cli")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), work(QStringLiteral("data-cli")));
        QDir().mkpath(work(QStringLiteral("home-cli")));
        QDir().mkpath(work(QStringLiteral("elsewhere-cli")));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work(QStringLiteral("elsewhere-cli")));
        process.start(cli, {QStringLiteral("stats")});
        QVERIFY(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, err.constData());
        QVERIFY2(err.isEmpty(), err.constData());
        // The header and the total row of an empty store.
        const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.last().trimmed().startsWith(QStringLiteral("合计")));

        const QString data = work(QStringLiteral("data-cli/wexly/"));
        for (const char *name : {"config.ini", "help.xml", "database.db"})
            QVERIFY2(QFileInfo::exists(data + QLatin1String(name)), name);
        QVERIFY(QDir(work(QStringLiteral("elsewhere-cli"))).isEmpty());
    }

    void copiedProgramFolderStaysPortable()
    {
        const QString folder = work(QStringLiteral("portable/"));
        QDir().mkpath(folder);
        QVERIFY(QFile::copy(prefix(QStringLiteral("bin/wexly")), folder + "wexly"));
        writeFile(folder + "config.ini", localConfig({}));
        createDatabaseFile(QStringLiteral(WEXLY_SOURCE_DIR "/store/schema.sql"), folder + "database.db");
        startAndEnd(folder + "wexly", work(QStringLiteral("data2")), folder);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!QFileInfo::exists(work(QStringLiteral("data2"))));
        QVERIFY(!QFileInfo::exists(folder + "help.xml"));
    }
};

QTEST_MAIN(TestInstalledProgram)
#include "tst_installedprogram.moc"
