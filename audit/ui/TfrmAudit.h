#pragma once
#include "audit/AuditRun.h"
#include "common/AppContext.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;

// "收录诊断": runs the index audit over the site of the main window's site
// filter (all sites for 0) and shows its findings: per kind of problem the
// number of addresses, and below the addresses of the selected kind.
class TfrmAudit : public QWidget {
    Q_OBJECT
public:
    // run: the main window's status log, message panel, site filter and
    // pending close; the pause caption is this window's own.
    TfrmAudit(AppContext context, QWidget *mainWindow, RunWindow run);

    qint64 site() const { return m_site; }
    AuditRun &run() { return *m_run; }

public slots:
    void FormShow();
    void btnStartClick();
    void btnPauseClick();
    void btnExportClick();
    void gridSummarySelectionChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    void showAddresses();
    // The tables follow a run at most once a second, and at its end.
    void followRun();

    AppContext m_context;
    QWidget *m_mainWindow;
    RunWindow m_runWindow;
    std::shared_ptr<AuditRun> m_run;
    qint64 m_site = 0;
    bool m_filling = false;
    QElapsedTimer m_lastRefresh;

    QLabel *lblSite;
    QPushButton *btnStart;
    QPushButton *btnPause;
    QPushButton *btnExport;
    QTableWidget *gridSummary;
    QTableWidget *gridAddresses;
};
