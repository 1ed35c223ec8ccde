#include "app/ui/TMainFrm.h"

#include "common/mrv_fun.h"
#include "push/BatchPush.h"
#include "push/PushHistory.h"
#include "push/ui/TfrmPushSite.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

// Wiring of the push handlers; the logic lives outside the window.

void TMainFrm::connectPushHandlers()
{
    PushLog log;
    log.showStatusLog = [this] { showStatusLog(); };
    log.appendStatusLog = [this](const QString &line) { appendStatusLog(line); };
    log.setMessagePanel = [this](const QString &text) { setMessagePanel(text); };
    m_batchPush = std::make_shared<BatchPush>(std::move(log), *m_context.settings);

    connect(btnPush, &QPushButton::clicked, this, &TMainFrm::btnPushClick);
    connect(spbtnPush, &QToolButton::clicked, this, &TMainFrm::spbtnPushClick);
    connect(PopupMenuTask->findChild<QAction *>(QStringLiteral("MenuItem8")), &QAction::triggered, this,
            &TMainFrm::MenuItem8Click);
}

void TMainFrm::btnPushClick()
{
    guarded([this] {
        // Held for the push: the window may be torn down in a handler run meanwhile.
        const std::shared_ptr<BatchPush> push = m_batchPush;
        if (push->running())
            return;
        push->run(StrToInt(lblRssid->text()));
    });
}

void TMainFrm::spbtnPushClick()
{
    showHelpTopic(4);
}

void TMainFrm::MenuItem8Click()
{
    guarded([this] {
        const QList<QTreeWidgetItem *> selected = TreeView1->selectedItems();
        if (selected.isEmpty())
            return;
        const qint64 rssid = StrToInt(selected.first()->data(0, Qt::UserRole).toString());
        TfrmPushSite window(*m_context.dialogs, *m_context.guard, rssid, this);
        window.exec();
    });
}

void TMainFrm::showPushTimes()
{
    QStringList ids;
    for (int i = 0; i < GlobalData->topLevelItemCount(); ++i)
        ids << GlobalData->topLevelItem(i)->text(0);
    const QHash<QString, QString> times = PushHistory::firstPushTimes(ids);
    for (int i = 0; i < GlobalData->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = GlobalData->topLevelItem(i);
        row->setText(8, times.value(row->text(0)));
    }
}
