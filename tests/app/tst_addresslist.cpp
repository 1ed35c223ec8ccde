// The paged address list and the site tree, driven through their controls.
#include "FileSizeLimit.h"
#include "ProgramFixture.h"
#include "app/ui/LinkRowDelegate.h"
#include "app/ui/TMainFrm.h"
#include "store/SQLiteDatabase.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Adds `count` addresses to site `rssid`; titles and addresses carry their order.
void addAddresses(ProgramFixture &f, int count, int rssid = 1, const QString &tag = "a")
{
    f.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                          "insert into mrv_orvik_rssurl(title,url,rssid) "
                          "select '%3'||i, 'http://%3/'||i, %2 from n")
               .arg(count)
               .arg(rssid)
               .arg(tag));
}

void addSite(ProgramFixture &f, const QString &name)
{
    f.exec(QStringLiteral("insert into mrv_orvik_rss(rssurl,sitename) values ('http://x/rss','%1')")
               .arg(name));
}

qint64 countRows(const QString &sql)
{
    TSQLiteDatabase db(QStringLiteral("database.db"));
    return db.GetTable(sql).FieldAsInteger(0);
}

struct ListWindow {
    explicit ListWindow(ProgramFixture &f) : w(f.createWindows())
    {
        // The size it opens at on a laptop (the offscreen screen is smaller).
        w->resize(1100, 680);
        w->show();
        list = w->findChild<QTreeWidget *>("GlobalData");
        tree = w->findChild<QTreeWidget *>("TreeView1");
        total = w->findChild<QLabel *>("lblTotalCount");
        position = w->findChild<QLabel *>("lblPageIndex");
        rssid = w->findChild<QLabel *>("lblRssid");
        pageBox = w->findChild<QLineEdit *>("EditPageIndex");
    }
    QPushButton *button(const char *name) const { return w->findChild<QPushButton *>(name); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Clicks even a disabled button, as the handler itself would run.
    void invoke(const char *slot) const { QMetaObject::invokeMethod(w, slot); }
    // First, previous, next, last: enabled or not.
    QList<bool> buttons() const
    {
        return {button("btnFirst")->isEnabled(), button("btnPrev")->isEnabled(),
                button("btnNext")->isEnabled(), button("btnEnd")->isEnabled()};
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(c);
        return out;
    }
    void goTo(const QString &page) const
    {
        pageBox->setText(page);
        click("btnGo");
    }
    void doubleClickSite(int index) const
    {
        tree->setCurrentItem(tree->topLevelItem(index));
        invoke("TreeView1DblClick");
    }
    void menu(const char *item) const
    {
        w->findChild<QMenu *>("PopupMenuTask")->findChild<QAction *>(item)->trigger();
    }

    TMainFrm *w;
    QTreeWidget *list, *tree;
    QLabel *total, *position, *rssid;
    QLineEdit *pageBox;
};

const QList<bool> allOn{true, true, true, true};
const QList<bool> allOff{false, false, false, false};

} // namespace

