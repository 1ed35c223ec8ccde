#include "FileSizeLimit.h"
#include "ProgramFixture.h"
#include "app/ui/TMainFrm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {
QByteArray helpXml(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><help><channel>" + items + "</channel></help>";
}
QByteArray item(const QByteArray &id, const QByteArray &title, const QByteArray &description)
{
    return "<item><id>" + id + "</id><title>" + title + "</title><description>" + description
        + "</description></item>";
}
QWidget *window(TMainFrm *main, const char *name) { return main->findChild<QWidget *>(name); }
} // namespace

class TestSecondaryWindows : public QObject {
    Q_OBJECT
private slots:
    void helpShowsTheLastMatchingTopicBesideTheMainWindow()
    {
        ProgramFixture f;
        f.createDatabase();
        f.writeFile("help.xml", helpXml(item("1", "One", "first") + item("2", "Two", "old")
                                        + item("02", "Zero two", "no") + item(" 2", "Space two", "no")
                                        + item("2", "<![CDATA[Two & more]]>", "second")));
        TMainFrm *main = f.createWindows();
        main->show();
        main->move(40, 30);
        main->findChild<QToolButton *>("spbtnPing")->click();
        QWidget *help = window(main, "FrmHelp");
        QVERIFY(help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("动态帮助"));
        QCOMPARE(help->frameGeometry().topLeft(), main->frameGeometry().topLeft() + QPoint(450, 150));
        auto *memo = help->findChild<QPlainTextEdit *>("Memo1");
        QCOMPARE(memo->toPlainText(), QStringLiteral("Two & more\n\nsecond"));

        // While open, another link only raises it.
        main->findChild<QToolButton *>("btnHelpRss")->click();
        QCOMPARE(memo->toPlainText(), QStringLiteral("Two & more\n\nsecond"));
        help->hide();
        main->findChild<QToolButton *>("btnHelpRss")->click();
        QCOMPARE(memo->toPlainText(), QStringLiteral("One\n\nfirst"));
        // No item 3: the text stays.
        help->hide();
        main->findChild<QToolButton *>("spbtnInBaidu")->click();
        QCOMPARE(memo->toPlainText(), QStringLiteral("One\n\nfirst"));
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void helpFailuresSayTheyCannotGetIt()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *main = f.createWindows();
        main->show();
        QWidget *help = window(main, "FrmHelp");
        auto *memo = help->findChild<QPlainTextEdit *>("Memo1");
        main->findChild<QToolButton *>("btnHelpRss")->click(); // no help.xml
        QCOMPARE(f.dialogs.texts(), QStringList({"无法获取！"}));
        QVERIFY(help->isVisible());
        QCOMPARE(memo->toPlainText(), QString());

        // The matching topic's description is missing: title and empty line stay.
        f.writeFile("help.xml", helpXml(item("1", "One", "")));
        help->hide();
        main->findChild<QToolButton *>("btnHelpRss")->click();
        QCOMPARE(f.dialogs.texts().size(), 2);
        QCOMPARE(memo->toPlainText(), QStringLiteral("One\n"));

        // An unreadable item before the match stops the visit.
        f.writeFile("help.xml", helpXml("<item><id><b/></id></item>" + item("1", "New", "text")));
        help->hide();
        main->findChild<QToolButton *>("btnHelpRss")->click();
        QCOMPARE(f.dialogs.texts().size(), 3);
        QCOMPARE(memo->toPlainText(), QStringLiteral("One\n"));

        // A file nested past the bound is refused before its tree is built.
        f.writeFile("help.xml", helpXml(item("1", "Deep", QByteArray("<d>").repeated(200000)
                                                          + QByteArray("</d>").repeated(200000))));
        help->hide();
        QElapsedTimer clock;
        clock.start();
        main->findChild<QToolButton *>("btnHelpRss")->click();
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.dialogs.texts().size(), 4);
        QCOMPARE(memo->toPlainText(), QStringLiteral("One\n"));

