#pragma once
#include "push/PushProtocol.h"
#include "push/PushSettings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct AppSettings;
struct WebAnswer;
class TSQLiteDatabase;
class WebClient;

// Where a push reports: the main window's status log and message panel, or a
// command line's output. Unset members are skipped.
struct PushLog {
    std::function<void()> showStatusLog;
    std::function<void(const QString &)> appendStatusLog;
    std::function<void(const QString &)> setMessagePanel;
    // Optional: a line saying a channel stopped for a reason the user must act
    // on (or that another push is going). It goes here instead of the status
    // log; the command line writes it on standard error and fails the step.
    std::function<void(const QString &)> reportProblem;
};

// What one push did, for callers without a window.
struct PushSummary {
    int requestsPlanned = 0;
    int requestsSent = 0;
    int accepted = 0; // addresses recorded "ok"
    int rejected = 0; // addresses recorded "not_same_site" or "not_valid"
    int channelsStopped = 0; // channels a site stopped early (quota, key, failure)
    int problems = 0;        // lines given to PushLog::reportProblem
    bool refused = false;    // another push held the program directory
};

// The batch push ("批量推送"): for the site filter's site, or every site for 0
// (in rssid order), and for each channel the site has switched on (Baidu,
// Baidu daily, IndexNow), sends the addresses that have no push row for that
// channel, newest first, in requests of at most 2,000 (Baidu) or 10,000
// (IndexNow), and records each answer's addresses in one transaction. A
// recorded address is never sent again on that channel.
//
// Runs on the calling thread; the requests and the waits between retries
// dispatch events, so a window stays usable. A push started while one is going
// does nothing; one started while another process pushes from the same program
// directory (the push lock file of RunLock) says so and does nothing. Errors
// of the store leave through the caller.
class BatchPush {
public:
    BatchPush(PushLog log, const AppSettings &settings);
    ~BatchPush();

    // siteFilter: the site number, 0 for all sites.
    PushSummary run(qint64 siteFilter);
    bool running() const { return m_running; }

    // The wait before a retry, delay() unless replaced (tests never wait).
    void setWait(std::function<void(int msecs)> wait) { m_wait = std::move(wait); }

    // Retry waits in seconds: a failed request is tried again after each.
    static constexpr int RetryWaits[] = {2, 4, 8};

private:
    struct Address {
        QString dataid;
        QString url;
    };
    // What is due is counted when the push starts and read again request by
    // request, so that memory holds one request's addresses whatever their number.
    struct ChannelPlan {
        PushChannel channel;
        qint64 due = 0;
        qint64 foreign = 0;     // IndexNow: another host than the key file's
        bool noKeyHost = false; // IndexNow: the key file address names no host
    };
    struct SitePlan {
        qint64 rssid = 0;
        QString name;
        PushSiteSettings settings;
        std::vector<ChannelPlan> channels;
        qint64 below = 0; // addresses from this number on came after the start: the next push sends them
    };
    enum class Outcome { GoOn, Stop };

    std::vector<SitePlan> plan(TSQLiteDatabase &db, qint64 siteFilter, bool &unknownSite);
    // The statement reading `columns` of the channel's next at most `limit` due addresses below `below`.
    static QString dueStatement(const SitePlan &site, PushChannel channel, qint64 below, int limit,
                                const QString &columns);
    // The next at most `limit` due addresses of the channel below `below`, newest first.
    std::vector<Address> dueAddresses(TSQLiteDatabase &db, const SitePlan &site, PushChannel channel, qint64 below,
                                      int limit);
    void recordForeign(TSQLiteDatabase &db, const SitePlan &site, const ChannelPlan &channel);
    void pushChannel(TSQLiteDatabase &db, WebClient &client, const SitePlan &site, const ChannelPlan &channel);
    Outcome sendBaidu(TSQLiteDatabase &db, WebClient &client, const SitePlan &site, bool daily,
                      const std::vector<Address> &batch);
    Outcome sendIndexNow(TSQLiteDatabase &db, WebClient &client, const SitePlan &site,
                         const std::vector<Address> &batch);
    // Posts with the retries; false (after the failure line) when every try failed.
    // jsonMessage: the failure text is the "message" of a JSON error body.
    bool postWithRetries(WebClient &client, const SitePlan &site, const QString &label, bool jsonMessage,
                         const QString &url, const QString &contentType, const QByteArray &body,
                         WebAnswer &answer);
    void record(TSQLiteDatabase &db, PushChannel channel, const std::vector<std::pair<QString, QString>> &rows);
    void append(const QString &line);
    void problem(const QString &line);
    void progress();

    PushLog m_log;
    const AppSettings &m_settings;
    std::function<void(int)> m_wait;
    bool m_running = false;
    PushSummary m_summary;
    qint64 m_dataVersion = 0; // the file's change count as this connection last saw it
};
