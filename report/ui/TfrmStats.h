#pragma once
#include "common/AppContext.h"
#include "report/IndexStats.h"

#include <QWidget>

class QChart;
class QChartView;
class QPushButton;
class QTableWidget;

// "收录统计": a row of figures per site and a total row, and below them a
// chart of the last weeks: addresses first announced and first seen indexed,
// for the selected site (or, on the total row, all sites).
class TfrmStats : public QWidget {
    Q_OBJECT
public:
    TfrmStats(AppContext context, QWidget *mainWindow);

    // The site the chart shows: 0 for all.
    qint64 selectedSite() const;

public slots:
    void FormShow();
    void btnRefreshClick();
    void btnSaveChartClick();
    void gridStatsSelectionChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillTable(const IndexStats::Table &table);
    void showChart();

    AppContext m_context;
    QWidget *m_mainWindow;
    QList<qint64> m_rowSites; // the site number of each table row, 0 for the total
    bool m_filling = false;

    QTableWidget *gridStats;
    QChartView *ChartView;
    QPushButton *btnRefresh;
    QPushButton *btnSaveChart;
};
