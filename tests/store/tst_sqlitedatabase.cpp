#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include "support/TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <functional>
#include <memory>

namespace {

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ESQLiteException &e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

// Another connection, opened with raw SQLite calls, that holds a lock until it goes.
class LockHolder {
public:
    LockHolder(const QString &path, const char *begin)
    {
        sqlite3_open(path.toUtf8().constData(), &m_db);
        m_ok = sqlite3_exec(m_db, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~LockHolder()
    {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    bool ok() const { return m_ok; }

private:
    sqlite3 *m_db = nullptr;
    bool m_ok = false;
};

const QString insertSite = QStringLiteral(
    "Insert Into mrv_orvik_rss(rssurl,sitename,lastgettime,siteurl) values ('%1','%2','2013-09-24 18:05:09','http://a.example/')");
const QString insertAddress =
    QStringLiteral("Insert Into mrv_orvik_rssurl(title,url,rssid) values ('%1','%2','%3')");

} // namespace

class TestSQLiteDatabase : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path; // a database with the program's tables, empty

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = TestDatabase::create(m_dir->path());
        QVERIFY(!m_path.isEmpty());
    }
    void cleanup() { m_dir.reset(); }

    void missingFileIsCreatedEmptyAndQueriesNameTheMissingTable()
    {
        const QString path = m_dir->filePath(QStringLiteral("new.db"));
        {
            TSQLiteDatabase db(path);
            QCOMPARE(errorOf([&] { db.GetTable(QStringLiteral("Select * from mrv_orvik_rss")); }),
                     QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                    "\"Select * from mrv_orvik_rss\": no such table: mrv_orvik_rss"));
        }
        QVERIFY(QFile::exists(path));
        TSQLiteDatabase db(path);
        QCOMPARE(db.GetTable(QStringLiteral("select count(*) as n from sqlite_master")).AsInteger("n"), 0);
    }

    void failingStatementsReportCodeDescriptionStatementAndReason_data()
    {
        QTest::addColumn<bool>("exec");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("expected");
        QTest::newRow("syntax error") << false << "Selec * from mrv_orvik_rss"
            << "Error executing SQL.\rError [1]: SQL error or missing database.\r"
               "\"Selec * from mrv_orvik_rss\": near \"Selec\": syntax error";
        QTest::newRow("missing column") << false << "Select nosuch from mrv_orvik_rss"
            << "Error executing SQL.\rError [1]: SQL error or missing database.\r"
               "\"Select nosuch from mrv_orvik_rss\": no such column: nosuch";
        QTest::newRow("compile error in ExecSQL") << true << "delete from nosuch"
            << "Error executing SQL.\rError [1]: SQL error or missing database.\r"
               "\"delete from nosuch\": no such table: nosuch";
        QTest::newRow("step of a query fails") << false << "select abs(-9223372036854775808) as x"
            << "Could not retrieve data.\rError [1]: SQL error or missing database.\r"
               "\"select abs(-9223372036854775808) as x\": integer overflow";
        QTest::newRow("statement does not complete") << true
            << "Insert Into mrv_orvik_rss(rssid) values (1)"
            << "Error executing SQL statement.\rError [19]: Abort due to constraint violation.\r"
               "\"Insert Into mrv_orvik_rss(rssid) values (1)\": UNIQUE constraint failed: mrv_orvik_rss.rssid";
    }
    void failingStatementsReportCodeDescriptionStatementAndReason()
    {
        QFETCH(bool, exec);
        QFETCH(QString, statement);
        QFETCH(QString, expected);
        TSQLiteDatabase db(m_path);
        db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rss(rssid) values (1)"));
        QCOMPARE(errorOf([&] { exec ? db.ExecSQL(statement) : void(db.GetTable(statement)); }), expected);
    }

    void unopenablePathNamesTheFile()
    {
        const QString path = m_dir->filePath(QStringLiteral("no such folder/database.db"));
        QCOMPARE(errorOf([&] { TSQLiteDatabase db(path); }),
                 QStringLiteral("Failed to open database \"%1\" : unable to open database file").arg(path));
    }

