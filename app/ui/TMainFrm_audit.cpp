// The index audit window, opened from the tools menu.
#include "app/ui/TMainFrm.h"

#include "audit/ui/TfrmAudit.h"

#include <QLabel>

void TMainFrm::NAuditClick()
{
    guarded([this] {
        // Made once: its run, paused or going, outlives a hidden window.
        auto *window = findChild<TfrmAudit *>(QStringLiteral("frmAudit"), Qt::FindDirectChildrenOnly);
        if (!window) {
            RunWindow run;
            run.showStatusLog = [this] { showStatusLog(); };
            run.clearStatusLog = [this] { clearStatusLog(); };
            run.appendStatusLog = [this](const QString &line) { appendStatusLog(line); };
            run.setMessagePanel = [this](const QString &text) { setMessagePanel(text); };
            run.siteFilter = [this] { return lblRssid->text(); };
            run.closing = [this] { return m_closePending; };
            window = new TfrmAudit(m_context, this, std::move(run));
        }
        showWindow(window);
    });
}
