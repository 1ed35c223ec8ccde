// A lock held by another connection: the window fails at once, a process that
// set a busy timeout waits for it.
#include "TestDatabase.h"
#include "store/SQLiteDatabase.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>
#include <thread>

namespace {

// Holds an exclusive lock on the file from another thread for `msecs`.
class HeldLock {
public:
    HeldLock(const QString &path, int msecs)
    {
        sqlite3_open(path.toUtf8().constData(), &m_db);
        sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        m_thread = std::thread([this, msecs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(msecs));
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        });
    }
    ~HeldLock()
    {
        m_thread.join();
        sqlite3_close(m_db);
    }

private:
    sqlite3 *m_db = nullptr;
    std::thread m_thread;
};

} // namespace

class TestBusyTimeout : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TSQLiteDatabase::setBusyTimeout(0); }

    void withoutATimeoutALockFailsAtOnce()
    {
        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        QCOMPARE(TSQLiteDatabase::busyTimeout(), 0);
        HeldLock lock(path, 300);
        TSQLiteDatabase db(path);
        try {
            db.GetTable(QStringLiteral("Select count(*) from mrv_orvik_rss"));
            QFAIL("the locked file was read");
        } catch (const ESQLiteException &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Could not prepare SQL statement")), qPrintable(e.message()));
        }
    }

    void withATimeoutTheConnectionWaitsForTheLock()
    {
        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        TSQLiteDatabase::setBusyTimeout(30000);
        HeldLock lock(path, 300);
        TSQLiteDatabase db(path);
        db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rss(rssurl) values ('http://a/')"));
        QCOMPARE(db.GetTable(QStringLiteral("Select count(*) as c from mrv_orvik_rss")).AsInteger(QStringLiteral("c")), 1);
        // A negative setting is no timeout.
        TSQLiteDatabase::setBusyTimeout(-5);
        QCOMPARE(TSQLiteDatabase::busyTimeout(), 0);
    }
};

QTEST_GUILESS_MAIN(TestBusyTimeout)
#include "tst_busytimeout.moc"
