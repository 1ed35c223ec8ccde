#include "platform/Delay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void delay(int msecs)
{
    if (msecs <= 0)
        return;
    const QDeadlineTimer deadline(msecs, Qt::PreciseTimer);
    QEventLoop loop;
    // The timer wakes the sleeping loop at the deadline; checking the deadline
    // after every round of events ends the wait on time even under a stream
    // of events that would keep the loop busy.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
    wake.start(msecs);
    while (!deadline.hasExpired()) {
        loop.processEvents(QEventLoop::WaitForMoreEvents);
        if (!wake.isActive() && !deadline.hasExpired())
            wake.start(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void dispatchPending()
{
    QCoreApplication::processEvents();
}