        // So is one whose entities together would expand past theirs.
        f.writeFile("help.xml", helpXml(item("1", "Big", QByteArray("&e;").repeated(16384)))
                                    .replace("?><help>", "?><!DOCTYPE help [<!ENTITY e \"" + QByteArray(4000, 'x')
                                                             + "\">]><help>"));
        help->hide();
        clock.restart();
        main->findChild<QToolButton *>("btnHelpRss")->click();
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.dialogs.texts().size(), 5);
        QCOMPARE(memo->toPlainText(), QStringLiteral("One\n"));
    }

    void optionsFilterKeysAndStoreBothIntervals()
    {
        ProgramFixture f;
        f.createDatabase();
        f.writeFile("config.ini", "[config]\r\npingSleep=100\r\ncheckInbaiduSleep=200\r\n");
        TMainFrm *main = f.createWindows();
        main->show();
        main->findChild<QAction *>("NOption")->trigger();
        QWidget *options = window(main, "frmOption");
        QVERIFY(options->isVisible());
        QCOMPARE(options->frameGeometry().topLeft(), main->frameGeometry().topLeft() + QPoint(450, 150));
        auto *ping = options->findChild<QLineEdit *>("editPingSleep");
        auto *check = options->findChild<QLineEdit *>("editBaiduSleep");
        QCOMPARE(ping->text(), QStringLiteral("100"));
        QCOMPARE(check->text(), QStringLiteral("200"));

        ping->setFocus();
        ping->end(false);
        QTest::keyClicks(ping, "a5-");
        QCOMPARE(ping->text(), QStringLiteral("1005"));
        QCOMPARE(f.dialogs.texts(), QStringList({"只能输入数字", "只能输入数字"}));
        QTest::keyClick(ping, Qt::Key_Backspace);
        QTest::keyClick(ping, Qt::Key_Return);
        QCOMPARE(ping->text(), QStringLiteral("100"));
        QCOMPARE(f.dialogs.texts().size(), 2);

        ping->setText("250");
        check->setText("");
        options->findChild<QPushButton *>("btnSetBaiduSleep")->click();
        // The first value is stored and written before the second fails.
        QCOMPARE(f.dialogs.textsOf("error"), QStringList({"'''' is not a valid integer value."}));
        QCOMPARE(f.settings.PingSleep, 250);
        QCOMPARE(f.settings.CheckInBaiduSleep, 200);
        QVERIFY(options->isVisible());
        QVERIFY(f.readFile("config.ini").contains("pingSleep=250"));

        // A full disk: the window stays open, the file whole, the reason named.
        check->setText("-10");
        const QByteArray saved = f.readFile("config.ini");
        {
            FileSizeLimit full(8);
            options->findChild<QPushButton *>("btnSetBaiduSleep")->click();
        }
        QCOMPARE(f.dialogs.textsOf("error").last(), QStringLiteral("Unable to write to ") + f.path("config.ini")
                     + QStringLiteral(": ") + FileSizeLimit::reason() + QLatin1Char('.'));
        QVERIFY(options->isVisible());
        QCOMPARE(f.readFile("config.ini"), saved);

        options->findChild<QPushButton *>("btnSetBaiduSleep")->click();
        QVERIFY(!options->isVisible());
        QCOMPARE(f.settings.CheckInBaiduSleep, -10);
        QVERIFY(f.readFile("config.ini").contains("checkInbaiduSleep=-10"));

        // Cancel stores nothing; the next opening shows the stored values.
        main->findChild<QAction *>("NOption")->trigger();
        ping->setText("999");
        options->findChild<QPushButton *>("Button1")->click();
        QVERIFY(!options->isVisible());
        QCOMPARE(f.settings.PingSleep, 250);
        main->findChild<QAction *>("NOption")->trigger();
        QCOMPARE(ping->text(), QStringLiteral("250"));
    }

    void optionsShowAndSaveTheIndexCheckSwitches()
    {
        ProgramFixture f;
        f.createDatabase();
        f.writeFile("config.ini", "[config]\r\ncheckBackoff=0\r\nskipIndexed=0\r\n");
        TMainFrm *main = f.createWindows();
        main->show();
        main->findChild<QAction *>("NOption")->trigger();
        QWidget *options = window(main, "frmOption");
        auto *backoff = options->findChild<QCheckBox *>("cbxCheckBackoff");
        auto *skip = options->findChild<QCheckBox *>("cbxSkipIndexed");
        QCOMPARE(backoff->text(), QStringLiteral("遇到百度安全验证时自动等待"));
        QCOMPARE(skip->text(), QStringLiteral("已收录的地址不再检测"));
        QVERIFY(!backoff->isChecked());
        QVERIFY(!skip->isChecked());
        // The window holds every control.
        for (QWidget *control : {static_cast<QWidget *>(backoff), static_cast<QWidget *>(skip),
                                 options->findChild<QWidget *>("btnSetBaiduSleep")})
            QVERIFY(options->rect().contains(QRect(control->mapTo(options, QPoint()), control->size())));

        // Cancelled changes are not kept.
        backoff->setChecked(true);
        options->findChild<QPushButton *>("Button1")->click();
        main->findChild<QAction *>("NOption")->trigger();
        QVERIFY(!backoff->isChecked());

        backoff->setChecked(true);
        skip->setChecked(true);
        options->findChild<QPushButton *>("btnSetBaiduSleep")->click();
        QVERIFY(!options->isVisible());
        QVERIFY(f.settings.checkBackoff);
        QVERIFY(f.settings.skipIndexed);
        const QByteArray file = f.readFile("config.ini");
        QVERIFY(file.contains("checkBackoff=1"));
        QVERIFY(file.contains("skipIndexed=1"));

        // An interval that is no number stops before the switches.
        main->findChild<QAction *>("NOption")->trigger();
        options->findChild<QLineEdit *>("editBaiduSleep")->setText("");
        skip->setChecked(false);
        options->findChild<QPushButton *>("btnSetBaiduSleep")->click();
        QVERIFY(options->isVisible());
        QVERIFY(f.settings.skipIndexed);
    }

    void secondaryWindowsExistWithTheirCaptions()
    {
        ProgramFixture f;
        f.createDatabase();
        TMainFrm *main = f.createWindows();
        QCOMPARE(window(main, "frmAbout")->windowTitle(), QStringLiteral("关于"));
        QCOMPARE(window(main, "frmChaXun")->windowTitle(), QStringLiteral("收录查询"));
        QVERIFY(window(main, "frmAbout")->isHidden());
        main->show();
        main->findChild<QAction *>("N6")->trigger();
        QVERIFY(window(main, "frmChaXun")->isVisible());
        main->findChild<QAction *>("NOrvik1")->trigger();
        QVERIFY(window(main, "frmAbout")->isVisible());
    }
};

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"
