// The main window's controls: names, captions and sizes.
#include "common/AppSettings.h"
#include "app/ui/LinkListColumns.h"
#include "app/ui/LinkRowDelegate.h"
#include "app/ui/PanelStrip.h"
#include "app/ui/TMainFrm.h"
#include "platform/ui/WebBrowserView.h"
#include "platform/ui/WrapLayout.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

template <class W> W *named(W *widget, const char *objectName, const QString &accessible = {})
{
    widget->setObjectName(QLatin1String(objectName));
    if (!accessible.isEmpty())
        widget->setAccessibleName(accessible);
    return widget;
}

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    return named(new QPushButton(caption, parent), name, caption);
}

QToolButton *helpLink(const char *name, const QString &hint, QWidget *parent)
{
    auto *link = named(new QToolButton(parent), name, hint);
    link->setText(QStringLiteral("?"));
    link->setToolTip(hint);
    link->setAutoRaise(true);
    return link;
}

QLabel *label(const QString &text, QWidget *parent) { return new QLabel(text, parent); }

// Controls side by side that a wrapping strip keeps in one piece.
QWidget *group(QWidget *parent, std::initializer_list<QWidget *> controls)
{
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : controls)
        row->addWidget(w);
    return box;
}

// A control whose text is live (a count, a page, a progress): screen readers
// must hear the text itself, so it gets no accessible name of its own (a set
// name would replace the text); the description says what it shows.
template <class W> W *live(W *widget, const char *objectName, const QString &description)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleDescription(description);
    return widget;
}

} // namespace

void TMainFrm::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setAccessibleName(QStringLiteral("主菜单"));
    QMenu *file = bar->addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("获取地址"))->setObjectName(QStringLiteral("N1"));

    QMenu *tools = bar->addMenu(QStringLiteral("工具"));
    QAction *option = tools->addAction(QStringLiteral("选项"));
    option->setObjectName(QStringLiteral("NOption"));
    connect(option, &QAction::triggered, this, &TMainFrm::NOptionClick);

    // A command on the menu bar itself.
    QAction *query = bar->addAction(QStringLiteral("收录查询"));
    query->setObjectName(QStringLiteral("N6"));
    connect(query, &QAction::triggered, this, &TMainFrm::N6Click);

    QMenu *help = bar->addMenu(QStringLiteral("帮助"));
    QAction *update = help->addAction(QStringLiteral("检测更新..."));
    update->setObjectName(QStringLiteral("N4"));
    connect(update, &QAction::triggered, this, &TMainFrm::N4Click);
    QAction *about = help->addAction(QStringLiteral("关于Orvik站长工具..."));
    about->setObjectName(QStringLiteral("NOrvik1"));
    connect(about, &QAction::triggered, this, &TMainFrm::NOrvik1Click);
    addReportMenuItems(file, tools);

    PopupMenuTask = named(new QMenu(this), "PopupMenuTask");
    PopupMenuTask->setAccessibleName(QStringLiteral("站点菜单"));
    PopupMenuTask->addAction(QStringLiteral("删除节点"))->setObjectName(QStringLiteral("MenuItem6"));
    PopupMenuTask->addAction(QStringLiteral("清空该节点所有记录"))
        ->setObjectName(QStringLiteral("MenuItem7"));
    PopupMenuTask->addAction(QStringLiteral("推送设置..."))->setObjectName(QStringLiteral("MenuItem8"));
}

