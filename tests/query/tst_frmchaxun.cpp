#include "ProgramFixture.h"
#include "support/TestHttpServer.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

using Response = TestHttpServer::Response;

namespace {

const char *const kBoxes[] = {"EditBaidu", "EditBaidu2", "Edit360", "Edit3602", "EditSougou",
                              "EditSougou2", "EditBR", "EditFromBaiduIP", "EditAiZhanWord",
                              "EditChinazBR", "EditChinazFromBaiduIP", "EditChinaZWord"};

struct Window {
    explicit Window(ProgramFixture &f)
    {
        main = f.createMainWindow();
        main->show();
        main->move(30, 20);
        self = main->findChild<QWidget *>("frmChaXun");
    }
    void open() { main->findChild<QAction *>("N6")->trigger(); }
    template<typename T = QLineEdit> T *get(const char *name) const { return self->findChild<T *>(name); }
    QComboBox *domain() const { return get<QComboBox>("cbxChaXunUrl"); }
    QPushButton *query() const { return get<QPushButton>("Button1"); }
    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < domain()->count(); ++i)
            out << domain()->itemText(i);
        return out;
    }
    QString labelOf(QWidget *box) const
    {
        for (QLabel *label : self->findChildren<QLabel *>())
            if (label->buddy() == box)
                return label->text();
        return {};
    }

    QMainWindow *main;
    QWidget *self;
};

void pointHostsAt(ProgramFixture &f, const TestHttpServer &server)
{
    auto &hosts = f.settings.hosts;
    hosts.baidu = hosts.so = hosts.sogou = hosts.aizhan = hosts.chinaz = server.base();
    hosts.aizhanstatic = QStringLiteral("img.test.invalid");
}

Response servicePage(const TestHttpServer::Request &request)
{
    if (request.target.startsWith("/s?wd=site:"))
        return Response::ok("<strong>找到相关结果数1,230个。</strong>");
    if (request.target.startsWith("/baidu/"))
        return Response::ok("<img src=\"http://img.test.invalid/images/brs/3.gif\">预计百度来路:"
                            "<span class=\"red\">120</span> IP");
    return Response::ok("no figures here");
}

} // namespace

class TestFrmChaXun : public QObject {
    Q_OBJECT
private slots:
    void controlsAndPlacement()
    {
        ProgramFixture f;
        f.createDatabase();
        Window w(f);
        QVERIFY(w.self->isHidden());
        QCOMPARE(w.self->windowTitle(), QStringLiteral("收录查询"));
        QCOMPARE(w.self->size(), QSize(488, 371));
        QVERIFY(w.domain()->isEditable());
        QCOMPARE(w.domain()->currentText(), f.settings.hosts.product);
        QCOMPARE(w.domain()->count(), 0);
        QCOMPARE(w.labelOf(w.domain()), QStringLiteral("http://"));
        QCOMPARE(w.query()->text(), QStringLiteral("查询"));
        QCOMPARE(w.get<QPushButton>("Button2")->text(), QStringLiteral("关闭"));

        const QStringList labels = {"百度：", "反链：", "360：", "反链：", "搜狗：", "反链：",
                                    "爱站百度权重:", "预计百度来路:", "词条:",
                                    "ChinaZ百度权重:", "预计百度来路:", "词条:"};
        for (int i = 0; i < 12; ++i) {
            QLineEdit *box = w.get(kBoxes[i]);
            QVERIFY2(box, kBoxes[i]);
            QCOMPARE(w.labelOf(box), labels.at(i));
            QVERIFY(box->text().isEmpty());
            auto *group = qobject_cast<QGroupBox *>(box->parentWidget());
            QVERIFY(group);
            QCOMPARE(group->title(), i < 6 ? QStringLiteral("搜索引擎收录") : QStringLiteral("权重"));
        }

        // Placed beside the main window at every showing; closing only hides.
        w.open();
        QVERIFY(w.self->isVisible());
        QCOMPARE(w.self->frameGeometry().topLeft(), w.main->frameGeometry().topLeft() + QPoint(450, 150));
        w.self->move(0, 0);
        w.get<QPushButton>("Button2")->click();
        QVERIFY(w.self->isHidden());
        w.main->move(70, 60);
        w.open();
        QCOMPARE(w.self->frameGeometry().topLeft(), w.main->frameGeometry().topLeft() + QPoint(450, 150));
        w.self->close();
        QVERIFY(w.self->isHidden());
        QVERIFY(w.main->findChild<QWidget *>("frmChaXun"));
    }