    void filesThatAreNoStoreFailWithTheirReason()
    {
        // A file that is no database opens; the first statement names the reason.
        const QString text = m_dir->filePath(QStringLiteral("notes.db"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        TSQLiteDatabase db(text);
        QCOMPARE(errorOf([&] { db.GetTable(QStringLiteral("Select * from mrv_orvik_rss")); }),
                 QStringLiteral("Error executing SQL.\rError [26]: File opened that is not a database file.\r"
                                "\"Select * from mrv_orvik_rss\": file is not a database"));

        // A database holding other tables only: statements fail, and nothing is added to it.
        const QString other = m_dir->filePath(QStringLiteral("other.db"));
        QVERIFY(TestDatabase::execRaw(other, "create table notes(x)"));
        {
            TSQLiteDatabase store(other);
            QCOMPARE(errorOf([&] { store.ExecSQL(QStringLiteral("delete from mrv_orvik_rssurl where rssid=1")); }),
                     QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                    "\"delete from mrv_orvik_rssurl where rssid=1\": no such table: mrv_orvik_rssurl"));
        }
        TSQLiteDatabase check(other);
        QCOMPARE(check.GetTable(QStringLiteral("select group_concat(name) as n from sqlite_master")).AsString("n"),
                 QStringLiteral("notes"));
    }

    void nullsIntegersAndTextRead()
    {
        TSQLiteDatabase db(m_path);
        db.ExecSQL(insertAddress.arg("t", "http://a.example/1", "7"));
        TSQLiteTable row = db.GetTable(QStringLiteral("Select * from mrv_orvik_rssurl"));
        QCOMPARE(row.Count(), 1);
        // Never checked or pinged: NULL reads as 0 and as the empty text.
        QCOMPARE(row.AsInteger("isinbaidu"), 0);
        QCOMPARE(row.AsString("isinbaidu"), QString());
        QCOMPARE(row.AsString("checktime"), QString());
        QVERIFY(row.FieldIsNull(row.FieldIndex("lasttime")));
        // The site number went in as quoted text and comes back as an integer.
        QCOMPARE(row.AsInteger("rssid"), 7);
        QCOMPARE(row.AsString("rssid"), QStringLiteral("7"));
        QCOMPARE(row.AsString("title"), QStringLiteral("t"));
        QCOMPARE(errorOf([&] { row.AsInteger("url"); }), QStringLiteral("Not an integer or numeric field"));
        QCOMPARE(errorOf([&] { row.AsString("nosuch"); }), QStringLiteral("Field not found in dataset: nosuch"));

        db.ExecSQL(QStringLiteral("update mrv_orvik_rssurl set isinbaidu='1',checktime='2013-09-24 18:05:09' where dataid=")
                   + row.AsString("dataid"));
        row = db.GetTable(QStringLiteral("select isinbaidu, 2.5 as f, -12345678901 as big from mrv_orvik_rssurl"));
        QCOMPARE(row.AsInteger("isinbaidu"), 1);
        QCOMPARE(row.AsString("isinbaidu"), QStringLiteral("1"));
        QCOMPARE(row.AsString("f"), QStringLiteral("2.5"));
        QCOMPARE(row.AsInteger("f"), 2);
        QCOMPARE(row.AsInteger("big"), Q_INT64_C(-12345678901));
    }

    void rowsAreWalkedFromTheFirst()
    {
        TSQLiteDatabase db(m_path);
        for (int i = 1; i <= 3; ++i)
            db.ExecSQL(insertAddress.arg(QString::number(i), QStringLiteral("u%1").arg(i), "1"));
        TSQLiteTable rows = db.GetTable(QStringLiteral("Select title from mrv_orvik_rssurl order by dataid desc"));
        QCOMPARE(rows.Count(), 3);
        QStringList titles;
        for (; !rows.Eof(); rows.Next())
            titles << rows.AsString("title");
        QCOMPARE(titles, QStringList({"3", "2", "1"}));
        rows.Next(); // past the end already: no effect
        QVERIFY(rows.Eof());

        TSQLiteTable none = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss"));
        QCOMPARE(none.Count(), 0);
        QVERIFY(none.Eof());
        QCOMPARE(none.FieldIndex("sitename"), 2); // names are known without rows
    }

    void fieldsAreFoundByNameOrAliasInAnyCase()
    {
        TSQLiteDatabase db(m_path);
        db.ExecSQL(insertSite.arg("http://a.example/feed", "A"));
        db.ExecSQL(insertAddress.arg("t", "http://a.example/1", "1"));
        TSQLiteTable row = db.GetTable(QStringLiteral(
            "select a.dataid,a.url,b.rssid,b.sitename from mrv_orvik_rssurl a,mrv_orvik_rss b where a.rssid=b.rssid"));
        QCOMPARE(row.Count(), 1);
        QCOMPARE(row.FieldIndex("dataid"), 0);
        QCOMPARE(row.FieldIndex("SiteName"), 3);
        QCOMPARE(row.AsString("URL"), QStringLiteral("http://a.example/1"));
        QCOMPARE(db.GetTable(QStringLiteral("Select max(rssid) as newrssid from mrv_orvik_rss")).AsString("NEWRSSID"),
                 QStringLiteral("1"));
    }

    void onlyTheFirstStatementRuns()
    {
        TSQLiteDatabase db(m_path);
        db.ExecSQL(insertAddress.arg("a", "u1", "1") + "; " + insertAddress.arg("b", "u2", "1"));
        db.GetTable(QStringLiteral("Select * from mrv_orvik_rssurl; delete from mrv_orvik_rssurl"));
        TSQLiteTable rows = db.GetTable(QStringLiteral("Select title from mrv_orvik_rssurl"));
        QCOMPARE(rows.Count(), 1);
        QCOMPARE(rows.AsString("title"), QStringLiteral("a"));
    }

    void twoConnectionsWorkSideBySide()
    {
        TSQLiteDatabase run(m_path);
        TSQLiteDatabase paging(m_path);
        run.ExecSQL(insertAddress.arg("a", "u1", "1"));
        QCOMPARE(paging.GetTable(QStringLiteral("Select count(*) as c from mrv_orvik_rssurl")).AsInteger("c"), 1);
        paging.ExecSQL(insertAddress.arg("b", "u2", "1"));
        QCOMPARE(run.GetTable(QStringLiteral("Select count(*) as c from mrv_orvik_rssurl")).AsInteger("c"), 2);
        run.ExecSQL(QStringLiteral("update mrv_orvik_rssurl set lasttime='2013-09-24 18:05:09' where dataid=2"));
        QCOMPARE(paging.GetTable(QStringLiteral("Select lasttime from mrv_orvik_rssurl where dataid=2")).AsString("lasttime"),
                 QStringLiteral("2013-09-24 18:05:09"));

        // A run keeps the rows it read while a nested action deletes them.
        TSQLiteTable due = run.GetTable(QStringLiteral("Select dataid,url from mrv_orvik_rssurl order by dataid desc"));
        paging.ExecSQL(QStringLiteral("delete from mrv_orvik_rssurl where rssid=1"));
        QCOMPARE(due.Count(), 2);
        QCOMPARE(due.AsString("url"), QStringLiteral("u2"));
        due.Next();
        QCOMPARE(due.AsInteger("dataid"), 1);
        QCOMPARE(run.GetTable(QStringLiteral("Select count(*) as c from mrv_orvik_rssurl")).AsInteger("c"), 0);
    }

    void lockedFileFailsAtOnce()
    {
        TSQLiteDatabase warm(m_path);
        warm.GetTable(QStringLiteral("Select * from mrv_orvik_rss")); // schema already read
        {
            // A writer that has started but not committed: reads go on, writes fail.
            LockHolder writer(m_path, "BEGIN IMMEDIATE");
            QVERIFY(writer.ok());
            TSQLiteDatabase db(m_path);
            QCOMPARE(db.GetTable(QStringLiteral("Select * from mrv_orvik_rss")).Count(), 0);
            QElapsedTimer timer;
            timer.start();
            const QString statement = insertAddress.arg("a", "u1", "1");
            QCOMPARE(errorOf([&] { db.ExecSQL(statement); }),
                     "Error executing SQL statement.\rError [5]: The database file is locked.\r\""
                         + statement + "\": database is locked");
            QVERIFY(timer.elapsed() < 1500); // no busy timeout
        }
        LockHolder exclusive(m_path, "BEGIN EXCLUSIVE");
        QVERIFY(exclusive.ok());
        const QString statement = QStringLiteral("Select * from mrv_orvik_rss");
        const QString expected = "Could not prepare SQL statement.\rError [5]: The database file is locked.\r\""
                                 + statement + "\": database is locked";
        TSQLiteDatabase fresh(m_path);
        QCOMPARE(errorOf([&] { fresh.GetTable(statement); }), expected);
        QCOMPARE(errorOf([&] { warm.GetTable(statement); }), expected);
    }

    void textIsStoredInTheLegacyCodePage()
    {
        // "你好" as a program writing GBK leaves it in the file.
        QVERIFY(TestDatabase::execRaw(m_path,
            "Insert Into mrv_orvik_rssurl(title,url,rssid) values ('\xC4\xE3\xBA\xC3','u1','1')"));
        TSQLiteDatabase db(m_path);
        const QString hello = QStringLiteral("你好");
        TSQLiteTable row = db.GetTable("Select dataid,title from mrv_orvik_rssurl where title='" + hello + "'");
        QCOMPARE(row.Count(), 1);
        QCOMPARE(row.AsString("title"), hello);

        const QString title = QStringLiteral("标题 😀 €");
        db.ExecSQL(insertAddress.arg(title, "u2", "1"));
        QCOMPARE(db.GetTable(QStringLiteral("Select title from mrv_orvik_rssurl where url='u2'")).AsString("title"), title);
        // Characters of GBK keep GBK's bytes on their way into the file.
        QCOMPARE(db.GetTable(QStringLiteral("Select hex(title) as h from mrv_orvik_rssurl where url='u2'")).AsString("h")
                     .left(8), QStringLiteral("B1EACCE2"));
    }

    void chineseNamesInPathsColumnsAndMessagesSurvive()
    {
        // The file name goes to SQLite as UTF-8; everything else in the legacy code page.
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("站长 工具")));
        const QString path = TestDatabase::create(m_dir->filePath(QStringLiteral("站长 工具")));
        QVERIFY(!path.isEmpty());
        TSQLiteDatabase db(path);
        db.ExecSQL(insertAddress.arg(QStringLiteral("标题"), "u1", "1"));
        TSQLiteTable row = db.GetTable(QStringLiteral("select title as 标题 from mrv_orvik_rssurl"));
        QCOMPARE(row.FieldName(0), QStringLiteral("标题"));
        QCOMPARE(row.AsString("标题"), QStringLiteral("标题"));
        QCOMPARE(errorOf([&] { db.GetTable(QStringLiteral("select 站点 from mrv_orvik_rss")); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select 站点 from mrv_orvik_rss\": no such column: 站点"));
        QCOMPARE(errorOf([&] { row.AsString("站点"); }), QStringLiteral("Field not found in dataset: 站点"));
    }

