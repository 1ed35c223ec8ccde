#include "ping/BatchRuns.h"

#include "common/AppSettings.h"
#include "common/RunLock.h"
#include "common/mrv_fun.h"
#include "ping/IndexCheck.h"
#include "ping/PingServices.h"
#include "platform/Delay.h"
#include "store/SQLiteDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QScopedValueRollback>
#include <algorithm>
#include <vector>

namespace {

const QString DatabaseFile = QStringLiteral("database.db");

struct PingRow {
    QString dataid;
    QString url;
    QString lasttime;
    PingValues site; // over all sites each row brings its own
};

struct CheckRow {
    QString dataid;
    QString url;
    QString checktime;
    QString isinbaidu;
};

QString pingCaption(qint32 resumeIndex)
{
    return QStringLiteral("暂停Ping") + QString::number(resumeIndex);
}

} // namespace

BatchRuns::BatchRuns(RunWindow window, PingServices &services, const AppSettings &settings)
    : m_window(std::move(window)), m_services(services), m_settings(settings),
      m_wait([](qint32 msecs) { delay(msecs); })
{
}

void BatchRuns::waitAfterRow(qint32 msecs)
{
    m_wait(msecs);
    dispatchPending();
}

void BatchRuns::progress(int index, int count)
{
    m_window.setMessagePanel(QStringLiteral("进度：") + QString::number(index + 1) + u'/'
                             + QString::number(count));
}

bool takeRunLock(RunLock &lock, const RunWindow &window)
{
    if (lock.tryLock())
        return true;
    const QString line = RunLock::busyText(lock.kind());
    if (window.showStatusLog)
        window.showStatusLog();
    window.setMessagePanel(line);
    if (window.reportProblem)
        window.reportProblem(line);
    else
        window.appendStatusLog(line);
    return false;
}

void BatchRuns::record(const QString &url, const std::function<void()> &write)
{
    try {
        write();
    } catch (const AppError &error) {
        // The service has the address; the run must not go on as if it had not.
        m_window.appendStatusLog(QStringLiteral("记录失败：") + url + QStringLiteral("：") + error.message());
        throw;
    }
}

