// The CSV export: its file format, its filters, and what a failure leaves.
#include "FileSizeLimit.h"
#include "MainWindowProbe.h"
#include "ProgramFixture.h"
#include "platform/CsvFile.h"
#include "platform/Errors.h"
#include "report/LinkExport.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QByteArray Header = "\xEF\xBB\xBF编号,标题,地址,站点,收录,检测收录时间,首次PING时间,最后PING时间,推送时间\r\n";

void fillStore(ProgramFixture &f)
{
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'http://a/rss','甲站'),(2,'http://b/rss','B, \"quoted\"')");
    f.exec("insert into mrv_orvik_rssurl(dataid,title,url,rssid,isinbaidu,checktime,firsttime,lasttime) values "
           "(1,'plain','http://a/1',1,1,'2026-12-02 10:00:00','2026-12-01 09:00:00','2026-12-01 09:30:00'),"
           "(2,'逗号, \"引号\"' || char(13) || char(10) || '第二行','http://a/2',1,0,'2026-12-03 10:00:00',NULL,NULL),"
           "(3,'未检测','http://b/3',2,NULL,NULL,NULL,NULL)");
    TSQLiteDatabase db(QStringLiteral("database.db"));
    ExtendedTables::ensure(db);
    // The earliest accepted push counts; refused ones do not.
    db.ExecSQL(QStringLiteral("insert into mrv_orvik_push values (1,'baidu','2026-12-01 08:00:00','ok'),"
                              "(1,'indexnow','2026-11-30 08:00:00','ok'),(2,'baidu','2026-11-01 08:00:00','refused')"));
}

} // namespace

class TestLinkExport : public QObject {
    Q_OBJECT
private slots:
    void fileFormatAndQuoting()
    {
        ProgramFixture f;
        fillStore(f);
        QCOMPARE(LinkExport::exportCsv(0, {}, f.path("all.csv")), 3);
        const QByteArray expected = Header
            + "3,未检测,http://b/3,\"B, \"\"quoted\"\"\",,,,,\r\n"
              "2,\"逗号, \"\"引号\"\"\r\n第二行\",http://a/2,甲站,否,2026-12-03 10:00:00,,,\r\n"
              "1,plain,http://a/1,甲站,是,2026-12-02 10:00:00,2026-12-01 09:00:00,2026-12-01 09:30:00,"
              "2026-11-30 08:00:00\r\n";
        QCOMPARE(f.readFile("all.csv"), expected);
    }

    void filteredBySiteAndSearch()
    {
        ProgramFixture f;
        fillStore(f);
        QCOMPARE(LinkExport::exportCsv(1, {}, f.path("site.csv")), 2);
        QVERIFY(f.readFile("site.csv").startsWith(Header + "2,"));
        QCOMPARE(LinkExport::exportCsv(0, QStringLiteral("PLAIN"), f.path("search.csv")), 1);
        QVERIFY(f.readFile("search.csv").startsWith(Header + "1,plain,"));
        QCOMPARE(LinkExport::exportCsv(2, QStringLiteral("plain"), f.path("none.csv")), 0);
        QCOMPARE(f.readFile("none.csv"), Header);
    }

