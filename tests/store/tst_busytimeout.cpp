// A lock held by another connection: the window fails at once, a process that
// set a busy timeout waits for it.
#include "TestDatabase.h"
#include "store/SQLiteDatabase.h"

#include <QTemporaryDir>
#include <QElapsedTimer>
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

    // The window's wait: the statement waits for the lock while the event
    // loop keeps running; a statement of a handler run inside that wait fails
    // at once instead of waiting on a lock that may be our own.
    void aPumpedWaitKeepsEventsGoingAndNestedWaitsGiveUp()
    {
        QTemporaryDir dir;
        const QString path = TestDatabase::create(dir.path());
        TSQLiteDatabase::setBusyTimeout(30000, TSQLiteDatabase::BusyWait::Pumped);
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longestGap = 0;
        int ticks = 0;
        QString nested;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            ++ticks;
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
            if (ticks == 3) {
                try {
                    TSQLiteDatabase inner(path);
                    inner.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rss(rssurl) values ('http://inner/')"));
                } catch (const ESQLiteException &e) {
                    nested = e.message();
                }
            }
        });
        ticker.start(10);
        HeldLock lock(path, 500);
        TSQLiteDatabase db(path);
        db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rss(rssurl) values ('http://a/')"));
        QVERIFY(clock.elapsed() >= 400);
        QVERIFY2(ticks >= 5 && longestGap < 300, qPrintable(QString::number(longestGap)));
        QVERIFY2(!nested.isEmpty(), "the nested statement waited");
        QCOMPARE(db.GetTable(QStringLiteral("Select count(*) as c from mrv_orvik_rss")).AsInteger(QStringLiteral("c")), 1);
    }
};

QTEST_GUILESS_MAIN(TestBusyTimeout)
#include "tst_busytimeout.moc"
