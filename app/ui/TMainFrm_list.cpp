// The address list and the site tree of the main window.
#include "app/ui/TMainFrm.h"

#include "audit/ui/AuditMarks.h"
#include "common/mrv_fun.h"
#include "app/ui/TreeMenuFilter.h"
#include "platform/Dialogs.h"
#include "store/SQLiteDatabase.h"
#include "store/SiteRemoval.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

namespace {

// BindList's view of the list widget, its labels and its paging buttons.
class GlobalDataView : public LinkListView {
public:
    GlobalDataView(QTreeWidget *list, QLabel *total, QLabel *position, QLineEdit *pageBox,
                   std::initializer_list<QPushButton *> backward,
                   std::initializer_list<QPushButton *> forward)
        : m_list(list), m_total(total), m_position(position), m_pageBox(pageBox),
          m_backward(backward), m_forward(forward)
    {
    }

    void clearRows() override { m_list->clear(); }

    void addRow(const LinkRow &row) override
    {
        new QTreeWidgetItem(m_list, {row.dataid, row.title, row.url, row.rssid,
                                     row.inBaidu ? QStringLiteral("√") : QStringLiteral("×"),
                                     row.checktime, row.firsttime, row.lasttime});
    }

    void showPosition(qint64 totalCount, qint64 currentPage, qint64 pageCount) override
    {
        m_total->setText(QString::number(totalCount));
        m_position->setText(QStringLiteral("%1/%2").arg(currentPage).arg(pageCount));
        m_pageBox->setText(QString::number(currentPage));
        for (QPushButton *b : m_backward)
            b->setEnabled(currentPage != 1);
        for (QPushButton *b : m_forward)
            b->setEnabled(currentPage != pageCount);
    }

private:
    QTreeWidget *m_list;
    QLabel *m_total;
    QLabel *m_position;
    QLineEdit *m_pageBox;
    std::vector<QPushButton *> m_backward;
    std::vector<QPushButton *> m_forward;
};

// The menu and the double click act on the selected node, which a right click
// never changes.
QTreeWidgetItem *selectedNode(QTreeWidget *tree)
{
    const QList<QTreeWidgetItem *> selected = tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

// The selected node once the user has confirmed the question about it, or
// nullptr: no node selected, or anything but OK.
QTreeWidgetItem *confirmedNode(QTreeWidget *tree, Dialogs &dialogs, const QString &questionEnd)
{
    QTreeWidgetItem *node = selectedNode(tree);
    if (!node)
        return nullptr;
    const QString question = QStringLiteral("确定要删除节点【") + node->text(0) + questionEnd;
    return dialogs.confirm(QStringLiteral("确认信息框"), question) ? node : nullptr;
}

} // namespace

QTreeWidgetItem *TMainFrm::AddNode(QTreeWidget *tree, QTreeWidgetItem *node, const QString &id,
                                   const QString &name)
{
    auto *item = node ? new QTreeWidgetItem(node) : new QTreeWidgetItem(tree);
    item->setText(0, name);
    item->setData(0, Qt::UserRole, id);
    return item;
}

void TMainFrm::connectListHandlers()
{
    connect(getdata, &QPushButton::clicked, this, &TMainFrm::getdataClick);
    connect(btnFirst, &QPushButton::clicked, this, &TMainFrm::btnFirstClick);
    connect(btnPrev, &QPushButton::clicked, this, &TMainFrm::btnPrevClick);
    connect(btnNext, &QPushButton::clicked, this, &TMainFrm::btnNextClick);
    connect(btnGo, &QPushButton::clicked, this, &TMainFrm::btnGoClick);
    connect(btnEnd, &QPushButton::clicked, this, &TMainFrm::btnEndClick);
    connect(TreeView1, &QTreeWidget::itemSelectionChanged, this, &TMainFrm::TreeView1Change);
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, &TMainFrm::TreeView1DblClick);
    connect(PopupMenuTask->findChild<QAction *>(QStringLiteral("MenuItem6")), &QAction::triggered,
            this, &TMainFrm::MenuItem6Click);
    connect(PopupMenuTask->findChild<QAction *>(QStringLiteral("MenuItem7")), &QAction::triggered,
            this, &TMainFrm::MenuItem7Click);
    m_treeMenu = new TreeMenuFilter(TreeView1);
}

// --- the list --------------------------------------------------------------------

void TMainFrm::BindList(const QString &Sqlstr, const QString &countsql, qint64 pindex)
{
    GlobalDataView view(GlobalData, lblTotalCount, lblPageIndex, EditPageIndex,
                        {btnFirst, btnPrev}, {btnNext, btnEnd});
    m_pager.BindList(Sqlstr, countsql, pindex, view);
    showPushTimes();
    AuditMarks::mark(GlobalData);
}

qint64 TMainFrm::siteFilter() const
{
    return StrToInt(lblRssid->text());
}

void TMainFrm::showFirstPage()
{
    const qint64 n = siteFilter();
    BindList(LinkStatements::firstPage(n, LinkPager::PageSize, m_search),
             LinkStatements::count(n, true, m_search), 1);
}

