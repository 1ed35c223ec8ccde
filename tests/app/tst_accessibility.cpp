#include "MainWindowControls.h"
#include "ProgramFixture.h"
#include "app/ui/TMainFrm.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {

// The control's accessible name: the one set on it, or else the one the
// toolkit derives from its caption. (For an editable drop-down list the
// toolkit reports the typed text as the name on some desktops; the name set
// on the control is what we answer for.)
QString spokenName(QWidget *control)
{
    if (!control->accessibleName().isEmpty())
        return control->accessibleName();
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Name) : QString();
}

// Controls the user types into, reads or picks from, and buttons: a name that
// two of them share leaves the user guessing which one has the focus.
bool needsOwnName(QWidget *w)
{
    if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
        return false; // parts of another control, such as a list's header
    return qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
        || qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QTextEdit *>(w)
        || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QAbstractButton *>(w);
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyMainWindowControlHasAName()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *w = f.createWindows();
        w->show();
        QStringList unnamed;
        for (const char *name : MainWindowControls) {
            auto *control = w->findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(control, name);
            if (spokenName(control).trimmed().isEmpty())
                unnamed << QLatin1String(name);
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
        // The three help links show only "?"; they are told apart by their hints.
        QCOMPARE(spokenName(w->findChild<QWidget *>("btnHelpRss")), QStringLiteral("关于Rss.xml"));
        QCOMPARE(spokenName(w->findChild<QWidget *>("spbtnPing")), QStringLiteral("关于百度ping服务"));
        QCOMPARE(spokenName(w->findChild<QWidget *>("spbtnInBaidu")), QStringLiteral("关于百度收录"));
        // Typing goes into the address box's edit part, which carries the box's name.
        QLineEdit *typed = w->findChild<QComboBox *>("cbxUrl")->lineEdit();
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(typed);
        QVERIFY(face);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Rss地址"));
    }

    // Counts, the page, the site filter, the progress and the pause button's
    // caption change while the program runs: what is heard is what is shown.
    void liveTextsAreHeardAsTheyChange()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *w = f.createWindows();
        w->show();
        auto heard = [w](const char *name) {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w->findChild<QWidget *>(name));
            return face ? face->text(QAccessible::Name) : QStringLiteral("(no interface)");
        };
        QCOMPARE(heard("lblTotalCount"), QStringLiteral("0"));
        QCOMPARE(heard("lblPageIndex"), QStringLiteral("1/0"));
        QCOMPARE(heard("lblRssid"), QStringLiteral("0"));
        QCOMPARE(heard("btnPause"), QStringLiteral("暂停"));

        for (int i = 1; i <= 30; ++i)
            f.exec(QStringLiteral("insert into mrv_orvik_rssurl(title,url,rssid) values ('t','http://a.cn/%1',2)").arg(i));
        w->findChild<QPushButton *>("btnEnd")->click();
        QCOMPARE(heard("lblTotalCount"), QStringLiteral("30"));
        QCOMPARE(heard("lblPageIndex"), QStringLiteral("2/2"));
        w->setMessagePanel(QStringLiteral("进度：3/50"));
        QCOMPARE(heard("StatusPanel0"), QStringLiteral("进度：3/50"));
        w->setMessagePanel(QStringLiteral("下载完成"));
        QCOMPARE(heard("StatusPanel0"), QStringLiteral("下载完成"));
        w->findChild<QLabel *>("lblRssid")->setText(QStringLiteral("2")); // as the site tree sets it
        QCOMPARE(heard("lblRssid"), QStringLiteral("2"));
        // Pausing with no run in progress pauses the next ping run.
        w->findChild<QPushButton *>("btnPause")->click();
        QCOMPARE(heard("btnPause"), QStringLiteral("继续Ping0"));
        // The description still says what each one shows.
        QCOMPARE(QAccessible::queryAccessibleInterface(w->findChild<QWidget *>("lblRssid"))
                     ->text(QAccessible::Description),
                 QStringLiteral("当前RssID"));
    }

    // Screen readers announce windows and find them by their role.
    void secondaryWindowsAreWindowsInTheTree()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *main = f.createWindows();
        main->show();
        // The statistics window is made at its first opening.
        main->findChild<QAction *>("NStats")->trigger();
        const QList<std::pair<const char *, QAccessible::Role>> windows = {
            {"frmStats", QAccessible::Window},
            {"frmOption", QAccessible::Dialog},
            {"FrmHelp", QAccessible::Window},
            {"frmAbout", QAccessible::Dialog},
            {"frmChaXun", QAccessible::Dialog}};
        for (const auto &[name, role] : windows) {
            auto *window = main->findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(window && window->isWindow(), name);
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(window);
            QVERIFY2(face, name);
            QCOMPARE(face->role(), role);
            QCOMPARE(face->text(QAccessible::Name), window->windowTitle());
            // Their controls are still found below them.
            QVERIFY2(face->childCount() > 0, name);
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(main->findChild<QWidget *>("PCGetUrl"))->role(),
                 QAccessible::Client); // other panes keep theirs
    }

    void optionsBoxesAreLeftWithTheTabKey()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *main = f.createWindows();
        main->show();
        main->findChild<QAction *>("NOption")->trigger();
        auto *options = main->findChild<QWidget *>("frmOption");
        QVERIFY(QTest::qWaitForWindowActive(options));
        auto *ping = options->findChild<QLineEdit *>("editPingSleep");
        ping->setFocus();
        QTRY_VERIFY(ping->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("editBaiduSleep"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("editPingSleep"));
        QCOMPARE(f.dialogs.texts(), QStringList());
    }

    void boxesListsAndButtonsAreNamedUniquelyInEachWindow()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *main = f.createWindows();
        main->show();
        int windows = 0;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMenu *>(window) || window->objectName().isEmpty())
                continue;
            ++windows;
            QHash<QString, QString> owner; // spoken name -> object name
            for (QWidget *control : window->findChildren<QWidget *>()) {
                if (control->window() != window || !needsOwnName(control))
                    continue;
                const QString where = window->objectName() + QLatin1Char('/') + control->objectName();
                const QString name = spokenName(control).trimmed();
                QVERIFY2(!name.isEmpty(), qPrintable(where));
                QVERIFY2(!owner.contains(name),
                         qPrintable(where + QStringLiteral(" shares \"%1\" with ").arg(name)
                                    + owner.value(name)));
                owner.insert(name, control->objectName());
            }
        }
        QVERIFY(windows >= 3); // the main, options and help windows at least
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
