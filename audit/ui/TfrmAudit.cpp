#include "audit/ui/TfrmAudit.h"

#include "audit/AuditStore.h"
#include "common/HandlerGuard.h"
#include "common/mrv_fun.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowRole.h"
#include "report/LinkExport.h"
#include "report/ui/SaveFileDialog.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidget *table(QWidget *parent, const char *name, const QString &accessible, const QStringList &header)
{
    auto *grid = new QTableWidget(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setAccessibleName(accessible);
    grid->setColumnCount(int(header.size()));
    grid->setHorizontalHeaderLabels(header);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    return grid;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QString &accessible)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
}

QTableWidgetItem *cell(const QString &text, bool number = false)
{
    auto *item = new QTableWidgetItem(text);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TfrmAudit::TfrmAudit(AppContext context, QWidget *mainWindow, RunWindow run)
    : QWidget(mainWindow, Qt::Window), m_context(std::move(context)), m_mainWindow(mainWindow),
      m_runWindow(std::move(run))
{
    setObjectName(QStringLiteral("frmAudit"));
    setWindowTitle(QStringLiteral("收录诊断"));
    setAccessibleWindowRole(this, QAccessible::Window);
    // Room for both tables where the screen has it; never taller or wider than
    // the screen (1000 x 600 laptops).
    resize(QSize(900, 620).boundedTo(screen()->availableGeometry().size()));

    lblSite = new QLabel(this);
    lblSite->setObjectName(QStringLiteral("lblSite"));
    lblSite->setAccessibleDescription(QStringLiteral("诊断的站点"));
    btnStart = button(this, "btnStart", QStringLiteral("开始诊断"), QStringLiteral("开始诊断"));
    // Its caption is live ("暂停" / "继续"): screen readers hear the caption itself.
    btnPause = new QPushButton(QStringLiteral("暂停"), this);
    btnPause->setObjectName(QStringLiteral("btnPause"));
    btnPause->setAccessibleDescription(QStringLiteral("暂停或继续诊断"));
    btnExport = button(this, "btnExport", QStringLiteral("导出CSV..."), QStringLiteral("导出CSV"));
    gridSummary = table(this, "gridSummary", QStringLiteral("问题汇总"), {QStringLiteral("问题"), QStringLiteral("地址数")});
    gridSummary->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    gridAddresses = table(this, "gridAddresses", QStringLiteral("诊断地址"),
                          {QStringLiteral("编号"), QStringLiteral("地址"), QStringLiteral("状态码"),
                           QStringLiteral("最终地址"), QStringLiteral("问题"), QStringLiteral("诊断时间")});
    gridAddresses->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSite, 1);
    buttons->addWidget(btnStart);
    buttons->addWidget(btnPause);
    buttons->addWidget(btnExport);
    layout->addLayout(buttons);
    layout->addWidget(gridSummary, 1);
    layout->addWidget(gridAddresses, 2);

    // The walk reports to the main window; the pause caption is ours.
    // The run outlives a window taken away in a handler run during one of its
    // waits: its calls back reach the window only while it is there.
    RunWindow walk = m_runWindow;
    const QPointer<TfrmAudit> self(this);
    walk.setPauseCaption = [self](const QString &caption) {
        if (self)
            self->btnPause->setText(caption);
    };
    m_run = std::make_shared<AuditRun>(std::move(walk), *m_context.settings);
    m_run->setAudited([self](const QString &, const AuditResult &) {
        if (self)
            self->followRun();
    });

    connect(btnStart, &QPushButton::clicked, this, &TfrmAudit::btnStartClick);
    connect(btnPause, &QPushButton::clicked, this, &TfrmAudit::btnPauseClick);
    connect(btnExport, &QPushButton::clicked, this, &TfrmAudit::btnExportClick);
    connect(gridSummary, &QTableWidget::itemSelectionChanged, this, &TfrmAudit::gridSummarySelectionChanged);
}

