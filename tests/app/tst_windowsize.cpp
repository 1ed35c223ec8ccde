#include "MainWindowControls.h"
#include "ProgramFixture.h"
#include "app/ui/TMainFrm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

// These tests run on one laptop screen of 1366 × 768 (the offscreen platform's
// own screen is 800 × 600).

namespace {

// The named controls the user sees, without those that hold others.
QList<QWidget *> visibleControls(TMainFrm *w)
{
    QList<QWidget *> controls;
    for (const char *name : MainWindowControls) {
        auto *c = w->findChild<QWidget *>(QLatin1String(name));
        if (c && c->isVisible())
            controls << c;
    }
    for (const char *name : {"EditSearch", "btnSearch"})
        controls << w->findChild<QWidget *>(QLatin1String(name));
    QList<QWidget *> leaves;
    for (QWidget *c : controls) {
        const bool holdsAnother = std::any_of(controls.begin(), controls.end(),
                                              [c](QWidget *o) { return o != c && c->isAncestorOf(o); });
        if (!holdsAnother)
            leaves << c;
    }
    return leaves;
}

QRect inWindow(QWidget *control, QWidget *window)
{
    return QRect(control->mapTo(window, QPoint(0, 0)), control->size());
}

} // namespace

class TestWindowSize : public QObject {
    Q_OBJECT
private slots:
    void everyControlFits_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("panelWidened");
        QTest::newRow("1000 x 600, panel opened again") << QSize(1000, 600) << true;
        QTest::newRow("1000 x 600") << QSize(1000, 600) << false;
        QTest::newRow("1280 x 720") << QSize(1280, 720) << false;
    }
    void everyControlFits()
    {
        QFETCH(QSize, size);
        QFETCH(bool, panelWidened);
        ProgramFixture f;
        f.createDatabase();
        f.online = true; // the banner shows
        TMainFrm *w = f.createWindows();
        w->show();
        if (panelWidened) {
            auto *strip = w->findChild<QWidget *>("PanelSwitch");
            QTest::mouseClick(strip, Qt::LeftButton);
            QTest::mouseClick(strip, Qt::LeftButton);
        }
        w->resize(size);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCoreApplication::processEvents();
        QCOMPARE(w->size(), size);

        const QList<QWidget *> controls = visibleControls(w);
        QVERIFY(controls.size() > 20);
        const QRect window = w->rect();
        for (QWidget *c : controls) {
            const QRect r = inWindow(c, w);
            QVERIFY2(window.contains(r), qPrintable(c->objectName()));
            // A button narrower than it asks for cuts its caption.
            if (qobject_cast<QAbstractButton *>(c))
                QVERIFY2(c->width() >= c->minimumSizeHint().width(), qPrintable(c->objectName()));
            for (QWidget *other : controls) {
                if (other != c)
                    QVERIFY2(!r.intersects(inWindow(other, w)),
                             qPrintable(c->objectName() + QLatin1String(" overlaps ") + other->objectName()));
            }
        }
    }

    void remembersSizePlaceAndColumns()
    {
        QTemporaryDir config;
        const QString file = config.filePath(QStringLiteral("wexly/window.conf"));
        {
            ProgramFixture f;
            f.createDatabase();
            f.context.windowStateFile = file;
            f.online = true; // the banner shows
            TMainFrm *w = f.createWindows();
            // Nothing remembered: the size the window asks for, on the screen.
            QCOMPARE(w->size(), QSize(1100, 680));
            w->show();
            QCOMPARE(w->findChild<QWidget *>("WebBrowser1")->size(), QSize(332, 52));
            w->setGeometry(60, 40, 1040, 620);
            w->findChild<QTreeWidget *>("GlobalData")->setColumnWidth(2, 333);
            w->close();
        }
        QVERIFY(QFile::exists(file));
        {
            ProgramFixture f;
            f.createDatabase();
            f.context.windowStateFile = file;
            TMainFrm *w = f.createWindows();
            QCOMPARE(w->geometry(), QRect(60, 40, 1040, 620));
            QCOMPARE(w->findChild<QTreeWidget *>("GlobalData")->columnWidth(2), 333);
        }
        {
            // A place on a screen that is gone: back on the one there is.
            QSettings saved(file, QSettings::IniFormat);
            saved.setValue(QStringLiteral("MainWindow/geometry"), QRect(1500, 100, 1100, 680));
        }
        ProgramFixture f;
        f.createDatabase();
        f.context.windowStateFile = file;
        TMainFrm *w = f.createWindows();
        QVERIFY(QRect(0, 0, 1366, 768).contains(w->geometry()));
        QCOMPARE(w->size(), QSize(1100, 680));
    }

    void unwritableMemoryIsPassedOver()
    {
        ProgramFixture f;
        f.createDatabase();
        f.writeFile(QStringLiteral("plain"), "a file, not a folder");
        f.context.windowStateFile = f.path(QStringLiteral("plain/window.conf"));
        TMainFrm *w = f.createWindows();
        w->show();
        w->close();
        QVERIFY(f.dialogs.boxes.isEmpty());
    }
};

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile json(config);
    if (!json.open(QIODevice::WriteOnly))
        return 1;
    json.write(R"({"windowFrameMargins": false,
                   "screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768}]})");
    json.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QFile::encodeName(config));
    QApplication app(argc, argv);
    TestWindowSize test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowsize.moc"