class TestAddressList : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreAndPagingPastTheEnd()
    {
        ProgramFixture f;
        f.createDatabase();
        ListWindow l(f);
        QCOMPARE(l.total->text(), QStringLiteral("0"));
        QCOMPARE(l.position->text(), QStringLiteral("1/0"));
        QCOMPARE(l.buttons(), QList<bool>({false, false, true, true}));
        l.click("btnNext");
        QCOMPARE(l.position->text(), QStringLiteral("2/0"));
        l.click("btnNext");
        QCOMPARE(l.position->text(), QStringLiteral("3/0"));
        QCOMPARE(l.pageBox->text(), QStringLiteral("3"));
        l.click("btnEnd");
        QCOMPARE(l.position->text(), QStringLiteral("0/0"));
        QCOMPARE(l.buttons(), QList<bool>({true, true, false, false}));
        QCOMPARE(l.list->topLevelItemCount(), 0);
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void aStoreThatCannotGrowStillLists()
    {
        ProgramFixture f;
        f.createDatabase();
        addSite(f, "甲");
        addAddresses(f, 30);
        // The newer tables cannot be made: the list and the tree work without a word.
        auto full = std::make_unique<FileSizeLimit>(1024);
        ListWindow l(f);
        l.click("btnNext");
        l.doubleClickSite(0);
        l.click("btnFirst");
        QCOMPARE(l.total->text(), QStringLiteral("30"));
        QCOMPARE(l.tree->topLevelItemCount(), 1);
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.boxes.value(0).text));
        // A feature that needs them reports the store's error, from the one attempt of this run.
        full.reset();
        l.w->findChild<QAction *>("NStats")->trigger();
        QCOMPARE(f.dialogs.textsOf("error").size(), 1);
        QCOMPARE(countRows("select count(*) from sqlite_master where name='mrv_orvik_push'"), 0);
    }

    void pageBoundaries_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QList<bool>>("buttons");
        QTest::addColumn<int>("shown");
        QTest::newRow("25 rows: one page") << 25 << "1/1" << allOff << 25;
        QTest::newRow("26 rows: two pages") << 26 << "1/2" << QList<bool>{false, false, true, true} << 25;
        QTest::newRow("one row") << 1 << "1/1" << allOff << 1;
    }
    void pageBoundaries()
    {
        QFETCH(int, rows);
        ProgramFixture f;
        f.createDatabase();
        addAddresses(f, rows);
        ListWindow l(f);
        QCOMPARE(l.total->text(), QString::number(rows));
        QFETCH(QString, position);
        QCOMPARE(l.position->text(), position);
        QFETCH(QList<bool>, buttons);
        QCOMPARE(l.buttons(), buttons);
        QFETCH(int, shown);
        QCOMPARE(l.list->topLevelItemCount(), shown);
        // Newest first.
        QCOMPARE(l.list->topLevelItem(0)->text(0), QString::number(rows));
    }

    void secondPageHoldsTheOldestAlone()
    {
        ProgramFixture f;
        f.createDatabase();
        addAddresses(f, 26);
        ListWindow l(f);
        l.click("btnNext");
        QCOMPARE(l.column(0), QStringList({"1"}));
        QCOMPARE(l.position->text(), QStringLiteral("2/2"));
        QCOMPARE(l.buttons(), QList<bool>({true, true, false, false}));
        l.click("btnPrev");
        QCOMPARE(l.list->topLevelItemCount(), 25);
        QCOMPARE(l.position->text(), QStringLiteral("1/2"));
    }

    void lastPageThenPrevious()
    {
        ProgramFixture f;
        f.createDatabase();
        addAddresses(f, 30);
        ListWindow l(f);
        l.click("btnEnd");
        QCOMPARE(l.column(0), QStringList({"5", "4", "3", "2", "1"}));
        QCOMPARE(l.position->text(), QStringLiteral("2/2"));
        l.click("btnPrev");
        QCOMPARE(l.list->topLevelItemCount(), 25);
        QCOMPARE(l.list->topLevelItem(0)->text(0), QStringLiteral("30"));
        QCOMPARE(l.list->topLevelItem(24)->text(0), QStringLiteral("6"));
        l.click("btnNext");
        QCOMPARE(l.column(0).size(), 5);
        l.click("btnFirst");
        QCOMPARE(l.position->text(), QStringLiteral("1/2"));
    }

    void rowCellsFollowTheColumns()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid,isinbaidu,checktime,firsttime,lasttime) "
               "values ('标题''引号','http://a/1',3,1,'2026-01-02 03:04:05','2026-01-01','2026-01-03')");
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid) values ('二','http://a/2',3)");
        ListWindow l(f);
        const QTreeWidgetItem *older = l.list->topLevelItem(1);
        QStringList cells;
        for (int c = 0; c < 8; ++c)
            cells << older->text(c);
        QCOMPARE(cells, QStringList({"1", "标题'引号", "http://a/1", "3", "√", "2026-01-02 03:04:05",
                                     "2026-01-01", "2026-01-03"}));
        QCOMPARE(l.list->topLevelItem(0)->text(4), QStringLiteral("×"));
        QCOMPARE(l.list->topLevelItem(0)->text(5), QString());
    }

    // Every timestamp shows whole, bold rows included; the title takes the
    // width the window gains, the other columns keep theirs.
    void timeColumnsFitAWholeTimestamp()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid,isinbaidu,checktime,firsttime,lasttime) "
               "values ('t','http://a/1',1,1,'2026-12-09 16:48:58','2026-12-08 08:08:08','2026-12-09 23:59:59')");
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid,checktime) values ('u','http://a/2',1,'2000-00-00 00:00:00')");
        ListWindow l(f);
        QAbstractItemDelegate *delegate = l.list->itemDelegate();
        QStyleOptionViewItem option;
        option.initFrom(l.list);
        option.widget = l.list;
        option.features |= QStyleOptionViewItem::HasDisplay;
        for (int column : {5, 6, 7}) {
            for (int row : {0, 1}) {
                const QModelIndex index = l.list->model()->index(row, column);
                if (index.data().toString().isEmpty())
                    continue;
                // What the delegate needs for this cell, in the row's own font.
                const int needed = delegate->sizeHint(option, index).width();
                QVERIFY2(needed <= l.list->columnWidth(column),
                         qPrintable(QStringLiteral("column %1 row %2: %3 > %4")
                                        .arg(column).arg(row).arg(needed).arg(l.list->columnWidth(column))));
            }
        }
        QHeaderView *header = l.list->header();
        for (int column = 0; column < 8; ++column)
            QCOMPARE(header->sectionResizeMode(column),
                     column == 1 ? QHeaderView::Stretch : QHeaderView::Interactive);

        QList<int> before;
        for (int column = 0; column < 8; ++column)
            before << l.list->columnWidth(column);
        QCOMPARE(before.mid(2, 3), (QList<int>{260, 50, 40}));
        l.w->resize(l.w->width() + 300, l.w->height());
        QTRY_VERIFY(l.list->columnWidth(1) > before[1]);
        for (int column : {0, 2, 3, 4, 5, 6, 7})
            QCOMPARE(l.list->columnWidth(column), before[column]);

        // Dragging a header edge widens a time column.
        header->resizeSection(7, before[7] + 40);
        QCOMPARE(l.list->columnWidth(7), before[7] + 40);
    }

    void pageBox()
    {
        ProgramFixture f;
        f.createDatabase();
        addAddresses(f, 60);
        ListWindow l(f);
        l.goTo("9");
        QCOMPARE(l.position->text(), QStringLiteral("9/3"));
        QCOMPARE(l.list->topLevelItemCount(), 0);
        QCOMPARE(l.buttons(), allOn);
        l.goTo("2");
        QCOMPARE(l.list->topLevelItem(0)->text(0), QStringLiteral("35"));
        // Not a number: the conversion error, and the page stays.
        l.goTo("abc");
        QCOMPARE(f.dialogs.textsOf("error"), QStringList({"''abc'' is not a valid integer value."}));
        l.click("btnNext");
        QCOMPARE(l.position->text(), QStringLiteral("3/3"));
        // Zero and negative numbers mean the first page, under a label that says so.
        for (const char *low : {"0", "-4"}) {
            l.goTo(low);
            QCOMPARE(l.position->text(), QStringLiteral("1/3"));
            QCOMPARE(l.pageBox->text(), QStringLiteral("1"));
            QCOMPARE(l.list->topLevelItem(0)->text(0), QStringLiteral("60"));
        }
    }

    void failedFillEmptiesTheListAndKeepsTheSteppedPage()
    {
        ProgramFixture f;
        f.createDatabase();
        addAddresses(f, 60);
        ListWindow l(f);
        f.exec("alter table mrv_orvik_rssurl rename to hidden");
        l.click("btnNext");
        QCOMPARE(f.dialogs.textsOf("error").size(), 1);
        QCOMPARE(l.list->topLevelItemCount(), 0);
        QCOMPARE(l.position->text(), QStringLiteral("1/3")); // the count failed: labels stay
        f.exec("alter table hidden rename to mrv_orvik_rssurl");
        l.click("btnNext");
        QCOMPARE(l.position->text(), QStringLiteral("3/3"));
    }

    void siteFilterFromTheTree()
    {
        ProgramFixture f;
        f.createDatabase();
        addSite(f, "甲");
        addSite(f, "乙");
        addAddresses(f, 30, 1, "a");
        addAddresses(f, 3, 2, "b");
        ListWindow l(f);
        QCOMPARE(l.total->text(), QStringLiteral("33"));
        l.doubleClickSite(1);
        QCOMPARE(l.rssid->text(), QStringLiteral("2"));
        QCOMPARE(l.total->text(), QStringLiteral("3"));
        QCOMPARE(l.column(3), QStringList({"2", "2", "2"}));
        // "加载所有记录" keeps the filter.
        l.click("getdata");
        QCOMPARE(l.total->text(), QStringLiteral("3"));
        l.doubleClickSite(0);
        l.click("btnEnd");
        QCOMPARE(l.column(1), QStringList({"a5", "a4", "a3", "a2", "a1"}));
        QCOMPARE(l.column(3).size(), 5);
    }

    void deletingTheFilteredSite()
    {
        ProgramFixture f;
        f.createDatabase();
        addSite(f, "甲");
        addSite(f, "乙");
        addAddresses(f, 4, 1, "a");
        addAddresses(f, 3, 2, "b");
        ListWindow l(f);
        l.doubleClickSite(1);
        f.dialogs.answers = {false};
        l.menu("MenuItem6");
        QCOMPARE(l.tree->topLevelItemCount(), 2);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rssurl"), 7);
        QCOMPARE(l.list->topLevelItemCount(), 3);

        l.menu("MenuItem6");
        QCOMPARE(f.dialogs.boxes.last().caption, QStringLiteral("确认信息框"));
        QCOMPARE(f.dialogs.boxes.last().text, QStringLiteral("确定要删除节点【乙】并删除相关记录吗？"));
        QCOMPARE(l.tree->topLevelItemCount(), 1);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rssurl where rssid=2"), 0);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rss where rssid=2"), 0);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rssurl"), 4);
        // Emptied without a refill: the labels keep their values.
        QCOMPARE(l.list->topLevelItemCount(), 0);
        QCOMPARE(l.total->text(), QStringLiteral("3"));
        // The filter still names the deleted site.
        l.click("getdata");
        QCOMPARE(l.total->text(), QStringLiteral("0"));
        l.click("btnNext");
        QCOMPARE(l.list->topLevelItemCount(), 0);
    }

    void clearingASiteKeepsItsNode()
    {
        ProgramFixture f;
        f.createDatabase();
        addSite(f, "同名");
        addSite(f, "同名");
        addAddresses(f, 2, 1);
        addAddresses(f, 5, 2);
        ListWindow l(f);
        QCOMPARE(l.tree->topLevelItem(0)->text(0), l.tree->topLevelItem(1)->text(0));
        l.tree->setCurrentItem(l.tree->topLevelItem(1));
        f.dialogs.answers = {false, true};
        l.menu("MenuItem7");
        QCOMPARE(countRows("select count(*) from mrv_orvik_rssurl"), 7);
        QCOMPARE(l.list->topLevelItemCount(), 7);
        l.menu("MenuItem7");
        QCOMPARE(f.dialogs.boxes.last().text, QStringLiteral("确定要删除节点【同名】的记录吗？"));
        QCOMPARE(countRows("select count(*) from mrv_orvik_rssurl where rssid=2"), 0);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rssurl where rssid=1"), 2);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rss"), 2);
        QCOMPARE(l.tree->topLevelItemCount(), 2);
        QCOMPARE(l.list->topLevelItemCount(), 0);
    }

    void selectionShowsTheSiteAndRightClicksKeepIt()
    {
        ProgramFixture f;
        f.createDatabase();
        addSite(f, "甲");
        addSite(f, "乙");
        ListWindow l(f);
        QWidget *viewport = l.tree->viewport();
        const QPoint second = l.tree->visualItemRect(l.tree->topLevelItem(1)).center();
        // No menu before the first selection change.
        QContextMenuEvent early(QContextMenuEvent::Mouse, second, viewport->mapToGlobal(second));
        QApplication::sendEvent(viewport, &early);
        QVERIFY(!l.w->findChild<QMenu *>("PopupMenuTask")->isVisible());

        l.tree->setCurrentItem(l.tree->topLevelItem(0));
        QCOMPARE(l.w->messagePanel(), QStringLiteral("RssID:1"));
        QTest::mouseClick(viewport, Qt::RightButton, {}, second);
        QCOMPARE(l.tree->selectedItems().value(0), l.tree->topLevelItem(0));
        QContextMenuEvent menu(QContextMenuEvent::Mouse, second, viewport->mapToGlobal(second));
        QApplication::sendEvent(viewport, &menu);
        auto *popup = l.w->findChild<QMenu *>("PopupMenuTask");
        QVERIFY(popup->isVisible());
        popup->hide();
        // The menu deletes the selected site, not the one under the mouse.
        l.menu("MenuItem6");
        QCOMPARE(f.dialogs.boxes.last().text, QStringLiteral("确定要删除节点【甲】并删除相关记录吗？"));
        QCOMPARE(countRows("select count(*) from mrv_orvik_rss where rssid=1"), 0);
        QCOMPARE(countRows("select count(*) from mrv_orvik_rss where rssid=2"), 1);
        QCOMPARE(l.tree->topLevelItemCount(), 1);
    }

    void rowsAreDrawnByIndexAndMark()
    {
        ProgramFixture f;
        f.createDatabase();
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid,isinbaidu) values ('x','http://a/1',1,NULL)");
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid,isinbaidu) values ('y','http://a/2',1,1)");
        f.exec("insert into mrv_orvik_rssurl(title,url,rssid,isinbaidu) values ('z','http://a/3',1,0)");
        ListWindow l(f);
        auto *delegate = qobject_cast<LinkRowDelegate *>(l.list->itemDelegate());
        QVERIFY(delegate);
        QAbstractItemModel *model = l.list->model();
        const QModelIndex plain = model->index(0, 1);   // isinbaidu 0, even row
        const QModelIndex indexed = model->index(1, 2); // isinbaidu 1, odd row
        const QModelIndex nulled = model->index(2, 1);  // NULL, even row
        QCOMPARE(indexed.siblingAtColumn(4).data().toString(), QStringLiteral("√"));
        QCOMPARE(nulled.siblingAtColumn(4).data().toString(), QStringLiteral("×"));
        const QFont listFont = l.list->font();
        const QColor listText = l.list->palette().color(QPalette::Text);
        QVERIFY(LinkRowDelegate::cellFont(indexed, listFont).bold());
        QCOMPARE(LinkRowDelegate::cellTextColour(indexed, listText), QColor(0, 128, 0));
        QVERIFY(!LinkRowDelegate::cellFont(nulled, listFont).bold());
        QCOMPARE(LinkRowDelegate::cellTextColour(nulled, listText), listText);
        QCOMPARE(l.list->visualRect(plain).height(), 20);

        // Painted cells: the row colour fills the cell, the icon area included.
        for (const QModelIndex &index : {plain, indexed, nulled}) {
            QImage image(200, 20, QImage::Format_RGB32);
            image.fill(Qt::red);
            QPainter painter(&image);
            QStyleOptionViewItem option;
            option.initFrom(l.list);
            option.rect = QRect(0, 0, 200, 20);
            option.state &= ~QStyle::State_Selected;
            delegate->paint(&painter, option, index);
            painter.end();
            const QColor expected = index.row() % 2 == 0 ? QColor(239, 239, 239) : QColor(Qt::white);
            QCOMPARE(image.pixelColor(1, 1), expected);
            QCOMPARE(image.pixelColor(150, 10), expected);
        }
    }
};

QTEST_MAIN(TestAddressList)
#include "tst_addresslist.moc"