void BatchRuns::startPing()
{
    // The walk in progress goes on; a second one would ping every address twice.
    if (m_pingWalking)
        return;
    RunLock lock(RunLock::Kind::Ping, QDir::currentPath());
    if (!takeRunLock(lock, m_window))
        return;
    m_window.showStatusLog();
    if (m_state.PingPaused == 1)
        m_window.clearStatusLog();
    m_state.RunKind = 0;
    m_window.setPauseCaption(pingCaption(m_state.PingResumeIndex));

    const qint32 site = StrToInt(m_window.siteFilter());
    const QString id = QString::number(site);
    // One connection for the run: the row set is read in full before the walk,
    // so no cursor stays open while it waits, and the walk records through it.
    TSQLiteDatabase db(DatabaseFile);
    std::vector<PingRow> rows;
    {
        PingValues siteValues;
        TSQLiteTable table;
        if (site != 0) {
            const TSQLiteTable lookup
                = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss where rssid='") + id + u'\'');
            if (lookup.Count() == 0) {
                m_window.appendStatusLog(QStringLiteral("rssid参数错误，进程中止"));
                return;
            }
            siteValues.siteName = lookup.AsString(QStringLiteral("sitename"));
            siteValues.siteUrl = lookup.AsString(QStringLiteral("siteurl"));
            siteValues.rssUrl = lookup.AsString(QStringLiteral("rssurl"));
            table = db.GetTable(QStringLiteral("Select dataid,url,lasttime from mrv_orvik_rssurl where rssid=")
                                + id + QStringLiteral(" order by dataid desc "));
        } else {
            table = db.GetTable(QStringLiteral(
                "select a.dataid,a.url,a.lasttime,b.rssid,b.rssurl,b.sitename,b.siteurl "
                "from mrv_orvik_rssurl a,mrv_orvik_rss b where a.rssid=b.rssid order by a.dataid desc"));
        }
        const int dataid = table.FieldIndex(QStringLiteral("dataid"));
        const int url = table.FieldIndex(QStringLiteral("url"));
        const int lasttime = table.FieldIndex(QStringLiteral("lasttime"));
        rows.reserve(size_t(table.Count()));
        for (; !table.Eof(); table.Next()) {
            PingRow row{table.FieldAsString(dataid), table.FieldAsString(url), table.FieldAsString(lasttime),
                        siteValues};
            if (site == 0) {
                row.site.siteName = table.AsString(QStringLiteral("sitename"));
                row.site.siteUrl = table.AsString(QStringLiteral("siteurl"));
                row.site.rssUrl = table.AsString(QStringLiteral("rssurl"));
            }
            rows.push_back(std::move(row));
        }
    }
    if (rows.empty())
        return;

    const QScopedValueRollback<bool> walking(m_pingWalking, true);
    const int n = int(rows.size());
    for (int i = 0; i < n; ++i) {
        if (m_state.PingPaused == 1) {
            m_state.PingResumeIndex = i;
            return;
        }
        if (i < m_state.PingResumeIndex)
            continue;
        const PingRow &row = rows[size_t(i)];
        if (m_window.rowStarted)
            m_window.rowStarted(i, n, row.url);
        if (WithinOneDay(row.lasttime, QDateTime::currentDateTime())) {
            m_window.appendStatusLog(site != 0 ? row.url + QStringLiteral("----一天内ping过了，不重复ping")
                                               : QString::number(i) + QStringLiteral("--")
                                                     + QString::number(m_state.PingResumeIndex)
                                                     + QStringLiteral("--一天内ping过了，不重复ping"));
        } else {
            PingValues values = row.site;
            values.url = row.url;
            if (m_services.sendPing(values)) {
                m_window.appendStatusLog(row.url + QStringLiteral("----PING成功"));
                record(row.url, [&] { RecordPing(db, RecordCaller::Batch, row.dataid, NowTimestamp()); });
            }
        }
        // Intervals are read at every wait, so a change in the options applies at once.
        if (site != 0) {
            progress(i, n);
            waitAfterRow(m_settings.PingSleep);
        } else {
            waitAfterRow(m_settings.PingSleep);
            progress(i, n);
        }
    }
    // Finished: the next start covers every row again.
    m_state.PingResumeIndex = 0;
}

void BatchRuns::startCheck()
{
    if (m_checkWalking)
        return;
    RunLock lock(RunLock::Kind::IndexCheck, QDir::currentPath());
    if (!takeRunLock(lock, m_window))
        return;
    m_window.showStatusLog();
    if (m_state.CheckPaused == 1)
        m_window.clearStatusLog();
    m_state.RunKind = 1;
    m_window.setPauseCaption(QStringLiteral("暂停检测"));
    // Only a run that was paused goes on with its count of verification pages.
    if (!m_keepVerificationCount)
        m_verificationPages = 0;
    m_keepVerificationCount = false;

    const qint32 site = StrToInt(m_window.siteFilter());
    TSQLiteDatabase db(DatabaseFile);
    std::vector<CheckRow> rows;
    {
        TSQLiteTable table = site != 0
            ? db.GetTable(QStringLiteral("Select dataid,url,checktime,isinbaidu from mrv_orvik_rssurl where rssid=")
                          + QString::number(site) + QStringLiteral(" order by dataid desc "))
            : db.GetTable(QStringLiteral(
                  "select dataid,url,checktime,isinbaidu from mrv_orvik_rssurl order by dataid desc"));
        rows.reserve(size_t(table.Count()));
        for (; !table.Eof(); table.Next())
            rows.push_back({table.FieldAsString(0), table.FieldAsString(1), table.FieldAsString(2),
                            table.FieldAsString(3)});
    }
    if (rows.empty())
        return;

    const QScopedValueRollback<bool> walking(m_checkWalking, true);
    const int n = int(rows.size());
    for (int i = 0; i < n; ++i) {
        if (m_state.CheckPaused == 1) {
            m_state.CheckResumeIndex = i;
            m_keepVerificationCount = true;
            return;
        }
        if (i < m_state.CheckResumeIndex)
            continue;
        const CheckRow &row = rows[size_t(i)];
        if (m_window.rowStarted)
            m_window.rowStarted(i, n, row.url);
        if (m_settings.skipIndexed && row.isinbaidu == QLatin1String("1")) {
            // No request, so nothing to pace: no wait either.
            m_window.appendStatusLog(row.url + QStringLiteral("----已收录，不再检测"));
            dispatchPending();
            progress(i, n);
            continue;
        }
        if (WithinOneDay(row.checktime, QDateTime::currentDateTime())) {
            m_window.appendStatusLog(row.url
                                     + (row.isinbaidu == QLatin1String("1")
                                            ? QStringLiteral("----一天内检测过【已收录】，不再重复检测")
                                            : QStringLiteral("----一天内检测过【未收录】，不再重复检测")));
        } else {
            bool indexed = false;
            for (;;) {
                QString page;
                try {
                    page = m_services.fetchSearchPage(row.url);
                } catch (const EConvertError &) {
                    // The row is still evaluated, against an empty page: not indexed.
                    m_window.appendStatusLog(row.url + QStringLiteral("出错"));
                }
                try {
                    indexed = PageShowsHost(page, row.url);
                    m_verificationPages = 0;
                    break;
                } catch (const VerificationPageError &) {
                    const BackoffEnd end = waitOutVerification(row.url);
                    if (end == BackoffEnd::Paused) {
                        // The resumed run asks for this address again at once.
                        m_state.CheckResumeIndex = i;
                        m_keepVerificationCount = true;
                        return;
                    }
                    if (end == BackoffEnd::Closing)
                        return;
                }
            }
            m_window.appendStatusLog(row.url
                                     + (indexed ? QStringLiteral("----恭喜，此地址被百度收录")
                                                : QStringLiteral("----未收录")));
            record(row.url, [&] { RecordCheck(db, RecordCaller::Batch, row.dataid, indexed, NowTimestamp()); });
        }
        waitAfterRow(m_settings.CheckInBaiduSleep);
        progress(i, n);
    }
    m_state.CheckResumeIndex = 0;
}

