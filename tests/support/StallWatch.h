#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// The longest time between two ticks of a 10 ms repeating timer: how long the
// event loop was kept from running while the watch ran.
struct StallWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;

    void start()
    {
        timer.setInterval(10);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::disconnect(&timer, nullptr, nullptr, nullptr);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            worst = std::max(worst, now - last);
            last = now;
        });
        clock.start();
        last = 0;
        worst = 0;
        timer.start();
    }
    qint64 stop()
    {
        worst = std::max(worst, clock.elapsed() - last);
        timer.stop();
        return worst;
    }
};
