// The statistics figures and the weekly series of a small store worked out by
// hand, and the window that shows them.
#include "ProgramFixture.h"
#include "report/IndexStats.h"
#include "report/ui/TfrmStats.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QMainWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// Announced (earliest of first ping and first accepted push) → first seen indexed:
//   1: ping 11-01, later push          → 11-03  2 days
//   2: ping 11-10, push 11-05 12:00    → 11-06 06:00  0.75 days
//   3: push only 11-20                 → 11-30  10 days
//   4: ping 11-15 (refused push 11-01), checked, not indexed
//   5: nothing;  6: ping 11-02, seen 11-01 (before announcing: 0 days)
//  10: pinged long before the chart's weeks
// Site 2: 7 ping 11-03 → 11-08 (5 days); 8 nothing. Site 3: 9 ping 11-04, never checked.
void fillStore(ProgramFixture &f)
{
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'a','甲'),(2,'b','乙'),(3,'c','丙')");
    f.exec("insert into mrv_orvik_rssurl(dataid,url,rssid,isinbaidu,checktime,firsttime) values "
           "(1,'u1',1,1,'2026-11-29 00:00:00','2026-11-01 00:00:00'),"
           "(2,'u2',1,1,'2026-11-29 00:00:00','2026-11-10 00:00:00'),"
           "(3,'u3',1,1,'2026-11-29 00:00:00',NULL),"
           "(4,'u4',1,0,'2026-11-29 00:00:00','2026-11-15 00:00:00'),"
           "(5,'u5',1,NULL,NULL,NULL),"
           "(6,'u6',1,1,'2026-11-29 00:00:00','2026-11-02 00:00:00'),"
           "(7,'u7',2,1,'2026-11-29 00:00:00','2026-11-03 00:00:00'),"
           "(8,'u8',2,NULL,NULL,NULL),"
           "(9,'u9',3,NULL,NULL,'2026-11-04 00:00:00'),"
           "(10,'u10',1,NULL,NULL,'2025-01-01 00:00:00')");
    TSQLiteDatabase db(QStringLiteral("database.db"));
    ExtendedTables::ensure(db);
    db.ExecSQL(QStringLiteral("insert into mrv_orvik_push values (1,'indexnow','2026-11-02 00:00:00','ok'),"
                              "(2,'baidu','2026-11-05 12:00:00','ok'),(3,'baidu','2026-11-20 00:00:00','ok'),"
                              "(4,'baidu','2026-11-01 00:00:00','refused')"));
    db.ExecSQL(QStringLiteral("insert into mrv_orvik_indexed values (1,'2026-11-03 00:00:00'),"
                              "(2,'2026-11-06 06:00:00'),(3,'2026-11-30 00:00:00'),(6,'2026-11-01 00:00:00'),"
                              "(7,'2026-11-08 00:00:00')"));
}

QList<int> nonZeroWeeks(const QList<int> &counts)
{
    QList<int> out;
    for (int w = 0; w < counts.size(); ++w)
        for (int k = 0; k < counts[w]; ++k)
            out << w;
    return out;
}

} // namespace

class TestIndexStats : public QObject {
    Q_OBJECT
private slots:
    void figuresPerSiteAndTotal()
    {
        ProgramFixture f;
        fillStore(f);
        const QList<QStringList> rows = IndexStats::tableRows(IndexStats::compute());
        QCOMPARE(IndexStats::header(), QStringList({"站点", "地址数", "已Ping", "已推送", "已检测", "已收录",
                                                    "收录率", "平均收录天数"}));
        QCOMPARE(rows.size(), 4);
        // Median of 0, 0.75, 2, 10: 1.375.
        QCOMPARE(rows[0], QStringList({"甲", "7", "5", "3", "5", "4", "80.0%", "1.4"}));
        QCOMPARE(rows[1], QStringList({"乙", "2", "1", "0", "1", "1", "100.0%", "5.0"}));
        // Never checked: no rate and no median.
        QCOMPARE(rows[2], QStringList({"丙", "1", "1", "0", "0", "0", "-", "-"}));
        // Median of 0, 0.75, 2, 5, 10.
        QCOMPARE(rows[3], QStringList({"合计", "10", "7", "3", "6", "5", "83.3%", "2.0"}));
    }

    void emptyStore()
    {
        ProgramFixture f;
        f.createDatabase();
        const QList<QStringList> rows = IndexStats::tableRows(IndexStats::compute());
        QCOMPARE(rows, QList<QStringList>({{"合计", "0", "0", "0", "0", "0", "-", "-"}}));
    }

    void weeklySeries()
    {
        ProgramFixture f;
        fillStore(f);
        // 2026-11-30 is a Monday: the last week starts that day, the first 25 weeks earlier.
        const IndexStats::WeekSeries all = IndexStats::weekly(0, QDate(2026, 11, 30));
        QCOMPARE(all.weekStarts.size(), 26);
        QCOMPARE(all.weekStarts.first(), QDate(2026, 6, 8));
        QCOMPARE(all.weekStarts.last(), QDate(2026, 11, 30));
        QCOMPARE(nonZeroWeeks(all.announced), QList<int>({20, 21, 21, 21, 21, 22, 23}));
        QCOMPARE(nonZeroWeeks(all.indexed), QList<int>({20, 21, 21, 21, 25}));
        const IndexStats::WeekSeries second = IndexStats::weekly(2, QDate(2026, 12, 6));
        QCOMPARE(second.weekStarts.last(), QDate(2026, 11, 30));
        QCOMPARE(nonZeroWeeks(second.announced), QList<int>({21}));
        QCOMPARE(nonZeroWeeks(second.indexed), QList<int>({21}));
    }

    void window()
    {
        ProgramFixture f;
        fillStore(f);
        const QString png = f.path("chart.png");
        f.context.chooseSaveFile = [&](const QString &, const QString &, const QString &) { return png; };
        QMainWindow *main = f.createMainWindow();
        main->show();
        main->findChild<QAction *>("NStats")->trigger();
        auto *stats = main->findChild<TfrmStats *>();
        QVERIFY(stats && stats->isVisible());
        QCOMPARE(stats->windowTitle(), QStringLiteral("收录统计"));
        auto *grid = stats->findChild<QTableWidget *>("gridStats");
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(grid->item(3, 0)->text(), QStringLiteral("合计"));
        QCOMPARE(stats->selectedSite(), 0);

        auto sums = [&] {
            auto *bars = qobject_cast<QBarSeries *>(stats->findChild<QChartView *>("ChartView")->chart()->series().first());
            QList<double> out;
            for (QBarSet *set : bars->barSets())
                out << set->sum();
            return out;
        };
        QCOMPARE(sums(), QList<double>({7, 5}));
        grid->selectRow(1);
        QCOMPARE(stats->selectedSite(), 2);
        QCOMPARE(sums(), QList<double>({1, 1}));
        // A refresh keeps the selected site and shows new figures.
        f.exec("insert into mrv_orvik_rssurl(url,rssid) values ('u11',2)");
        QTest::mouseClick(stats->findChild<QPushButton *>("btnRefresh"), Qt::LeftButton);
        QCOMPARE(stats->selectedSite(), 2);
        QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("3"));

        QTest::mouseClick(stats->findChild<QPushButton *>("btnSaveChart"), Qt::LeftButton);
        QVERIFY(f.readFile("chart.png").startsWith("\x89PNG"));
        QVERIFY(f.dialogs.boxes.isEmpty());
    }
};

QTEST_MAIN(TestIndexStats)
#include "tst_indexstats.moc"