BatchRuns::BackoffEnd BatchRuns::waitOutVerification(const QString &url)
{
    ++m_verificationPages;
    if (!m_settings.checkBackoff || m_verificationPages >= VerificationPagesToGiveUp) {
        m_verificationPages = 0;
        throw VerificationPageError();
    }
    // The configured wait doubles with every page in a row. Read at every
    // page, like the intervals; less than a second would only spend searches.
    const qint64 longest = MaxBackoffSeconds;
    const qint64 first = std::clamp<qint64>(m_settings.checkBackoffSeconds, 1, longest);
    const qint32 seconds = qint32(std::min(first << (m_verificationPages - 1), longest));
    if (m_state.CheckPaused == 1)
        return BackoffEnd::Paused; // pressed during the request: no wait to announce
    m_window.appendStatusLog(url + QStringLiteral("----百度安全验证，") + QString::number(seconds)
                             + QStringLiteral("秒后重试"));
    for (qint32 left = seconds;; --left) {
        // The pause button and closing are noticed within a second.
        if (m_state.CheckPaused == 1)
            return BackoffEnd::Paused;
        if (m_window.closing && m_window.closing())
            return BackoffEnd::Closing;
        if (left == 0)
            return BackoffEnd::Retry;
        m_window.setMessagePanel(QStringLiteral("等待安全验证解除：") + QString::number(left)
                                 + QStringLiteral("秒"));
        m_wait(1000);
    }
}

void BatchRuns::pauseOrResume()
{
    if (m_state.RunKind == 1) {
        if (m_state.CheckPaused == 0) {
            // The running check notices the flag at the start of its next row.
            m_state.CheckPaused = 1;
            m_window.setPauseCaption(QStringLiteral("继续检测"));
        } else {
            m_state.CheckPaused = 0;
            m_window.setPauseCaption(QStringLiteral("暂停检测"));
            if (!m_checkWalking)
                startCheck();
        }
        return;
    }
    if (m_state.PingPaused == 0) {
        m_state.PingPaused = 1;
        m_window.setPauseCaption(QStringLiteral("继续Ping") + QString::number(m_state.PingResumeIndex));
    } else {
        m_state.PingPaused = 0;
        m_window.setPauseCaption(QStringLiteral("暂停Ping"));
        if (!m_pingWalking)
            startPing();
        else
            m_window.setPauseCaption(pingCaption(m_state.PingResumeIndex));
    }
}
