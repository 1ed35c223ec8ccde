#include "ProgramFixture.h"
#include "common/ProgramLocation.h"
#include "app/ui/TMainFrm.h"
#include "platform/Errors.h"
#include "platform/VersionRecord.h"
#include "push/PushSecrets.h"
#include "store/DatabaseFile.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <QPlainTextEdit>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

using namespace ProgramLocation;

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray schema() { return readFile(QStringLiteral(WEXLY_SCHEMA_PATH)); }

// An installation under a temporary prefix: bin/wexly and the defaults in share/wexly/.
struct Prefix {
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.path() + u'/' + name; }
    QString executable() const { return path(QStringLiteral("bin/wexly")); }
    QString defaults() const { return path(QStringLiteral("share/wexly/")); }
    Prefix()
    {
        writeFile(executable(), encodeVersionRecord(builtInVersionRecord()));
        writeFile(defaults() + "config.ini", "[config]\r\npingSleep=1000\r\n");
        writeFile(defaults() + "help.xml", "<help><channel><item><id>1</id><title>Installed</title>"
                                           "<description>help</description></item></channel></help>");
        writeFile(defaults() + "schema.sql", schema());
    }
};

qint64 countRows(const QString &database, const QString &statement)
{
    TSQLiteDatabase db(database);
    TSQLiteTable table = db.GetTable(statement);
    return table.FieldAsInteger(0);
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};
} // namespace