void TfrmAudit::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmAudit::FormShow()
{
    m_context.guard->run([this] {
        placeBesideMainWindow(this, m_mainWindow);
        m_site = m_runWindow.siteFilter ? StrToInt(m_runWindow.siteFilter()) : 0;
        const QString name = LinkExport::siteName(m_site);
        lblSite->setText(m_site == 0 ? QStringLiteral("全部站点") : QStringLiteral("站点：") + name);
        refresh();
    });
}

void TfrmAudit::btnStartClick()
{
    m_context.guard->run([this] {
        // Held for the walk: the window may go away in a handler run meanwhile.
        const std::shared_ptr<AuditRun> run = m_run;
        const QPointer<TfrmAudit> self(this);
        if (run->walking())
            return;
        run->start(m_site);
        if (self)
            refresh();
    });
}

void TfrmAudit::btnPauseClick()
{
    m_context.guard->run([this] {
        const std::shared_ptr<AuditRun> run = m_run;
        const QPointer<TfrmAudit> self(this);
        const bool resumes = run->paused() && !run->walking();
        run->pauseOrResume();
        if (resumes && self)
            refresh();
    });
}

void TfrmAudit::followRun()
{
    if (m_lastRefresh.isValid() && m_lastRefresh.elapsed() < 1000)
        return;
    refresh();
}

void TfrmAudit::refresh()
{
    m_lastRefresh.start();
    const int row = gridSummary->currentRow();
    const QString kept = row >= 0 && gridSummary->item(row, 0) ? gridSummary->item(row, 0)->text() : QString();
    const QList<QPair<QString, int>> kinds = AuditStore::summary(m_site);
    m_filling = true;
    gridSummary->clearContents();
    gridSummary->setRowCount(int(kinds.size()));
    int select = 0;
    for (int r = 0; r < kinds.size(); ++r) {
        gridSummary->setItem(r, 0, cell(kinds[r].first));
        gridSummary->setItem(r, 1, cell(QString::number(kinds[r].second), true));
        if (kinds[r].first == kept)
            select = r;
    }
    if (!kinds.isEmpty())
        gridSummary->selectRow(select);
    m_filling = false;
    showAddresses();
}

void TfrmAudit::gridSummarySelectionChanged()
{
    if (m_filling)
        return;
    m_context.guard->run([this] { showAddresses(); });
}

void TfrmAudit::showAddresses()
{
    const int row = gridSummary->currentRow();
    gridAddresses->clearContents();
    gridAddresses->setRowCount(0);
    if (row < 0 || !gridSummary->item(row, 0))
        return;
    const QList<AuditStore::Row> rows = AuditStore::rowsOfKind(m_site, gridSummary->item(row, 0)->text());
    gridAddresses->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const AuditStore::Row &a = rows[r];
        gridAddresses->setItem(r, 0, cell(a.dataid, true));
        gridAddresses->setItem(r, 1, cell(a.url));
        gridAddresses->setItem(r, 2, cell(a.httpStatus, true));
        gridAddresses->setItem(r, 3, cell(a.finalUrl));
        gridAddresses->setItem(r, 4, cell(a.problems));
        gridAddresses->setItem(r, 5, cell(a.auditTime));
    }
}

void TfrmAudit::btnExportClick()
{
    m_context.guard->run([this] {
        const QString site = m_site == 0 ? QString() : LinkExport::siteName(m_site);
        const QString suggested = QDir::home().filePath(
            QStringLiteral("收录诊断-") + LinkExport::defaultFileName(site, QDate::currentDate()));
        const QString path = chooseSaveFile(m_context, this, QStringLiteral("导出CSV"), suggested,
                                            QStringLiteral("CSV 文件 (*.csv)"));
        if (path.isEmpty())
            return;
        const qint64 written = AuditStore::exportCsv(m_site, path);
        if (m_runWindow.setMessagePanel)
            m_runWindow.setMessagePanel(LinkExport::doneText(written));
    });
}
