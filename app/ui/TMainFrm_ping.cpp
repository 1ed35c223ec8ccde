#include "app/ui/TMainFrm.h"

#include "ping/BatchRuns.h"
#include "ping/PingServices.h"
#include "ping/SingleRow.h"
#include "platform/Dialogs.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

// Wiring of the ping handlers; the logic lives outside the window.

namespace {

// Runs the handler for every left double click on the watched widget, on a row
// or beside the rows (so an empty list can say so), and lets the widget go on
// handling the click.
class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QObject *parent, std::function<void()> handler)
        : QObject(parent), m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_handler();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_handler;
};

} // namespace

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
    window.closing = [this] { return m_closePending; };
    m_batchRuns = std::make_shared<BatchRuns>(std::move(window), *m_pingServices, *m_context.settings);

    connect(btnPING, &QPushButton::clicked, this, &TMainFrm::btnPINGClick);
    connect(btnCheckInBaidu, &QPushButton::clicked, this, &TMainFrm::btnCheckInBaiduClick);
    connect(btnPause, &QPushButton::clicked, this, &TMainFrm::btnPauseClick);
    GlobalData->viewport()->installEventFilter(new DoubleClickFilter(GlobalData, [this] { GlobalDataDblClick(); }));
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