QWidget *TMainFrm::buildFeedTab()
{
    auto *tab = named(new QWidget, "PCGetUrl");
    tab->setAccessibleName(QStringLiteral("获取地址"));
    auto *tabLayout = new QHBoxLayout(tab);
    tabLayout->setContentsMargins(2, 2, 2, 2);
    tabLayout->setSpacing(2);

    PanelLeft = named(new QWidget(tab), "PanelLeft");
    PanelLeft->setAccessibleName(QStringLiteral("站点面板"));
    PanelLeft->setFixedWidth(150);
    auto *leftLayout = new QHBoxLayout(PanelLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    TreeView1 = named(new QTreeWidget(PanelLeft), "TreeView1", QStringLiteral("站点列表"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(false);
    // Its name says what a click does; the click handler changes it.
    PanelSwitch = named(new PanelStrip(QStringLiteral("<"), PanelLeft), "PanelSwitch",
                        QStringLiteral("收起站点列表"));
    PanelSwitch->setFixedWidth(8);
    PanelSwitch->setAlignment(Qt::AlignCenter);
    PanelSwitch->setAutoFillBackground(true);
    PanelSwitch->setMouseTracking(true);
    leftLayout->addWidget(TreeView1);
    leftLayout->addWidget(PanelSwitch);
    tabLayout->addWidget(PanelLeft);

    auto *right = new QWidget(tab);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);

    auto *top = new QHBoxLayout;
    cbxUrl = named(new QComboBox(right), "cbxUrl", QStringLiteral("Rss地址"));
    cbxUrl->setEditable(true);
    cbxUrl->lineEdit()->setAccessibleName(QStringLiteral("Rss地址"));
    cbxUrl->setEditText(sampleFeedAddress());
    // A long remembered address must not widen the window: the box asks for
    // its minimum and takes what the banner leaves.
    cbxUrl->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbxUrl->setMinimumWidth(260);
    btnHelpRss = helpLink("btnHelpRss", QStringLiteral("关于Rss.xml"), right);
    btnGetRss = button("btnGetRss", QStringLiteral("获取Rss"), right);
    WebBrowser1 = named(new WebBrowserView(right), "WebBrowser1", QStringLiteral("横幅"));
    // 332 wide when there is room; on a narrow window the banner gives up its
    // width before any control does.
    WebBrowser1->setFixedHeight(52);
    WebBrowser1->setMinimumWidth(1);
    WebBrowser1->setMaximumWidth(332);
    top->addWidget(cbxUrl, 1);
    top->addWidget(btnHelpRss);
    top->addWidget(btnGetRss);
    top->addWidget(WebBrowser1, 1000);
    rightLayout->addLayout(top);

    gbxRss = named(new QGroupBox(QStringLiteral("Rss地址列表--【双击编号即可Ping以及检测收录】"), right),
                   "gbxRss");
    auto *groupLayout = new QVBoxLayout(gbxRss);
    auto *line = new QHBoxLayout;
    line->addWidget(label(QStringLiteral("当前RssID："), gbxRss));
    lblRssid = live(new QLabel(QStringLiteral("0"), gbxRss), "lblRssid", QStringLiteral("当前RssID"));
    line->addWidget(lblRssid);
    ProgressBar1 = named(new QProgressBar(gbxRss), "ProgressBar1", QStringLiteral("下载进度"));
    ProgressBar1->setMaximumHeight(14);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    line->addWidget(ProgressBar1, 1);
    line->addStretch();
    groupLayout->addLayout(line);

    GlobalData = named(new QTreeWidget(gbxRss), "GlobalData", QStringLiteral("Rss地址列表"));
    GlobalData->setRootIsDecorated(false);
    GlobalData->setUniformRowHeights(true);
    GlobalData->setAllColumnsShowFocus(true);
    GlobalData->setItemDelegate(new LinkRowDelegate(GlobalData));
    setUpLinkListColumns(GlobalData, linkListColumns());
    groupLayout->addWidget(GlobalData, 1);
    rightLayout->addWidget(gbxRss, 1);

    btnPING = button("btnPING", QStringLiteral("批量Ping"), right);
    spbtnPing = helpLink("spbtnPing", QStringLiteral("关于百度ping服务"), right);
    btnCheckInBaidu = button("btnCheckInBaidu", QStringLiteral("批量检测收录"), right);
    spbtnInBaidu = helpLink("spbtnInBaidu", QStringLiteral("关于百度收录"), right);
    btnPush = button("btnPush", QStringLiteral("批量推送"), right);
    spbtnPush = helpLink("spbtnPush", QStringLiteral("关于主动推送"), right);
    getdata = button("getdata", QStringLiteral("加载所有记录"), right);
    lblTotalCount = live(new QLabel(right), "lblTotalCount", QStringLiteral("记录总数"));
    lblPageIndex = live(new QLabel(right), "lblPageIndex", QStringLiteral("页次"));
    btnFirst = button("btnFirst", QStringLiteral("首页"), right);
    btnPrev = button("btnPrev", QStringLiteral("上一页"), right);
    btnNext = button("btnNext", QStringLiteral("下一页"), right);
    btnEnd = button("btnEnd", QStringLiteral("尾页"), right);
    EditPageIndex = named(new QLineEdit(right), "EditPageIndex", QStringLiteral("页码"));
    EditPageIndex->setMaximumWidth(50);
    btnGo = button("btnGo", QStringLiteral("跳转"), right);
    // The strip under the list: on a narrow window its groups wrap into more
    // rows instead of squeezing the buttons; each group stays whole.
    auto *bottom = new WrapLayout;
    bottom->addWidget(group(right, {btnPING, spbtnPing, btnCheckInBaidu, spbtnInBaidu, btnPush, spbtnPush,
                                    getdata}));
    QWidget *search = group(right, {});
    buildSearchControls(search, static_cast<QBoxLayout *>(search->layout()));
    bottom->addWidget(search);
    bottom->addWidget(group(right, {label(QStringLiteral("共"), right), lblTotalCount,
                                    label(QStringLiteral("页次："), right), lblPageIndex, btnFirst, btnPrev,
                                    btnNext, btnEnd, EditPageIndex, btnGo}));
    rightLayout->addLayout(bottom);

    tabLayout->addWidget(right, 1);
    return tab;
}

QWidget *TMainFrm::buildStatusTab()
{
    auto *tab = named(new QWidget, "PCStatus");
    tab->setAccessibleName(QStringLiteral("运行状态"));
    auto *layout = new QVBoxLayout(tab);
    Memo1 = named(new QPlainTextEdit(tab), "Memo1", QStringLiteral("运行状态"));
    // Its caption tells which run it pauses or resumes ("暂停Ping0", "继续检测").
    btnPause = live(new QPushButton(QStringLiteral("暂停"), tab), "btnPause", QStringLiteral("暂停或继续批量运行"));
    layout->addWidget(Memo1, 1);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(btnPause);
    layout->addLayout(row);
    return tab;
}

void TMainFrm::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBarMain"));
    bar->setAccessibleName(QStringLiteral("状态栏"));
    bar->setSizeGripEnabled(false);
    m_messagePanel = live(new QLabel(bar), "StatusPanel0", QStringLiteral("状态"));
    // Messages quote addresses and names, which are never markup.
    m_messagePanel->setTextFormat(Qt::PlainText);
    m_messagePanel->setFixedWidth(400);
    auto *second = named(new QLabel(bar), "StatusPanel1");
    second->setFixedWidth(200);
    auto *third = named(new QLabel(QStringLiteral("Wexly 站长工具"), bar), "StatusPanel2");
    third->setFixedWidth(100);
    third->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bar->addWidget(m_messagePanel);
    bar->addWidget(second);
    bar->addWidget(third);
}
