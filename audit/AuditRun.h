#pragma once
#include "ping/BatchRuns.h"

#include <QString>
#include <functional>

struct AppSettings;
struct AuditResult;

// What one call of the audit did.
struct AuditTotals {
    int audited = 0;      // addresses audited (not skipped)
    int withProblems = 0; // of those, with at least one problem
    bool ran = false;     // false when another run held the lock
};

// The index audit ("收录诊断") over the stored addresses of a site (all sites
// for 0), newest first, as the batch runs walk theirs: one status-log line
// per address, the progress in the message panel, addresses audited within a
// day passed over, auditSleep waited between two audited addresses, the pause
// button noticed at the next address, and a pending close ending the walk.
// A start while the walk goes on does nothing.
class AuditRun {
public:
    AuditRun(RunWindow window, const AppSettings &settings);

    // "开始诊断": from the first address.
    AuditTotals start(qint64 site);
    // "暂停" / "继续": a paused walk goes on from the address it stopped at.
    AuditTotals pauseOrResume();

    bool walking() const { return m_walking; }
    bool paused() const { return m_paused; }
    // The site of the walk going on or paused.
    qint64 site() const { return m_site; }

    // Called after each audited address (the window refreshes its tables).
    void setAudited(std::function<void(const QString &url, const AuditResult &)> audited)
    {
        m_audited = std::move(audited);
    }
    // The wait between addresses, delay() unless replaced.
    void setWait(std::function<void(qint32 msecs)> wait) { m_wait = std::move(wait); }

private:
    AuditTotals walk(qint64 site, int from);

    RunWindow m_window;
    const AppSettings &m_settings;
    std::function<void(qint32)> m_wait;
    std::function<void(const QString &, const AuditResult &)> m_audited;
    bool m_walking = false;
    bool m_paused = false;
    qint64 m_site = 0;
    int m_resumeIndex = 0;
};
