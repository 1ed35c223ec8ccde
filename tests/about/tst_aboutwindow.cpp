#include "ProgramFixture.h"
#include "platform/ui/JpegImage.h"

#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {
struct AboutFixture {
    ProgramFixture f;
    QMainWindow *main = nullptr;
    QWidget *about = nullptr;

    AboutFixture()
    {
        f.createDatabase();
        f.settings.hosts.product = QStringLiteral("product.test");
        main = f.createMainWindow();
        main->show();
        about = main->findChild<QWidget *>("frmAbout");
    }
    void open() { main->findChild<QAction *>("NOrvik1")->trigger(); }
    template <class T> T *child(const char *name) { return about->findChild<T *>(name); }
};

QStringList labelTexts(QWidget *window)
{
    QStringList texts;
    for (QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    return texts;
}
} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT
private slots:
    void showsLogoVersionSiteAndSupport()
    {
        AboutFixture a;
        a.open();
        QVERIFY(a.about->isVisible());
        QCOMPARE(a.about->windowTitle(), QStringLiteral("关于"));
        QCOMPARE(a.about->size(), QSize(317, 211));

        auto *logo = a.child<QLabel>("ILogo");
        QCOMPARE(logo->geometry(), QRect(0, 0, 317, 49));
        QCOMPARE(logo->pixmap().size(), QSize(317, 49));

        const QStringList texts = labelTexts(a.about);
        for (const char *caption : {"软件版本：", "官方网站：", "技术支持："})
            QVERIFY2(texts.contains(QString::fromUtf8(caption)), caption);
        QVERIFY(!a.child<QLabel>("lblSupport")->text().isEmpty());
        QCOMPARE(a.child<QLabel>("lblVersion")->text(), QStringLiteral("1.0.0 build 29"));

        auto *link = a.child<QLabel>("LURL");
        QCOMPARE(link->text(), QStringLiteral("http://product.test/"));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);

        auto *close = a.child<QPushButton>("BClose");
        QCOMPARE(close->text(), QStringLiteral("确 定"));
        QVERIFY(close->isDefault());
        QVERIFY(close->geometry().right() > 317 - 20 && close->geometry().bottom() > 211 - 20);
    }

    void placedBesideTheMainWindowOnEveryShowing()
    {
        AboutFixture a;
        a.main->move(40, 30);
        a.open();
        QCOMPARE(a.about->frameGeometry().topLeft(), a.main->frameGeometry().topLeft() + QPoint(450, 150));
        a.about->hide();
        a.main->move(120, 90);
        a.open();
        QCOMPARE(a.about->frameGeometry().topLeft(), a.main->frameGeometry().topLeft() + QPoint(450, 150));

        // Minimising and restoring is no new showing: nothing is set up again.
        auto *link = a.child<QLabel>("LURL");
        link->setText(QStringLiteral("http://other.test/"));
        a.about->showMinimized();
        QApplication::processEvents();
        a.about->showNormal();
        QApplication::processEvents();
        QCOMPARE(link->text(), QStringLiteral("http://other.test/"));
    }

    void theLinkOpensWhateverItShows()
    {
        AboutFixture a;
        a.open();
        auto *link = a.child<QLabel>("LURL");
        QTest::mouseClick(link, Qt::LeftButton);
        link->setText(QStringLiteral("http://other.test/page"));
        QTest::mouseClick(link, Qt::LeftButton);
        // A right click is no link click.
        QTest::mouseClick(link, Qt::RightButton);
        QCOMPARE(a.f.openedAddresses, QStringList({"http://product.test/", "http://other.test/page"}));
    }

    void closingOnlyHides()
    {
        AboutFixture a;
        QPointer<QWidget> about = a.about;
        a.open();
        a.child<QPushButton>("BClose")->click();
        QVERIFY(!about->isVisible());
        a.open();
        QTest::keyClick(about, Qt::Key_Return);
        QVERIFY(!about->isVisible());
        a.open();
        QVERIFY(about->close());
        QApplication::processEvents();
        QVERIFY(about);
        QVERIFY(!about->isVisible());
        QVERIFY(a.main->isVisible());
    }

    void unreadableVersionShowsAQuestionMark()
    {
        AboutFixture a;
        QFile::remove(a.f.path("wexly"));
        a.open();
        QCOMPARE(a.child<QLabel>("lblVersion")->text(), QStringLiteral("?"));
    }

    void jpegDecoding()
    {
        QFile file(":/logo.jpg");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QImage logo = decodeJpeg(bytes);
        QCOMPARE(logo.size(), QSize(317, 49));
        // Not the grey of a failed decode: the logo is mostly blue.
        const QColor corner = logo.pixelColor(2, 2);
        QVERIFY(corner.blue() > corner.red() + 40);
        QVERIFY(decodeJpeg(QByteArray()).isNull());
        QVERIFY(decodeJpeg("not a picture at all").isNull());
        QVERIFY(decodeJpeg(bytes.left(100)).isNull());
    }
};

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