    void quotedValuesStayOneLiteral()
    {
        QCOMPARE(sqlEscape(QStringLiteral("http://a.example/feed")), QStringLiteral("http://a.example/feed"));
        TSQLiteDatabase db(m_path);
        const QString title = QStringLiteral("It's \"quoted\" ''twice'' '");
        db.ExecSQL(insertAddress.arg(sqlEscape(title), "u1", "1"));
        db.ExecSQL(insertAddress.arg("other", "u2", "1"));
        QCOMPARE(db.GetTable(QStringLiteral("Select title from mrv_orvik_rssurl where url='u1'")).AsString("title"), title);

        const QString attack = QStringLiteral("x' or '1'='1");
        QCOMPARE(db.GetTable("Select url from mrv_orvik_rssurl where url='" + sqlEscape(attack) + "'").Count(), 0);
        db.ExecSQL(insertAddress.arg("t", sqlEscape(attack), "1"));
        TSQLiteTable found = db.GetTable("Select url from mrv_orvik_rssurl where url='" + sqlEscape(attack) + "'");
        QCOMPARE(found.Count(), 1);
        QCOMPARE(found.AsString("url"), attack);
    }

    void lookupsAndSitePagesUseTheSchemasIndexes_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("item address lookup") << "Select url from mrv_orvik_rssurl where url='http://a.example/1'";
        QTest::newRow("site by feed address") << "Select rssid from mrv_orvik_rss where rssurl='http://a.example/feed'";
        QTest::newRow("page of one site")
            << "Select * from mrv_orvik_rssurl where rssid=3 order by dataid desc limit 0,25 ";
        QTest::newRow("count of one site") << "Select count(*) as c from mrv_orvik_rssurl where rssid=3";
    }
    void lookupsAndSitePagesUseTheSchemasIndexes()
    {
        // On a store of many addresses these must not read the whole table or sort it.
        QFETCH(QString, statement);
        TSQLiteDatabase db(m_path);
        TSQLiteTable plan = db.GetTable("explain query plan " + statement);
        QStringList steps;
        for (; !plan.Eof(); plan.Next())
            steps << plan.AsString("detail");
        const QString all = steps.join(QStringLiteral(" | "));
        QVERIFY2(all.contains(QLatin1String("INDEX")), qPrintable(all));
        QVERIFY2(!all.contains(QLatin1String("TEMP B-TREE")), qPrintable(all));
    }

    void newSitesGetTheLargestKey()
    {
        TSQLiteDatabase db(m_path);
        qint64 previous = 0;
        for (const char *feed : {"http://a.example/feed", "http://b.example/feed", "http://c.example/feed"}) {
            db.ExecSQL(insertSite.arg(feed, "S"));
            const qint64 id = db.GetTable(QStringLiteral("Select rssid from mrv_orvik_rss where rssurl='%1'").arg(feed))
                                  .AsInteger("rssid");
            QVERIFY(id > previous);
            QCOMPARE(db.GetTable(QStringLiteral("Select max(rssid) as newrssid from mrv_orvik_rss")).AsInteger("newrssid"), id);
            previous = id;
        }
        // A deleted last site's number is not handed out again.
        db.ExecSQL(QStringLiteral("delete from mrv_orvik_rss where rssid=") + QString::number(previous));
        db.ExecSQL(insertSite.arg("http://d.example/feed", "D"));
        QVERIFY(db.GetTable(QStringLiteral("Select max(rssid) as newrssid from mrv_orvik_rss")).AsInteger("newrssid") > previous);
    }

    void batchesWriteEveryRowOrNone()
    {
        TSQLiteDatabase db(m_path);
        db.ExecSQL("create table t (id INTEGER PRIMARY KEY, name TEXT NOT NULL, note TEXT)");
        const QString insert = QStringLiteral("insert into t(id,name,note) values (?1,?2,?3)");
        // A value shared with the row before stays bound; a NULL after a value is NULL again.
        db.ExecBatch(insert, {{"1", "甲's", QString()}, {"2", "b", "x"}, {"9", "b", QString()}});
        TSQLiteTable rows = db.GetTable("select id,typeof(id),name,note is null from t order by id");
        QCOMPARE(rows.Count(), 3);
        QCOMPARE(rows.FieldAsString(1), QStringLiteral("integer")); // text bound, integer stored
        QCOMPARE(rows.FieldAsString(2), QStringLiteral("甲's"));
        QCOMPARE(rows.FieldAsInteger(3), 1);
        rows.Next();
        QCOMPARE(rows.FieldAsInteger(3), 0);
        rows.Next();
        QCOMPARE(rows.FieldAsString(2), QStringLiteral("b"));
        QCOMPARE(rows.FieldAsInteger(3), 1);
        db.ExecSQL("delete from t where id=9");

        // The third row breaks the key: the two before it go too.
        const QString error = errorOf([&] { db.ExecBatch(insert, {{"3", "c", {}}, {"4", "d", {}}, {"1", "again", {}}}); });
        QVERIFY2(error.contains("constraint"), qPrintable(error));
        QCOMPARE(db.GetTable("select count(*) as c from t").AsInteger("c"), 2);
        // The connection is usable afterwards, outside any transaction.
        db.ExecBatch(insert, {{"5", "e", {}}});
        QCOMPARE(db.GetTable("select count(*) as c from t").AsInteger("c"), 3);

        // Inside the caller's transaction the rows are the caller's to keep or drop.
        db.ExecSQL("BEGIN");
        db.ExecBatch(insert, {{"6", "f", {}}});
        db.ExecSQL("ROLLBACK");
        QCOMPARE(db.GetTable("select count(*) as c from t").AsInteger("c"), 3);
    }
};

QTEST_GUILESS_MAIN(TestSQLiteDatabase)
#include "tst_sqlitedatabase.moc"
