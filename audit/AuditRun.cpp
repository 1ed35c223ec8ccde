#include "audit/AuditRun.h"

#include "audit/AuditStore.h"
#include "audit/PageAudit.h"
#include "common/AppSettings.h"
#include "common/RunLock.h"
#include "common/mrv_fun.h"
#include "platform/Delay.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QScopedValueRollback>
#include <vector>

namespace {

struct Address {
    QString dataid;
    QString url;
    QString auditTime;
};

} // namespace

AuditRun::AuditRun(RunWindow window, const AppSettings &settings)
    : m_window(std::move(window)), m_settings(settings), m_wait([](qint32 msecs) { delay(msecs); })
{
}

AuditTotals AuditRun::start(qint64 site)
{
    if (m_walking)
        return {};
    m_paused = false;
    return walk(site, 0);
}

AuditTotals AuditRun::pauseOrResume()
{
    if (m_paused) {
        m_paused = false;
        if (m_window.setPauseCaption)
            m_window.setPauseCaption(QStringLiteral("暂停"));
        if (!m_walking)
            return walk(m_site, m_resumeIndex);
    } else if (m_walking) {
        // The walk notices it at its next address.
        m_paused = true;
        if (m_window.setPauseCaption)
            m_window.setPauseCaption(QStringLiteral("继续"));
    }
    return {};
}

AuditTotals AuditRun::walk(qint64 site, int from)
{
    // One audit per program directory, whichever process runs it.
    RunLock lock(RunLock::Kind::Audit, QDir::currentPath());
    if (!takeRunLock(lock, m_window))
        return {};
    m_site = site;
    m_resumeIndex = 0;
    if (m_window.showStatusLog)
        m_window.showStatusLog();
    if (m_window.setPauseCaption)
        m_window.setPauseCaption(QStringLiteral("暂停"));

    // One connection for the walk: the addresses are read in full first, so
    // no cursor stays open during the requests, and each audit is recorded
    // through it.
    TSQLiteDatabase db(QStringLiteral("database.db"));
    ExtendedTables::ensure(db);
    std::vector<Address> rows;
    {
        TSQLiteTable table = db.GetTable(
            QStringLiteral("select a.dataid,a.url,t.audittime from mrv_orvik_rssurl a"
                           " left join mrv_orvik_audit t on t.dataid=a.dataid")
            + (site != 0 ? QStringLiteral(" where a.rssid=") + QString::number(site) : QString())
            + QStringLiteral(" order by a.dataid desc"));
        rows.reserve(size_t(table.Count()));
        for (; !table.Eof(); table.Next())
            rows.push_back({table.FieldAsString(0), table.FieldAsString(1), table.FieldAsString(2)});
    }

    const QScopedValueRollback<bool> walking(m_walking, true);
    AuditTotals totals;
    totals.ran = true;
    PageAuditor auditor(m_settings.auditAgent);
    AuditStore::Recorder recorder(db);
    const int n = int(rows.size());
    bool waitFirst = false;
    for (int i = from; i < n; ++i) {
        if (m_window.closing && m_window.closing())
            break;
        if (m_paused) {
            m_resumeIndex = i;
            break;
        }
        const Address &row = rows[size_t(i)];
        if (m_window.rowStarted)
            m_window.rowStarted(i, n, row.url);
        if (WithinOneDay(row.auditTime, QDateTime::currentDateTime())) {
            m_window.appendStatusLog(row.url + QStringLiteral("----一天内诊断过，不重复诊断"));
        } else {
            // Intervals are read at every wait, so a change applies at once.
            if (waitFirst) {
                // A real wait writes what has gathered first (the window's
                // tables read it); without one the rows go in groups.
                if (m_settings.auditSleep > 0)
                    recorder.flush();
                m_wait(m_settings.auditSleep);
                dispatchPending();
                if (m_paused) {
                    m_resumeIndex = i;
                    break;
                }
                if (m_window.closing && m_window.closing())
                    break;
            }
            const AuditResult result = auditor.audit(row.url);
            recorder.add(row.dataid, result, NowTimestamp());
            m_window.appendStatusLog(row.url + QStringLiteral("----") + result.text());
            ++totals.audited;
            if (!result.ok())
                ++totals.withProblems;
            if (m_audited)
                m_audited(row.url, result);
            waitFirst = true;
        }
        m_window.setMessagePanel(QStringLiteral("诊断进度：") + QString::number(i + 1) + u'/' + QString::number(n));
    }
    recorder.flush();
    return totals;
}
