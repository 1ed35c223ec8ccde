#include "platform/Delay.h"

#include <QElapsedTimer>
#include <QtTest>

class TestDelay : public QObject {
    Q_OBJECT
private slots:
    void nothingOrLessReturnsAtOnce()
    {
        bool dispatched = false;
        // The timer is never served here: its context ends it with the test,
        // before it could write into this frame during the next one.
        QObject context;
        QTimer::singleShot(0, &context, [&] { dispatched = true; });
        QElapsedTimer clock;
        clock.start();
        delay(0);
        delay(-50);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!dispatched); // not even waiting events run
    }

    void waitsCloseToTheDeadlineAndDispatchesEvents()
    {
        QList<qint64> firedAt;
        QElapsedTimer clock;
        clock.start();
        QObject context;
        QTimer::singleShot(20, &context, [&] { firedAt << clock.elapsed(); });
        QTimer::singleShot(60, &context, [&] { firedAt << clock.elapsed(); });
        delay(100);
        const qint64 elapsed = clock.elapsed();
        // Upper bounds are loose: a busy machine may run any of this late.
        QVERIFY2(elapsed >= 99 && elapsed < 2000, qPrintable(QString::number(elapsed)));
        QCOMPARE(firedAt.size(), 2);
        QVERIFY(firedAt[0] >= 20 && firedAt[1] >= 60 && firedAt[0] < firedAt[1]);
    }

    void returnsOnTimeUnderAStreamOfEvents()
    {
        // Every event posts the next one, so the queue never runs dry.
        int handled = 0;
        std::function<void()> repost = [&] {
            ++handled;
            QMetaObject::invokeMethod(QCoreApplication::instance(), repost, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(QCoreApplication::instance(), repost, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        delay(80);
        const qint64 elapsed = clock.elapsed();
        repost = [] {}; // stop the stream
        QCoreApplication::processEvents();
        QVERIFY2(elapsed >= 79 && elapsed < 2000, qPrintable(QString::number(elapsed)));
        QVERIFY(handled > 10);
    }

    void sleepsInsteadOfSpinning()
    {
        const std::clock_t cpuBefore = std::clock();
        delay(150);
        const double cpuMs = double(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
        QVERIFY2(cpuMs < 60, qPrintable(QString::number(cpuMs)));
    }

    void nestedDelaysBothReturn()
    {
        QElapsedTimer clock;
        clock.start();
        qint64 innerDone = -1;
        QObject context;
        QTimer::singleShot(10, &context, [&] {
            delay(30);
            innerDone = clock.elapsed();
        });
        delay(60);
        // The inner wait ran to its own deadline inside the outer one, and the
        // outer one still waited for its own.
        QVERIFY2(innerDone >= 39 && innerDone <= clock.elapsed(), qPrintable(QString::number(innerDone)));
        QVERIFY(clock.elapsed() >= 59);
    }

    void dispatchPendingRunsWaitingEventsOnly()
    {
        bool dispatched = false;
        bool later = false;
        QObject context;
        QTimer::singleShot(0, &context, [&] { dispatched = true; });
        QTimer::singleShot(200, &context, [&] { later = true; });
        QTest::qWait(1); // let the zero timer come due
        dispatchPending();
        QVERIFY(dispatched);
        QVERIFY(!later);
    }
};

QTEST_GUILESS_MAIN(TestDelay)
#include "tst_delay.moc"
