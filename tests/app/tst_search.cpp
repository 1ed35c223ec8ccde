// The list's search box, driven through the main window's controls.
#include "ProgramFixture.h"
#include "app/ui/TMainFrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

struct SearchWindow {
    explicit SearchWindow(ProgramFixture &f) : w(f.createWindows())
    {
        w->show();
        list = w->findChild<QTreeWidget *>("GlobalData");
        tree = w->findChild<QTreeWidget *>("TreeView1");
        total = w->findChild<QLabel *>("lblTotalCount");
        position = w->findChild<QLabel *>("lblPageIndex");
        box = w->findChild<QLineEdit *>("EditSearch");
    }
    void click(const char *name) const { QTest::mouseClick(w->findChild<QPushButton *>(name), Qt::LeftButton); }
    void search(const QString &text) const
    {
        box->setText(text);
        click("btnSearch");
    }
    QStringList titles() const
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(1);
        return out;
    }
    TMainFrm *w;
    QTreeWidget *list, *tree;
    QLabel *total, *position;
    QLineEdit *box;
};

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void pagesWithinTheSearchAndTheSiteFilter()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rss(rssurl,sitename) values ('http://a/rss','甲'),('http://b/rss','乙')");
        // 60 addresses of site 1, every other one titled "新闻"; 5 of site 2.
        f.exec("with recursive n(i) as (select 1 union all select i+1 from n where i<60) "
               "insert into mrv_orvik_rssurl(title,url,rssid) "
               "select case when i%2=0 then '新闻'||i else 'other'||i end, 'http://a/'||i, 1 from n");
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid) values ('新闻b1','http://b/1',2),"
               "('NEWS b2','http://b/2',2)");
        SearchWindow s(f);
        QCOMPARE(s.box->accessibleName(), QStringLiteral("搜索"));
        s.search("新闻");
        QCOMPARE(s.total->text(), QStringLiteral("31"));
        QCOMPARE(s.position->text(), QStringLiteral("1/2"));
        QCOMPARE(s.titles().first(), QStringLiteral("新闻b1"));
        s.click("btnNext");
        QCOMPARE(s.titles(), QStringList({"新闻12", "新闻10", "新闻8", "新闻6", "新闻4", "新闻2"}));
        s.click("btnEnd");
        QCOMPARE(s.position->text(), QStringLiteral("2/2"));
        s.click("btnFirst");
        QCOMPARE(s.titles().size(), 25);

        // Enter in the box searches too; Latin letters ignore case.
        s.box->setText("news");
        QTest::keyClick(s.box, Qt::Key_Return);
        QCOMPARE(s.titles(), QStringList({"NEWS b2"}));

        // Within the site filter: double-clicking a site ends the search.
        s.tree->setCurrentItem(s.tree->topLevelItem(0));
        QMetaObject::invokeMethod(s.w, "TreeView1DblClick");
        QCOMPARE(s.box->text(), QString());
        QCOMPARE(s.total->text(), QStringLiteral("60"));
        s.search("新闻");
        QCOMPARE(s.total->text(), QStringLiteral("30"));
        // Typing without pressing changes nothing; "加载所有记录" clears the box and the search.
        s.box->setText("other");
        s.click("btnNext");
        QCOMPARE(s.position->text(), QStringLiteral("2/2"));
        QCOMPARE(s.titles().size(), 5);
        s.click("getdata");
        QCOMPARE(s.box->text(), QString());
        QCOMPARE(s.total->text(), QStringLiteral("60"));
        // An empty box means no search.
        s.search("");
        QCOMPARE(s.total->text(), QStringLiteral("60"));
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void quotesPercentAndUnderscoreMatchThemselves()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid) values ('it''s 100%','http://a/1',1),"
               "('its 1000','http://a/2',1),('a_b','http://a/3',1),('axb','http://a/4',1),"
               "('say \"hi\"','http://a/5',1)");
        SearchWindow s(f);
        s.search("'s 100%");
        QCOMPARE(s.titles(), QStringList({"it's 100%"}));
        s.search("a_b");
        QCOMPARE(s.titles(), QStringList({"a_b"}));
        s.search("\"hi\"");
        QCOMPARE(s.titles(), QStringList({"say \"hi\""}));
        s.search("%");
        QCOMPARE(s.titles(), QStringList({"it's 100%"}));
        QVERIFY(f.dialogs.boxes.isEmpty());
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
