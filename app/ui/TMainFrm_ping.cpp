#include "app/ui/TMainFrm.h"

#include "ping/BatchRuns.h"
#include "ping/PingServices.h"
#include "ping/SingleRow.h"
#include "platform/Dialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

// Wiring of the ping handlers; the logic lives outside the window.

void TMainFrm::connectPingHandlers()
{
    m_pingServices = std::make_shared<PingServices>(IdHTTP2, *m_context.settings);
    RunWindow window;
    window.showStatusLog = [this] { showStatusLog(); };
    window.clearStatusLog = [this] { clearStatusLog(); };
    window.appendStatusLog = [this](const QString &line) { appendStatusLog(line); };
    window.setMessagePanel = [this](const QString &text) { setMessagePanel(text); };
    window.setPauseCaption = [this](const QString &text) { btnPause->setText(text); };
    window.siteFilter = [this] { return lblRssid->text(); };
    m_batchRuns = std::make_shared<BatchRuns>(std::move(window), *m_pingServices, *m_context.settings);

    connect(btnPING, &QPushButton::clicked, this, &TMainFrm::btnPINGClick);
    connect(btnCheckInBaidu, &QPushButton::clicked, this, &TMainFrm::btnCheckInBaiduClick);
    connect(btnPause, &QPushButton::clicked, this, &TMainFrm::btnPauseClick);
    connect(GlobalData, &QTreeWidget::itemDoubleClicked, this, [this] { GlobalDataDblClick(); });
}

void TMainFrm::btnPINGClick()
{
    guarded([this] { m_batchRuns->startPing(); });
}

void TMainFrm::btnCheckInBaiduClick()
{
    guarded([this] { m_batchRuns->startCheck(); });
}

void TMainFrm::btnPauseClick()
{
    guarded([this] { m_batchRuns->pauseOrResume(); });
}

void TMainFrm::GlobalDataDblClick()
{
    guarded([this] {
        if (GlobalData->topLevelItemCount() == 0) {
            m_context.dialogs->showMessage(QStringLiteral("没有记录，请先查询"));
            return;
        }
        const QTreeWidgetItem *selected = nullptr;
        for (int i = 0; i < GlobalData->topLevelItemCount(); ++i) {
            if (GlobalData->topLevelItem(i)->isSelected())
                selected = GlobalData->topLevelItem(i);
        }
        if (!selected) {
            m_context.dialogs->showMessage(QStringLiteral("没有选中记录"));
            return;
        }
        // The texts as the list shows them; the list may be refilled during the requests.
        const ListRowTexts row{selected->text(0), selected->text(2), selected->text(3), selected->text(5),
                               selected->text(7)};
        PingAndCheckRow(row, *m_pingServices, *m_context.dialogs);
    });
}