    void theListIsReadAtEveryShowing()
    {
        ProgramFixture f;
        f.createDatabase();
        TestHttpServer server;
        pointHostsAt(f, server);
        f.writeFile("site.txt", "\xEF\xBB\xBF" "a.com\r\n\xE4\xBD\xA0.cn\rc.net\n");
        Window w(f);
        w.open();
        QCOMPARE(w.entries(), QStringList({"a.com", "你.cn", "c.net"}));
        QCOMPARE(w.domain()->currentText(), f.settings.hosts.product);

        // Typing a domain and pressing Enter does not add it to the list.
        w.domain()->setEditText("typed.org");
        QTest::keyClick(w.domain()->lineEdit(), Qt::Key_Return);
        w.query()->click();
        QCOMPARE(w.entries().size(), 3);
        QCOMPARE(f.readFile("site.txt"), QByteArray("a.com\r\n\xC4\xE3.cn\r\nc.net\r\n"));

        w.domain()->addItem("extra");
        w.self->hide();
        w.open();
        QCOMPARE(w.entries(), QStringList({"a.com", "你.cn", "c.net"}));
        QCOMPARE(w.domain()->currentText(), QStringLiteral("typed.org"));

        // Minimising and restoring is no new showing: the list is not read again.
        w.domain()->addItem("extra");
        w.self->showMinimized();
        QApplication::processEvents();
        w.self->showNormal();
        QApplication::processEvents();
        QCOMPARE(w.entries().size(), 4);

        // Without the file the list stays as it is.
        QFile::remove(f.path("site.txt"));
        w.self->hide();
        w.open();
        QCOMPARE(w.entries().size(), 4);
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void aQueryFillsBoxesAndWritesTheList()
    {
        ProgramFixture f;
        f.createDatabase();
        Window *window = nullptr;
        QList<bool> enabledDuringRequests;
        TestHttpServer server([&](const auto &request) {
            enabledDuringRequests << window->query()->isEnabled();
            // A second press while the query waits starts nothing.
            window->query()->click();
            return servicePage(request);
        });
        pointHostsAt(f, server);
        Window w(f);
        window = &w;
        w.open();
        w.get("EditBaidu2")->setText("kept");
        w.domain()->setEditText("example.com");
        w.query()->click();

        QCOMPARE(server.requests().size(), 8);
        QCOMPARE(enabledDuringRequests, QList<bool>(8, false));
        QVERIFY(w.query()->isEnabled());
        QCOMPARE(w.get("EditBaidu")->text(), QStringLiteral("1,230"));
        QCOMPARE(w.get("EditBaidu2")->text(), QStringLiteral("kept"));
        QCOMPARE(w.get("EditBR")->text(), QStringLiteral("3"));
        QCOMPARE(w.get("EditFromBaiduIP")->text(), QStringLiteral("120 "));
        // No keyword marker: the page's start up to the first "</span>".
        QCOMPARE(w.get("EditAiZhanWord")->text(),
                 QStringLiteral("<img src=\"http://img.test.invalid/images/brs/3.gif\">预计百度来路:"
                                "<span class=\"red\">120"));
        QVERIFY(f.dialogs.boxes.isEmpty());
        // No site.txt before: an empty one now, and the list is still empty.
        QVERIFY(QFile::exists(f.path("site.txt")));
        QCOMPARE(f.readFile("site.txt"), QByteArray());
        QCOMPARE(w.domain()->count(), 0);
        QCOMPARE(w.domain()->currentText(), QStringLiteral("example.com"));
    }

    void anUnreachableServiceEndsTheQuery()
    {
        ProgramFixture f;
        f.createDatabase();
        TestHttpServer server([](const auto &request) { return servicePage(request); });
        pointHostsAt(f, server);
        QString closedPort;
        {
            TestHttpServer gone;
            closedPort = gone.base();
        }
        f.settings.hosts.baidu = closedPort;
        f.writeFile("site.txt", "keep\n");
        Window w(f);
        w.open();
        w.query()->click();

        QCOMPARE(f.dialogs.textsOf("error"), QStringList({"Connection refused."}));
        QCOMPARE(server.requests().size(), 0);
        for (const char *name : kBoxes)
            QVERIFY(w.get(name)->text().isEmpty());
        QCOMPARE(f.readFile("site.txt"), QByteArray("keep\n"));
        QVERIFY(w.query()->isEnabled());

        // Once the service answers again the next query runs through.
        f.settings.hosts.baidu = server.base();
        w.query()->click();
        QCOMPARE(server.requests().size(), 8);
        QCOMPARE(w.get("EditBaidu")->text(), QStringLiteral("1,230"));
        QCOMPARE(f.readFile("site.txt"), QByteArray("keep\r\n"));
    }
};

QTEST_MAIN(TestFrmChaXun)
#include "tst_frmchaxun.moc"
