#include "report/ui/TfrmStats.h"

#include "common/HandlerGuard.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowRole.h"
#include "platform/ExportTarget.h"
#include "platform/SafeFile.h"
#include "report/ui/SaveFileDialog.h"

#include <QBarCategoryAxis>
#include <QBuffer>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

TfrmStats::TfrmStats(AppContext context, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window), m_context(std::move(context)), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmStats"));
    setWindowTitle(QStringLiteral("收录统计"));
    setAccessibleWindowRole(this, QAccessible::Window);
    resize(820, 640);

    gridStats = new QTableWidget(this);
    gridStats->setObjectName(QStringLiteral("gridStats"));
    gridStats->setAccessibleName(QStringLiteral("站点统计表"));
    gridStats->setColumnCount(int(IndexStats::header().size()));
    gridStats->setHorizontalHeaderLabels(IndexStats::header());
    gridStats->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridStats->setSelectionMode(QAbstractItemView::SingleSelection);
    gridStats->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridStats->verticalHeader()->hide();
    gridStats->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    auto *chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    ChartView = new QChartView(chart, this);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setAccessibleName(QStringLiteral("每周收录图"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumHeight(300);

    btnRefresh = new QPushButton(QStringLiteral("刷新"), this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->setAccessibleName(QStringLiteral("刷新"));
    btnSaveChart = new QPushButton(QStringLiteral("导出图片..."), this);
    btnSaveChart->setObjectName(QStringLiteral("btnSaveChart"));
    btnSaveChart->setAccessibleName(QStringLiteral("导出图片"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gridStats, 2);
    layout->addWidget(ChartView, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnRefresh);
    buttons->addWidget(btnSaveChart);
    layout->addLayout(buttons);

    connect(btnRefresh, &QPushButton::clicked, this, &TfrmStats::btnRefreshClick);
    connect(btnSaveChart, &QPushButton::clicked, this, &TfrmStats::btnSaveChartClick);
    connect(gridStats, &QTableWidget::itemSelectionChanged, this, &TfrmStats::gridStatsSelectionChanged);
}

void TfrmStats::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmStats::FormShow()
{
    placeBesideMainWindow(this, m_mainWindow);
    btnRefreshClick();
}

qint64 TfrmStats::selectedSite() const
{
    const int row = gridStats->currentRow();
    return row >= 0 && row < m_rowSites.size() ? m_rowSites.at(row) : 0;
}

void TfrmStats::btnRefreshClick()
{
    m_context.guard->run([this] {
        fillTable(IndexStats::compute());
        showChart();
    });
}

void TfrmStats::gridStatsSelectionChanged()
{
    if (m_filling)
        return;
    m_context.guard->run([this] { showChart(); });
}

void TfrmStats::fillTable(const IndexStats::Table &table)
{
    const qint64 keep = selectedSite();
    m_filling = true;
    const QList<QStringList> rows = IndexStats::tableRows(table);
    m_rowSites.clear();
    for (const IndexStats::Figures &f : table.sites)
        m_rowSites << f.rssid;
    m_rowSites << 0;
    gridStats->clearContents();
    gridStats->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[r][c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            gridStats->setItem(r, c, item);
        }
    }
    // The same site stays selected across a refresh; otherwise the total row.
    const qsizetype keptRow = m_rowSites.indexOf(keep);
    gridStats->selectRow(int(keptRow >= 0 ? keptRow : m_rowSites.size() - 1));
    m_filling = false;
}

void TfrmStats::showChart()
{
    const qint64 site = selectedSite();
    const IndexStats::WeekSeries series = IndexStats::weekly(site, QDate::currentDate());
    auto *announced = new QBarSet(QStringLiteral("首次公布（Ping或推送）"));
    auto *indexed = new QBarSet(QStringLiteral("首次收录"));
    QStringList weeks;
    int highest = 0;
    for (qsizetype w = 0; w < series.weekStarts.size(); ++w) {
        *announced << series.announced.at(w);
        *indexed << series.indexed.at(w);
        highest = std::max({highest, series.announced.at(w), series.indexed.at(w)});
        weeks << series.weekStarts.at(w).toString(QStringLiteral("MM-dd"));
    }
    auto *bars = new QBarSeries;
    bars->append(announced);
    bars->append(indexed);

    QChart *chart = ChartView->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    chart->addSeries(bars);
    auto *x = new QBarCategoryAxis;
    x->append(weeks);
    x->setLabelsAngle(-90);
    auto *y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%d"));
    y->setRange(0, std::max(highest, 1));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
    const int row = gridStats->currentRow();
    const QString name = site != 0 && row >= 0 && gridStats->item(row, 0)
        ? gridStats->item(row, 0)->text()
        : QStringLiteral("全部站点");
    chart->setTitle(name + QStringLiteral("：近%1周每周新公布与新收录的地址").arg(series.weekStarts.size()));
}

void TfrmStats::btnSaveChartClick()
{
    m_context.guard->run([this] {
        const QString suggested = QDir::home().filePath(
            QStringLiteral("收录统计-") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))
            + QStringLiteral(".png"));
        const QString path = chooseSaveFile(m_context, this, QStringLiteral("导出图片"), suggested,
                                            QStringLiteral("PNG 图片 (*.png)"));
        if (path.isEmpty())
            return;
        ExportTarget::refuseOwnFile(path, QDir::currentPath());
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ChartView->grab().save(&buffer, "PNG");
        SafeFile::Writer file(path, ExportTarget::failureMessage);
        file.write(png);
        file.commit();
    });
}
