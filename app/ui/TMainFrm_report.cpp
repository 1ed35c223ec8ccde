// The main window's search box, CSV export and statistics window.
#include "app/ui/TMainFrm.h"

#include "report/LinkExport.h"
#include "report/ui/SaveFileDialog.h"
#include "report/ui/TfrmStats.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

void TMainFrm::buildSearchControls(QWidget *parent, QBoxLayout *strip)
{
    EditSearch = new QLineEdit(parent);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    EditSearch->setAccessibleName(QStringLiteral("搜索"));
    EditSearch->setPlaceholderText(QStringLiteral("标题或地址"));
    EditSearch->setMinimumWidth(120);
    EditSearch->setMaximumWidth(160);
    btnSearch = new QPushButton(QStringLiteral("搜索"), parent);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setAccessibleName(QStringLiteral("开始搜索"));
    strip->addWidget(EditSearch);
    strip->addWidget(btnSearch);
    connect(btnSearch, &QPushButton::clicked, this, &TMainFrm::btnSearchClick);
    connect(EditSearch, &QLineEdit::returnPressed, this, &TMainFrm::btnSearchClick);
}

void TMainFrm::addReportMenuItems(QMenu *file, QMenu *tools)
{
    QAction *exportCsv = file->addAction(QStringLiteral("导出CSV..."));
    exportCsv->setObjectName(QStringLiteral("NExportCsv"));
    connect(exportCsv, &QAction::triggered, this, &TMainFrm::NExportCsvClick);
    QAction *stats = tools->addAction(QStringLiteral("收录统计"));
    stats->setObjectName(QStringLiteral("NStats"));
    connect(stats, &QAction::triggered, this, &TMainFrm::NStatsClick);
    QAction *audit = tools->addAction(QStringLiteral("收录诊断"));
    audit->setObjectName(QStringLiteral("NAudit"));
    connect(audit, &QAction::triggered, this, &TMainFrm::NAuditClick);
}

void TMainFrm::clearSearch()
{
    EditSearch->clear();
    m_search.clear();
}

void TMainFrm::btnSearchClick()
{
    guarded([this] {
        m_search = EditSearch->text();
        m_pager.CurrentPage = 1;
        showFirstPage();
    });
}

void TMainFrm::NExportCsvClick()
{
    guarded([this] {
        const qint64 n = siteFilter();
        const QString search = m_search;
        const QString suggested = QDir::home().filePath(
            LinkExport::defaultFileName(LinkExport::siteName(n), QDate::currentDate()));
        const QString path = chooseSaveFile(m_context, this, QStringLiteral("导出CSV"), suggested,
                                            QStringLiteral("CSV 文件 (*.csv)"));
        if (path.isEmpty())
            return;
        // Only painting runs meanwhile: no other action can start inside the export.
        const qint64 written = LinkExport::exportCsv(n, search, path, [this](qint64 done, qint64 total) {
            setMessagePanel(LinkExport::progressText(done, total));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
        setMessagePanel(LinkExport::doneText(written));
    });
}

void TMainFrm::NStatsClick()
{
    guarded([this] {
        if (!m_stats)
            m_stats = new TfrmStats(m_context, this);
        showWindow(m_stats);
    });
}