class TestProgramLocation : public QObject {
    Q_OBJECT
private slots:
    void portableWhenTheFolderHoldsConfigOrStore_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("portable");
        QTest::newRow("empty") << QStringList() << false;
        QTest::newRow("help only") << QStringList{"help.xml", "rss.xml"} << false;
        QTest::newRow("config.ini") << QStringList{"config.ini"} << true;
        QTest::newRow("database.db") << QStringList{"database.db"} << true;
    }
    void portableWhenTheFolderHoldsConfigOrStore()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, portable);
        QTemporaryDir dir;
        for (const QString &name : files)
            writeFile(dir.filePath(name), "");
        QCOMPARE(isPortableDir(dir.path()), portable);
        if (portable) {
            QTemporaryDir data;
            ScopedEnv xdg("XDG_DATA_HOME", data.path().toUtf8());
            QCOMPARE(programDirFor(dir.filePath("wexly")), dir.path() + u'/');
            QVERIFY(!QFileInfo::exists(data.filePath("wexly")));
        }
    }

    void buildFolderIsPortable()
    {
        QCOMPARE(programDirFor(QStringLiteral(WEXLY_PROGRAM_DIR "/wexly")),
                 QStringLiteral(WEXLY_PROGRAM_DIR "/"));
    }

    void readOnlyFolderIsNotPortable()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("config.ini"), "");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = QFileInfo(dir.path()).isWritable();
        const bool portable = isPortableDir(dir.path());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (writable)
            QSKIP("this user may write any folder");
        QVERIFY(!portable);
    }

    void dataFolderFollowsXdgDataHome_data()
    {
        QTest::addColumn<QString>("xdgDataHome");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << "/srv/data" << "/srv/data/wexly/";
        QTest::newRow("trailing slash") << "/srv/data/" << "/srv/data/wexly/";
        QTest::newRow("unset") << "" << "/home/u/.local/share/wexly/";
        QTest::newRow("relative is ignored") << "data" << "/home/u/.local/share/wexly/";
    }
    void dataFolderFollowsXdgDataHome()
    {
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, expected);
        QCOMPARE(userDataDirFor(xdgDataHome, QStringLiteral("/home/u")), expected);
    }

    void firstUseMakesAndFillsTheDataFolder()
    {
        Prefix prefix;
        // Installed files are read-only; the user's copy must still be editable.
        QFile::setPermissions(prefix.defaults() + "config.ini", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QTemporaryDir home;
        ScopedEnv xdg("XDG_DATA_HOME", home.filePath("not/yet/there").toUtf8());
        const QString dir = programDirFor(prefix.executable());
        QCOMPARE(dir, home.filePath("not/yet/there/wexly/"));
        QCOMPARE(readFile(dir + "config.ini"), readFile(prefix.defaults() + "config.ini"));
        QCOMPARE(readFile(dir + "help.xml"), readFile(prefix.defaults() + "help.xml"));
        QVERIFY(QFileInfo(dir + "config.ini").isWritable());
        QCOMPARE(countRows(dir + "database.db",
                           "select count(*) from sqlite_master where name in ('mrv_orvik_rss','mrv_orvik_rssurl')"),
                 2);
        QCOMPARE(countRows(dir + "database.db", "pragma page_size"), 65536);
        QVERIFY(!QFileInfo::exists(dir + "database.db.new"));
        // Nothing is written beside the executable.
        QCOMPARE(QDir(prefix.path("bin")).entryList(QDir::Files), QStringList{"wexly"});
    }

    void secretsStayWithTheOwner_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("umask 022") << 022;
        QTest::newRow("umask 077") << 077;
    }

    void secretsStayWithTheOwner()
    {
        QFETCH(int, mask);
        const mode_t before = ::umask(mode_t(mask));
        struct Restore {
            mode_t mask;
            ~Restore() { ::umask(mask); }
        } restore{before};
        Prefix prefix;
        QTemporaryDir home;
        ScopedEnv xdg("XDG_DATA_HOME", home.filePath("share").toUtf8());
        const QString dir = programDirFor(prefix.executable());
        QCOMPARE(modeOf(home.filePath("share")), 0700);
        QCOMPARE(modeOf(dir), 0700);
        QCOMPARE(modeOf(dir + "database.db"), 0600);
        // A portable folder whose store is missing: made the same way.
        QTemporaryDir portable;
        { TSQLiteDatabase db(portable.filePath("database.db")); }
        QCOMPARE(modeOf(portable.filePath("database.db")), 0600);

        // What is there already keeps its mode, and a store others may read is named
        // only when it holds a secret.
        QTemporaryDir shared;
        QVERIFY(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7755)));
        const QString store = shared.filePath("database.db");
        createDatabaseFile(QStringLiteral(WEXLY_SCHEMA_PATH), store);
        QVERIFY(QFile::setPermissions(store, QFileDevice::Permissions(0x6644)));
        fillUserDataDir(shared.path(), prefix.defaults());
        QCOMPARE(modeOf(shared.path()), 0755);
        QCOMPARE(modeOf(store), 0644);
        QCOMPARE(exposedStoreWarning(store), QString());
        {
            TSQLiteDatabase db(store);
            ExtendedTables::ensure(db);
            db.ExecSQL("insert into mrv_orvik_pushsite(rssid,baidutoken,indexnowkey) values (1,'','k')");
        }
        const QString warning = QStringLiteral("database.db 可被其他用户读取，推送密钥可能泄露（chmod 600 database.db）");
        QCOMPARE(exposedStoreWarning(store), warning);
        QVERIFY(QFile::setPermissions(store, QFileDevice::Permissions(0x6600)));
        QCOMPARE(exposedStoreWarning(store), QString());

        // The window says it once, in the status log.
        QVERIFY(QFile::setPermissions(store, QFileDevice::Permissions(0x6640)));
        ProgramFixture f;
        f.context.locateProgramDir = [&shared](const QString &) { return shared.path() + u'/'; };
        TMainFrm *main = f.createWindows();
        main->show();
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.boxes.value(0).text));
        QCOMPARE(main->findChild<QPlainTextEdit *>("Memo1")->toPlainText().count(warning), 1);
    }

    void filesAlreadyThereAreNeverReplaced()
    {
        Prefix prefix;
        QTemporaryDir data;
        const QString dir = data.path() + u'/';
        writeFile(dir + "config.ini", "[config]\r\npingSleep=5\r\n");
        createDatabaseFile(QStringLiteral(WEXLY_SCHEMA_PATH), dir + "database.db");
        {
            TSQLiteDatabase db(dir + "database.db");
            db.ExecSQL("insert into mrv_orvik_rss(rssurl) values ('http://a/rss.xml')");
        }
        // Left by an interrupted first start.
        writeFile(dir + "database.db.new", "half");
        fillUserDataDir(dir, prefix.defaults());
        QCOMPARE(readFile(dir + "config.ini"), QByteArray("[config]\r\npingSleep=5\r\n"));
        QCOMPARE(countRows(dir + "database.db", "select count(*) from mrv_orvik_rss"), 1);
        // Only the missing help is added.
        QCOMPARE(readFile(dir + "help.xml"), readFile(prefix.defaults() + "help.xml"));

        // A user's store that was deleted is made anew, over the scratch file.
        QFile::remove(dir + "database.db");
        writeFile(dir + "database.db.new", "half");
        fillUserDataDir(dir, prefix.defaults());
        QCOMPARE(countRows(dir + "database.db", "select count(*) from mrv_orvik_rss"), 0);
        QVERIFY(!QFileInfo::exists(dir + "database.db.new"));
    }

    void failuresAreReportedAndLeaveNoHalfStore()
    {
        QTemporaryDir data;
        // No installed defaults at all.
        QVERIFY_THROWS_EXCEPTION(AppError, fillUserDataDir(data.filePath("a"), data.filePath("nowhere")));

        // A schema that does not run: no store appears under its name.
        Prefix prefix;
        writeFile(prefix.defaults() + "schema.sql", "create table broken(;");
        try {
            fillUserDataDir(data.filePath("b"), prefix.defaults());
            QFAIL("a broken schema was accepted");
        } catch (const AppError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("database.db")), qPrintable(e.message()));
        }
        QVERIFY(!QFileInfo::exists(data.filePath("b/database.db")));
        QVERIFY(!QFileInfo::exists(data.filePath("b/database.db.new")));

        // The data folder's place is taken by a file.
        writeFile(data.filePath("c"), "");
        QVERIFY_THROWS_EXCEPTION(AppError, fillUserDataDir(data.filePath("c"), prefix.defaults()));
    }

    void helpFallsBackToTheInstalledFile()
    {
        Prefix prefix;
        QTemporaryDir data;
        const QString dir = data.path() + u'/';
        QCOMPARE(helpFileFor(dir, prefix.executable()), prefix.defaults() + "help.xml");
        writeFile(dir + "help.xml", "<help/>");
        QCOMPARE(helpFileFor(dir, prefix.executable()), dir + "help.xml");
        // Neither: the program directory's, whose absence the help window reports.
        QCOMPARE(helpFileFor(dir, data.filePath("bin/wexly")), dir + "help.xml");
        QFile::remove(dir + "help.xml");
    }

    void windowsInInstalledModeReadVersionAndHelpFromTheInstallation()
    {
        Prefix prefix;
        QTemporaryDir data;
        const QString dir = data.path() + u'/';
        createDatabaseFile(QStringLiteral(WEXLY_SCHEMA_PATH), dir + "database.db");
        ProgramFixture f;
        f.context.executablePath = prefix.executable();
        f.context.locateProgramDir = [dir](const QString &) { return dir; };
        TMainFrm *main = f.createWindows();
        main->show();
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.boxes.value(0).text));
        QCOMPARE(main->programDir(), dir);
        QCOMPARE(QDir::currentPath(), QDir(dir).absolutePath());
        QVERIFY(main->windowTitle().endsWith(QStringLiteral("版本：1.0.0 build 29")));
        // The user's folder has no help.xml: the installed one is shown.
        main->findChild<QToolButton *>("btnHelpRss")->click();
        auto *help = main->findChild<QWidget *>("FrmHelp");
        QCOMPARE(help->findChild<QPlainTextEdit *>("Memo1")->toPlainText(), QStringLiteral("Installed\n\nhelp"));
        help->hide();
        // Every window shows the program's icon.
        const QList<QSize> sizes = help->windowIcon().availableSizes();
        for (int size : {48, 128, 256})
            QVERIFY(sizes.contains(QSize(size, size)));
    }

    void windowStartUpFailsVisiblyWhenTheDataFolderCannotBeMade()
    {
        ProgramFixture f;
        f.createDatabase();
        f.context.locateProgramDir = [](const QString &) -> QString {
            throw AppError(QStringLiteral("无法创建数据文件夹 /x"));
        };
        TMainFrm *main = f.createWindows();
        main->show();
        QCOMPARE(f.dialogs.textsOf("error"), QStringList{QStringLiteral("无法创建数据文件夹 /x.")});
        QVERIFY(main->isVisible());
    }
};

QTEST_MAIN(TestProgramLocation)
#include "tst_programlocation.moc"