    void progressEveryTenThousandRows()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("with recursive n(i) as (select 1 union all select i+1 from n where i<25000) "
               "insert into mrv_orvik_rssurl(title,url,rssid) select 't'||i, 'http://a/'||i, 1 from n");
        QStringList steps;
        const qint64 written = LinkExport::exportCsv(0, {}, f.path("big.csv"), [&](qint64 i, qint64 n) {
            steps << LinkExport::progressText(i, n);
        });
        QCOMPARE(written, 25000);
        QCOMPARE(steps, QStringList({"导出：10000/25000", "导出：20000/25000"}));
        QCOMPARE(LinkExport::doneText(written), QStringLiteral("导出完成：25000条"));
        const QByteArray file = f.readFile("big.csv");
        QCOMPARE(file.count("\r\n"), 25001);
        // Newest first, none lost across the pages of the export.
        QVERIFY(file.contains("\r\n25000,t25000,"));
        QVERIFY(file.endsWith("\r\n1,t1,http://a/1,,,,,,\r\n"));
    }

    void unwritableTargetLeavesNoFile()
    {
        ProgramFixture f;
        fillStore(f);
        const QString missingDir = f.path("missing/out.csv");
        try {
            LinkExport::exportCsv(0, {}, missingDir);
            QFAIL("no error");
        } catch (const AppError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("无法写入文件：") + missingDir + QLatin1Char(' ')),
                     qPrintable(e.message()));
            QVERIFY(e.message().size() > (QStringLiteral("无法写入文件：") + missingDir + QLatin1Char(' ')).size());
        }
        // A directory in the way of the file: nothing written beside it either.
        QDir(f.dir()).mkdir("taken.csv");
        const QStringList before = QDir(f.dir()).entryList(QDir::Files);
        QVERIFY_THROWS_EXCEPTION(AppError, LinkExport::exportCsv(0, {}, f.path("taken.csv")));
        QCOMPARE(QDir(f.dir()).entryList(QDir::Files), before);
    }

    void formulaCellsAreWrittenAsText_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::newRow("equals") << "=HYPERLINK(\"http://evil.example\",\"x\")"
                                << "\"'=HYPERLINK(\"\"http://evil.example\"\",\"\"x\"\")\"";
        QTest::newRow("command") << "=cmd|' /C calc'!A0" << "'=cmd|' /C calc'!A0";
        QTest::newRow("plus") << "+1" << "'+1";
        QTest::newRow("minus") << "-2+3" << "'-2+3";
        QTest::newRow("at") << "@SUM(A1)" << "'@SUM(A1)";
        QTest::newRow("tab") << "\t=1" << "'\t=1";
        QTest::newRow("carriage return, quoted") << "\r=1" << "\"'\r=1\"";
        QTest::newRow("inside is harmless") << "a=b-c" << "a=b-c";
        QTest::newRow("empty") << "" << "";
    }

    void formulaCellsAreWrittenAsText()
    {
        QFETCH(QString, value);
        QFETCH(QString, field);
        QCOMPARE(CsvFile::field(value), field);
    }

    void everyColumnIsGuarded()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'http://a/rss','@site')");
        f.exec("insert into mrv_orvik_rssurl(dataid,title,url,rssid,checktime) values (1,'=1+1','-http://a/1',1,'+x')");
        QCOMPARE(LinkExport::exportCsv(0, {}, f.path("guarded.csv")), 1);
        QCOMPARE(f.readFile("guarded.csv"), Header + "1,'=1+1,'-http://a/1,'@site,,'+x,,,\r\n");
    }

    void ownFilesAreNeverReplaced_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("store") << "database.db";
        QTest::newRow("settings") << "config.ini";
        QTest::newRow("settings by a detour") << "elsewhere/../config.ini";
        QTest::newRow("settings through a link") << "elsewhere/link.csv";
        QTest::newRow("feed, not there yet") << "rss.xml";
        QTest::newRow("copy of a store") << "elsewhere/copy.csv";
        QTest::newRow("journal") << "elsewhere/x.db-journal";
        QTest::newRow("lock") << "elsewhere/x.lock";
    }

    void ownFilesAreNeverReplaced()
    {
        QFETCH(QString, target);
        ProgramFixture f;
        fillStore(f);
        f.writeFile("config.ini", "[x]\r\n");
        QVERIFY(QDir(f.dir()).mkdir("elsewhere"));
        QVERIFY(QFile::link(f.path("config.ini"), f.path("elsewhere/link.csv")));
        QVERIFY(QFile::copy(f.path("database.db"), f.path("elsewhere/copy.csv")));
        f.writeFile("elsewhere/x.db-journal", "j");
        f.writeFile("elsewhere/x.lock", "l");
        const QString path = f.path(target);
        const bool existed = QFileInfo::exists(path);
        QFile file(path);
        const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        file.close();
        try {
            LinkExport::exportCsv(0, {}, path);
            QFAIL("no error");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), QStringLiteral("不能覆盖程序自身的文件：") + path);
        }
        QCOMPARE(QFileInfo::exists(path), existed);
        if (existed)
            QCOMPARE(f.readFile(target), before);
        QCOMPARE(LinkExport::exportCsv(0, {}, f.path("elsewhere/fine.csv")), 3);
    }

    void aFailedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("rows");
        // Small enough to wait for the end, and large enough to be written on the way.
        QTest::newRow("one line") << 1;
        QTest::newRow("many lines") << 20000;
    }

    void aFailedWriteKeepsTheOldFile()
    {
        QFETCH(int, rows);
        ProgramFixture f;
        fillStore(f);
        f.exec(QStringLiteral("with recursive n(i) as (select 4 union all select i+1 from n where i<%1) "
                              "insert into mrv_orvik_rssurl(dataid,title,url,rssid) select i,'t','http://a/'||i,1 from n")
                   .arg(rows + 3));
        const QByteArray old = "old content\r\n";
        f.writeFile("old.csv", old);
        const QStringList names = FileSizeLimit::namesIn(f.dir());
        try {
            FileSizeLimit full(old.size() + rows);
            LinkExport::exportCsv(0, {}, f.path("old.csv"));
            QFAIL("no error");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), QStringLiteral("无法写入文件：") + f.path("old.csv") + u' ' + FileSizeLimit::reason());
        }
        QCOMPARE(f.readFile("old.csv"), old);
        QCOMPARE(FileSizeLimit::namesIn(f.dir()), names);
    }

    void defaultFileNames()
    {
        const QDate day(2026, 12, 9);
        QCOMPARE(LinkExport::defaultFileName({}, day), QStringLiteral("全部站点-20261209.csv"));
        QCOMPARE(LinkExport::defaultFileName(QStringLiteral("我的博客"), day), QStringLiteral("我的博客-20261209.csv"));
        QCOMPARE(LinkExport::defaultFileName(QStringLiteral("a/b:c"), day), QStringLiteral("a_b_c-20261209.csv"));
    }

    void menuExportsTheShownFilterAndSearch()
    {
        ProgramFixture f;
        fillStore(f);
        QStringList suggestions;
        const QString target = f.path("menu.csv");
        QString answer = target;
        f.context.chooseSaveFile = [&](const QString &, const QString &suggested, const QString &) {
            suggestions << suggested;
            return answer;
        };
        QMainWindow *w = f.createMainWindow();
        w->show();
        auto *tree = w->findChild<QTreeWidget *>("TreeView1");
        tree->setCurrentItem(tree->topLevelItem(0));
        QMetaObject::invokeMethod(w, "TreeView1DblClick");
        w->findChild<QLineEdit *>("EditSearch")->setText("plain");
        QTest::mouseClick(w->findChild<QPushButton *>("btnSearch"), Qt::LeftButton);
        w->findChild<QAction *>("NExportCsv")->trigger();
        QCOMPARE(suggestions, QStringList({QDir::home().filePath(
                                  "甲站-" + QDate::currentDate().toString("yyyyMMdd") + ".csv")}));
        QCOMPARE(MainWindowProbe::messagePanel(w), QStringLiteral("导出完成：1条"));
        QVERIFY(f.readFile("menu.csv").startsWith(Header + "1,plain,"));
        QCOMPARE(f.readFile("menu.csv").count("\r\n"), 2);

        // Cancelling the dialog writes nothing; a failure shows the error box.
        answer.clear();
        QFile::remove(target);
        w->findChild<QAction *>("NExportCsv")->trigger();
        QVERIFY(!QFile::exists(target));
        QVERIFY(f.dialogs.boxes.isEmpty());
        answer = f.path("missing/menu.csv");
        w->findChild<QAction *>("NExportCsv")->trigger();
        QCOMPARE(f.dialogs.textsOf("error").size(), 1);
        QVERIFY(f.dialogs.textsOf("error").first().startsWith(QStringLiteral("无法写入文件：") + answer));
    }
};

QTEST_MAIN(TestLinkExport)
#include "tst_linkexport.moc"
