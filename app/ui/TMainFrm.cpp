#include "app/ui/TMainFrm.h"

#include "about/UpdateCheck.h"
#include "common/AppSettings.h"
#include "common/HandlerGuard.h"
#include "common/VersionText.h"
#include "app/ui/PanelStrip.h"
#include "app/ui/TFrmHelp.h"
#include "app/ui/TfrmOption.h"
#include "app/ui/WindowMemory.h"
#include "about/ui/TfrmAbout.h"
#include "platform/Codepage.h"
#include "platform/Errors.h"
#include "platform/ui/WebBrowserView.h"
#include "push/PushSecrets.h"
#include "query/ui/TfrmChaXun.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TMainFrm::TMainFrm(AppContext context, QWidget *parent)
    : QMainWindow(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("Orvik--站长工具--Wexly"));
    buildMenu();
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setAccessibleName(QStringLiteral("页面"));
    PCGetUrl = buildFeedTab();
    PCStatus = buildStatusTab();
    PageControl1->addTab(PCGetUrl, QStringLiteral("获取地址"));
    PageControl1->addTab(PCStatus, QStringLiteral("运行状态"));
    setCentralWidget(PageControl1);
    buildStatusBar();
    connectHandlers();
    // Sees every event before it is delivered: the banner filter.
    qApp->installEventFilter(this);
    connect(m_context.guard, &HandlerGuard::idle, this, [this] {
        if (m_closePending)
            close();
    });
    new WindowMemory(this, GlobalData, m_context.windowStateFile);
}

TMainFrm::~TMainFrm()
{
    qApp->removeEventFilter(this);
}

void TMainFrm::setSecondaryWindows(TFrmHelp *help, TfrmOption *option, TfrmAbout *about,
                                   TfrmChaXun *chaXun)
{
    m_help = help;
    m_option = option;
    m_about = about;
    m_chaXun = chaXun;
}

void TMainFrm::connectHandlers()
{
    connect(PanelSwitch, &PanelStrip::clicked, this, &TMainFrm::PanelSwitchClick);
    connect(PanelSwitch, &PanelStrip::hovered, this, &TMainFrm::PanelSwitchMouseMove);
    connect(PanelSwitch, &PanelStrip::left, this, &TMainFrm::PanelSwitchMouseLeave);
    connect(btnHelpRss, &QToolButton::clicked, this, &TMainFrm::btnHelpRssClick);
    connect(spbtnPing, &QToolButton::clicked, this, &TMainFrm::spbtnPingClick);
    connect(spbtnInBaidu, &QToolButton::clicked, this, &TMainFrm::spbtnInBaiduClick);
    connect(WebBrowser1, &WebBrowserView::documentComplete, this, &TMainFrm::WebBrowser1DocumentComplete);
    connect(WebBrowser1, &WebBrowserView::linkClicked, this, [this](const QUrl &url) {
        guarded([&] { m_context.openInBrowser(url.toString()); });
    });
    connectListHandlers();
    connectFeedHandlers();
    connectPingHandlers();
    connectPushHandlers();
}

void TMainFrm::guarded(const std::function<void()> &handler)
{
    m_context.guard->run(handler);
}

QString TMainFrm::sampleFeedAddress() const
{
    return ServiceHosts::base(m_context.settings->hosts.product) + QStringLiteral("/rss.xml");
}

// --- status log and message panel ---------------------------------------------

void TMainFrm::appendStatusLog(const QString &line)
{
    Memo1->appendPlainText(line);
}

void TMainFrm::clearStatusLog()
{
    Memo1->clear();
}

void TMainFrm::showStatusLog()
{
    PageControl1->setCurrentWidget(PCStatus);
}

void TMainFrm::setMessagePanel(const QString &text)
{
    m_messagePanel->setText(text);
}

QString TMainFrm::messagePanel() const
{
    return m_messagePanel->text();
}

// --- start-up -----------------------------------------------------------------

void TMainFrm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    FormShow();
}

