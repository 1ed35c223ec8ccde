#include "common/ScreenFit.h"

#include <QtTest>

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void place_data()
    {
        QTest::addColumn<QRect>("remembered");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("expected");
        const QRect laptop(0, 0, 1366, 738); // a panel takes the bottom 30 pixels
        const QRect left(-1280, 0, 1280, 1024);
        QTest::newRow("nothing remembered, room") << QRect() << QList<QRect>{laptop} << QRect(133, 29, 1100, 680);
        QTest::newRow("nothing remembered, small screen")
            << QRect() << QList<QRect>{QRect(0, 0, 1024, 600)} << QRect(0, 0, 1024, 600);
        QTest::newRow("kept where it was") << QRect(40, 30, 1000, 600) << QList<QRect>{laptop}
                                           << QRect(40, 30, 1000, 600);
        QTest::newRow("kept on a second screen") << QRect(-1200, 100, 1100, 680) << QList<QRect>{laptop, left}
                                                 << QRect(-1200, 100, 1100, 680);
        QTest::newRow("second screen gone") << QRect(-1200, 100, 1100, 680) << QList<QRect>{laptop}
                                            << QRect(133, 29, 1100, 680);
        QTest::newRow("title bar above the screen") << QRect(100, -200, 1000, 600) << QList<QRect>{laptop}
                                                    << QRect(183, 69, 1000, 600);
        QTest::newRow("only a corner showing") << QRect(1300, 700, 1000, 600) << QList<QRect>{laptop}
                                               << QRect(183, 69, 1000, 600);
        QTest::newRow("hanging over the edge comes inside") << QRect(600, 300, 1000, 600) << QList<QRect>{laptop}
                                                            << QRect(366, 138, 1000, 600);
        QTest::newRow("larger than the screen now") << QRect(0, 0, 1900, 1000) << QList<QRect>{laptop}
                                                    << QRect(0, 0, 1366, 738);
        QTest::newRow("never below the minimum") << QRect() << QList<QRect>{QRect(0, 0, 800, 480)}
                                                 << QRect(0, 0, 900, 500);
    }
    void place()
    {
        QFETCH(QRect, remembered);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, expected);
        QCOMPARE(ScreenFit::place(remembered, screens, QSize(900, 500)), expected);
    }
};

QTEST_APPLESS_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
