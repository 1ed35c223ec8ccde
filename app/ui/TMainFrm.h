#pragma once
#include "common/AppContext.h"
#include "platform/WebClient.h"
#include "store/LinkList.h"

#include <QMainWindow>
#include <QPointer>

class QBoxLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class PanelStrip;
class TreeMenuFilter;
class WebBrowserView;
class TFrmHelp;
class TfrmOption;
class TfrmAbout;
class TfrmChaXun;
class BatchRuns;
class PingServices;
class BatchPush;
class TfrmStats;

// The main window. It lays out the controls, owns the state that the
// subsystems share (ProgramDir, IsOnline, HelpTopic), and wires every control
// to its handler; each handler runs inside the handler guard and hands the
// work to a plain class.
class TMainFrm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFrm(AppContext context, QWidget *parent = nullptr);
    ~TMainFrm() override;

    // The secondary windows, created by the program entry after this one.
    void setSecondaryWindows(TFrmHelp *help, TfrmOption *option, TfrmAbout *about,
                             TfrmChaXun *chaXun);

    const QString &programDir() const { return m_programDir; }
    bool isOnline() const { return m_isOnline; }
    int helpTopic() const { return m_helpTopic; }
    const AppContext &context() const { return m_context; }

    // The status log and the message panel.
    void appendStatusLog(const QString &line);
    void clearStatusLog();
    void showStatusLog();
    void setMessagePanel(const QString &text);
    QString messagePanel() const;

public slots:
    void FormShow();
    void PanelSwitchClick();
    void PanelSwitchMouseMove();
    void PanelSwitchMouseLeave();
    void btnHelpRssClick();
    void spbtnPingClick();
    void spbtnInBaiduClick();
    void NOptionClick();
    void N6Click();
    void NOrvik1Click();
    void N4Click();
    void GetSiteList();
    void CheckUpdate();
    void WebBrowser1DocumentComplete();

    // Address list and site tree (TMainFrm_list.cpp).
    void getdataClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnGoClick();
    void btnEndClick();
    void TreeView1Change();
    void TreeView1DblClick();
    void MenuItem6Click();
    void MenuItem7Click();
    // Adds the sites that the store has and the tree lacks, after the others.
    void addNewSites();

    // Feed download and import (TMainFrm_feed.cpp).
    void btnGetRssClick();

    // Ping, index check, batch runs, single row (TMainFrm_ping.cpp).
    void btnPINGClick();
    void btnCheckInBaiduClick();
    void btnPauseClick();
    void GlobalDataDblClick();

    // Address push and its settings window (TMainFrm_push.cpp).
    void btnPushClick();
    void spbtnPushClick();
    void MenuItem8Click();
    // Search, CSV export and statistics (TMainFrm_report.cpp).
    void btnSearchClick();
    void NExportCsvClick();
    void NStatsClick();
    void NAuditClick(); // the index audit window (TMainFrm_audit.cpp)

public:
    // The shared web client of the ping, the index check and the update check.
    SharedWebClient IdHTTP2;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenu();
    QWidget *buildFeedTab();
    QWidget *buildStatusTab();
    void buildStatusBar();
    void connectHandlers();
    // The sample address in the feed box, on the product site.
    QString sampleFeedAddress() const;
    void connectListHandlers();
    // The list fill and its callers' shared steps (TMainFrm_list.cpp).
    void BindList(const QString &Sqlstr, const QString &countsql, qint64 pindex);
    qint64 siteFilter() const;
    void showFirstPage();
    // Page CurrentPage of site n (0: all sites).
    void showCurrentPage(qint64 n);
    void connectFeedHandlers();
    void connectPingHandlers();
    void connectPushHandlers();
    // The "推送时间" cells of the rows the list shows.
    void showPushTimes();
    void buildSearchControls(QWidget *parent, QBoxLayout *strip);
    void addReportMenuItems(QMenu *file, QMenu *tools);
    // Empties the search box and ends the search.
    void clearSearch();
    void guarded(const std::function<void()> &handler);
    void showHelpTopic(int topic);
    void showWindow(QWidget *window);
    bool ApplicationEvents1Message(QObject *watched, QEvent *event);
    QTreeWidgetItem *AddNode(QTreeWidget *tree, QTreeWidgetItem *node, const QString &id,
                             const QString &name);

    AppContext m_context;
    QString m_programDir;
    bool m_isOnline = false;
    int m_helpTopic = 0;
    bool m_started = false;
    bool m_closePending = false;

    LinkPager m_pager;
    TreeMenuFilter *m_treeMenu = nullptr;

    QPointer<TFrmHelp> m_help;
    QPointer<TfrmOption> m_option;
    QPointer<TfrmAbout> m_about;
    QPointer<TfrmChaXun> m_chaXun;

    QTabWidget *PageControl1 = nullptr;
    QWidget *PCGetUrl = nullptr;
    QWidget *PCStatus = nullptr;
    QWidget *PanelLeft = nullptr;
    PanelStrip *PanelSwitch = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QComboBox *cbxUrl = nullptr;
    QToolButton *btnHelpRss = nullptr;
    QPushButton *btnGetRss = nullptr;
    WebBrowserView *WebBrowser1 = nullptr;
    QGroupBox *gbxRss = nullptr;
    QLabel *lblRssid = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QTreeWidget *GlobalData = nullptr;
    QPushButton *btnPING = nullptr;
    QToolButton *spbtnPing = nullptr;
    QPushButton *btnCheckInBaidu = nullptr;
    QToolButton *spbtnInBaidu = nullptr;
    QPushButton *getdata = nullptr;
    QLabel *lblTotalCount = nullptr;
    QLabel *lblPageIndex = nullptr;
    QPushButton *btnFirst = nullptr;
    QPushButton *btnPrev = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnEnd = nullptr;
    QLineEdit *EditPageIndex = nullptr;
    QPushButton *btnGo = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *btnPause = nullptr;
    QLabel *m_messagePanel = nullptr;
    QMenu *PopupMenuTask = nullptr;

    // Ping area (TMainFrm_ping.cpp): the requests through IdHTTP2 and the batch runs' state.
    std::shared_ptr<PingServices> m_pingServices;
    std::shared_ptr<BatchRuns> m_batchRuns;

    // Push area (TMainFrm_push.cpp).
    QPushButton *btnPush = nullptr;
    QToolButton *spbtnPush = nullptr;
    std::shared_ptr<BatchPush> m_batchPush;
    // Report area (TMainFrm_report.cpp): the search the list shows (empty: none).
    QString m_search;
    QLineEdit *EditSearch = nullptr;
    QPushButton *btnSearch = nullptr;
    QPointer<TfrmStats> m_stats;
};