void TMainFrm::FormShow()
{
    // An error ends the sequence at its step; the window opens all the same.
    guarded([this] {
        m_programDir = m_context.locateProgramDir(m_context.executablePath);
        // database.db and every other file named without a folder live there.
        if (!QDir::setCurrent(m_programDir))
            throw AppError(QStringLiteral("无法进入文件夹 %1").arg(m_programDir));
        // The version comes from the executable itself, wherever ProgramDir is.
        setWindowTitle(windowTitle() + QStringLiteral("  版本：") + GetVersionString(m_context.executablePath));
        const QString sample = sampleFeedAddress();
        LoadConfig(*m_context.settings, m_programDir + QStringLiteral("config.ini"));
        // The sample names the product site as configured, unless already replaced.
        if (cbxUrl->currentText() == sample)
            cbxUrl->setEditText(sampleFeedAddress());
        QFile list(m_programDir + QStringLiteral("rssurl.txt"));
        if (list.exists() && list.open(QIODevice::ReadOnly)) {
            // The sample address in the edit field stays; only the list is replaced.
            const QString text = cbxUrl->currentText();
            cbxUrl->clear();
            cbxUrl->addItems(Codepage::splitLines(Codepage::decodeTextFile(list.readAll())));
            cbxUrl->setEditText(text);
        }
        // The run's first store access: the newer tables are tried here, once.
        {
            TSQLiteDatabase db(QStringLiteral("database.db"));
            ExtendedTables::ready(db);
        }
        if (const QString exposed = exposedStoreWarning(QStringLiteral("database.db")); !exposed.isEmpty())
            appendStatusLog(exposed);
        GetSiteList();
        // "加载所有记录" as if pressed, inside this sequence: a failing fill ends it.
        showFirstPage();
        m_isOnline = m_context.isOnline && m_context.isOnline();
        if (m_isOnline)
            WebBrowser1->navigate(ServiceHosts::base(m_context.settings->hosts.banner)
                                  + QStringLiteral("/gg.htm"));
        else
            WebBrowser1->setVisible(false);
    });
}

// --- banner ------------------------------------------------------------------------

void TMainFrm::WebBrowser1DocumentComplete()
{
    // On every completed document: no scroll bars, border or margin.
    guarded([this] {
        HtmlBody *body = WebBrowser1->body();
        if (!body)
            return;
        body->setAttribute(QStringLiteral("scroll"), QStringLiteral("no"));
        body->style().setProperty(QStringLiteral("border"), QStringLiteral("none"));
        body->style().setProperty(QStringLiteral("margin"), QStringLiteral("0px"));
    });
}

// --- banner filter ---------------------------------------------------------------

bool TMainFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (ApplicationEvents1Message(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool TMainFrm::ApplicationEvents1Message(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool rightButton = (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
                              || type == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
    if (!rightButton && type != QEvent::ContextMenu)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    return widget && WebBrowser1 && (widget == WebBrowser1 || WebBrowser1->isAncestorOf(widget));
}

// --- help links and menu commands ---------------------------------------------------

void TMainFrm::showHelpTopic(int topic)
{
    guarded([this, topic] {
        m_helpTopic = topic;
        showWindow(m_help);
    });
}

void TMainFrm::btnHelpRssClick() { showHelpTopic(1); }
void TMainFrm::spbtnPingClick() { showHelpTopic(2); }
void TMainFrm::spbtnInBaiduClick() { showHelpTopic(3); }

void TMainFrm::showWindow(QWidget *window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void TMainFrm::NOptionClick()
{
    guarded([this] { showWindow(m_option); });
}

void TMainFrm::N6Click()
{
    guarded([this] { showWindow(m_chaXun); });
}

void TMainFrm::NOrvik1Click()
{
    guarded([this] { showWindow(m_about); });
}

void TMainFrm::N4Click()
{
    guarded([this] { CheckUpdate(); });
}

void TMainFrm::CheckUpdate()
{
    UpdateCheckPorts ports;
    ports.dialogs = m_context.dialogs;
    ports.testOnline = [this] {
        m_isOnline = m_context.isOnline && m_context.isOnline();
        return m_isOnline;
    };
    ports.currentVersion = [this] {
        return GetVersionString(m_context.executablePath);
    };
    // The shared client as it is now, with whatever settings pings left on it.
    ports.get = [this](const QString &url) {
        const std::shared_ptr<WebClient> client = IdHTTP2.current();
        return client->get(url);
    };
    ports.openInBrowser = m_context.openInBrowser;
    ports.endProgram = [this] { close(); };
    runUpdateCheck(ports, m_context.settings->UpdateUrl,
                   ServiceHosts::base(m_context.settings->hosts.product) + QStringLiteral("/tool"));
}

// --- closing -----------------------------------------------------------------------

void TMainFrm::closeEvent(QCloseEvent *event)
{
    // A handler still waiting (a batch run, a download) finishes first; the
    // window closes when the outermost handler has returned.
    if (m_context.guard->depth() > 0) {
        m_closePending = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    qApp->quit();
}