void TMainFrm::showCurrentPage(qint64 n)
{
    BindList(LinkStatements::page(n, m_pager.CurrentPage, LinkPager::PageSize, m_search),
             LinkStatements::count(n, true, m_search), m_pager.CurrentPage);
}

void TMainFrm::getdataClick()
{
    guarded([this] {
        clearSearch();
        showFirstPage();
    });
}

void TMainFrm::btnFirstClick()
{
    guarded([this] {
        const qint64 n = siteFilter();
        m_pager.CurrentPage = 1;
        BindList(LinkStatements::page(n, 1, LinkPager::PageSize, m_search),
                 LinkStatements::count(n, true, m_search), 1);
    });
}

void TMainFrm::btnPrevClick()
{
    guarded([this] {
        const qint64 n = siteFilter();
        m_pager.CurrentPage -= 1;
        showCurrentPage(n);
    });
}

void TMainFrm::btnNextClick()
{
    guarded([this] {
        const qint64 n = siteFilter();
        m_pager.CurrentPage += 1;
        showCurrentPage(n);
    });
}

void TMainFrm::btnGoClick()
{
    guarded([this] {
        const qint64 n = siteFilter();
        // Page 0 or a negative page would list the newest rows under a label
        // naming another page; such numbers mean the first page.
        m_pager.CurrentPage = std::max<qint64>(1, StrToInt(EditPageIndex->text()));
        showCurrentPage(n);
    });
}

void TMainFrm::btnEndClick()
{
    guarded([this] {
        const qint64 n = siteFilter();
        m_pager.CurrentPage = -1;
        BindList(LinkStatements::lastPage(n, m_search), LinkStatements::count(n, true, m_search), -1);
    });
}

// --- the site tree -------------------------------------------------------------------

void TMainFrm::GetSiteList()
{
    TreeView1->clear();
    TreeView1->setUpdatesEnabled(false);
    struct ResumePainting {
        QWidget *w;
        ~ResumePainting() { w->setUpdatesEnabled(true); }
    } resume{TreeView1};
    TSQLiteDatabase db(QStringLiteral("database.db"));
    TSQLiteTable sites = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss"));
    const int rssid = sites.FieldIndex(QStringLiteral("rssid"));
    const int sitename = sites.FieldIndex(QStringLiteral("sitename"));
    for (int i = 0; i < sites.Count(); ++i, sites.Next())
        AddNode(TreeView1, nullptr, sites.FieldAsString(rssid), sites.FieldAsString(sitename));
}

void TMainFrm::addNewSites()
{
    guarded([this] {
        // A site an import added goes after the others, in the store's order,
        // as a fresh start would show it; the nodes there and the selection stay.
        QSet<QString> shown;
        for (int i = 0; i < TreeView1->topLevelItemCount(); ++i)
            shown.insert(TreeView1->topLevelItem(i)->data(0, Qt::UserRole).toString());
        TSQLiteDatabase db(QStringLiteral("database.db"));
        TSQLiteTable sites = db.GetTable(QStringLiteral("select rssid,sitename from mrv_orvik_rss order by rssid"));
        for (; !sites.Eof(); sites.Next()) {
            if (!shown.contains(sites.FieldAsString(0)))
                AddNode(TreeView1, nullptr, sites.FieldAsString(0), sites.FieldAsString(1));
        }
    });
}

void TMainFrm::TreeView1Change()
{
    guarded([this] {
        QTreeWidgetItem *node = selectedNode(TreeView1);
        if (!node)
            return;
        setMessagePanel(QStringLiteral("RssID:") + node->data(0, Qt::UserRole).toString());
        m_treeMenu->setMenu(PopupMenuTask);
    });
}

void TMainFrm::TreeView1DblClick()
{
    guarded([this] {
        QTreeWidgetItem *node = selectedNode(TreeView1);
        if (!node)
            return;
        lblRssid->setText(node->data(0, Qt::UserRole).toString());
        clearSearch();
        const qint64 n = siteFilter();
        BindList(LinkStatements::firstPage(n, LinkPager::PageSize),
                 LinkStatements::count(n, false), 1);
    });
}

void TMainFrm::MenuItem6Click()
{
    guarded([this] {
        QTreeWidgetItem *node = confirmedNode(TreeView1, *m_context.dialogs,
                                              QStringLiteral("】并删除相关记录吗？"));
        if (!node)
            return;
        const QString rssid = node->data(0, Qt::UserRole).toString();
        delete node;
        SiteRemoval::deleteSite(rssid);
        GlobalData->clear();
    });
}

void TMainFrm::MenuItem7Click()
{
    guarded([this] {
        QTreeWidgetItem *node = confirmedNode(TreeView1, *m_context.dialogs,
                                              QStringLiteral("】的记录吗？"));
        if (!node)
            return;
        SiteRemoval::clearSite(node->data(0, Qt::UserRole).toString());
        GlobalData->clear();
    });
}
