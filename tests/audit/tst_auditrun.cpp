#include "audit/AuditRun.h"
#include "audit/AuditStore.h"
#include "store/SiteRemoval.h"
#include "support/AuditSites.h"
#include "support/ProgramFixture.h"
#include "support/StoreRows.h"
#include "support/TestHttpServer.h"

#include <QTest>

using Response = TestHttpServer::Response;

class TestAuditRun : public QObject {
    Q_OBJECT
private slots:
    void recordsSkipsPausesAndGoesWithTheSite();
};

void TestAuditRun::recordsSkipsPausesAndGoesWithTheSite()
{
    ProgramFixture f;
    TestHttpServer server(AuditSites::answer);
    AuditSites::fillStore(f, server);
    f.settings.auditSleep = 0;
    QStringList log;
    QString panel;
    RunWindow window;
    window.appendStatusLog = [&](const QString &line) { log << line; };
    window.setMessagePanel = [&](const QString &text) { panel = text; };
    AuditRun run(window, f.settings);
    // Paused during the first wait: the walk stops before the next address.
    int waits = 0;
    run.setWait([&](qint32) {
        if (++waits == 1)
            run.pauseOrResume();
    });
    AuditTotals totals = run.start(0);
    QCOMPARE(totals.audited, 1);
    QVERIFY(run.paused());
    totals = run.pauseOrResume();
    QCOMPARE(totals.audited, 2);
    QCOMPARE(totals.withProblems, 1);
    QCOMPARE(log, QStringList({server.url("/ok2") + "----正常", server.url("/gone") + "----页面返回404",
                               server.url("/ok1") + "----正常"}));
    QCOMPARE(panel, QStringLiteral("诊断进度：3/3"));
    const QStringList rows = storeRows(f.path("database.db"),
                                       "select dataid,httpstatus,finalurl,problems,ok from mrv_orvik_audit order by dataid");
    QCOMPARE(rows, QStringList({"1|200|" + server.url("/ok1") + "|正常|1", "2|404|" + server.url("/gone") + "|页面返回404|0",
                                "3|200|" + server.url("/ok2") + "|正常|1"}));

    // Within a day nothing is asked again, and nothing is waited for.
    const qsizetype requests = server.requests().size();
    log.clear();
    waits = 0;
    totals = run.start(1);
    QCOMPARE(totals.audited, 0);
    QCOMPARE(server.requests().size(), requests);
    QCOMPARE(waits, 0);
    QCOMPARE(log, QStringList({server.url("/gone") + "----一天内诊断过，不重复诊断",
                               server.url("/ok1") + "----一天内诊断过，不重复诊断"}));

    QCOMPARE(AuditStore::summary(0), (QList<QPair<QString, int>>{{"页面返回404", 1}, {"正常", 2}}));
    SiteRemoval::clearSite("1");
    QCOMPARE(storeRows(f.path("database.db"), "select dataid from mrv_orvik_audit"), QStringList{"3"});
    SiteRemoval::deleteSite("2");
    QVERIFY(storeRows(f.path("database.db"), "select dataid from mrv_orvik_audit").isEmpty());
}

QTEST_GUILESS_MAIN(TestAuditRun)
#include "tst_auditrun.moc"
