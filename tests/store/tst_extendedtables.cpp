#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"
#include "store/SiteRemoval.h"

#include "support/TestDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The extended tables appear in an older file on first use, and a site's
// removal takes its push, indexed and settings rows with it.
class TestExtendedTables : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;

    qint64 count(const QString &statement)
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        TSQLiteTable t = db.GetTable(statement);
        return t.FieldAsInteger(0);
    }

private slots:
    void init()
    {
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QFile::remove(QStringLiteral("database.db"));
        QVERIFY(!TestDatabase::create(m_dir.path()).isEmpty());
        // Two sites, two addresses each.
        QVERIFY(TestDatabase::execRaw(
            QStringLiteral("database.db"),
            "insert into mrv_orvik_rss(rssid,rssurl) values (1,'http://a/rss'),(2,'http://b/rss');"
            "insert into mrv_orvik_rssurl(dataid,url,rssid) values (1,'http://a/1',1),(2,'http://a/2',1),"
            "(3,'http://b/1',2),(4,'http://b/2',2);"));
        TSQLiteDatabase db(QStringLiteral("database.db"));
        ExtendedTables::ensure(db);
        for (int id = 1; id <= 4; ++id) {
            db.ExecSQL(QStringLiteral("insert into mrv_orvik_push values (%1,'baidu','2026-12-01 10:00:00','ok')").arg(id));
            db.ExecSQL(QStringLiteral("insert into mrv_orvik_indexed values (%1,'2026-12-02 10:00:00')").arg(id));
        }
        db.ExecSQL(QStringLiteral("insert into mrv_orvik_pushsite(rssid,baidusite) values (1,'http://a'),(2,'http://b')"));
    }
    void cleanup() { QDir::setCurrent(m_oldCwd); }

    void ensureIsRepeatableAndKeepsRows()
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        ExtendedTables::ensure(db);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_push")), 4);
    }

    void deleteSiteTakesItsRowsOnly()
    {
        SiteRemoval::deleteSite(QStringLiteral("1"));
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_push")), 2);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_indexed")), 2);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_pushsite")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_push where dataid<=2")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_rssurl")), 2);
    }

    void clearSiteKeepsSettings()
    {
        SiteRemoval::clearSite(QStringLiteral("2"));
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_push where dataid>=3")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_indexed where dataid>=3")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_pushsite where rssid=2")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_rss")), 2);
    }

    void olderFileGetsTablesOnRemoval()
    {
        // A file made before the extended tables existed.
        QFile::remove(QStringLiteral("database.db"));
        QVERIFY(!TestDatabase::create(m_dir.path()).isEmpty());
        QVERIFY(TestDatabase::execRaw(QStringLiteral("database.db"),
                                      "insert into mrv_orvik_rss(rssid,rssurl) values (1,'x');"));
        SiteRemoval::deleteSite(QStringLiteral("1"));
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_rss")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from mrv_orvik_push")), 0);
    }
};

QTEST_GUILESS_MAIN(TestExtendedTables)
#include "tst_extendedtables.moc"
