#include "push/BatchPush.h"

#include "common/AppSettings.h"
#include "common/RunLock.h"
#include "common/mrv_fun.h"
#include "platform/Delay.h"
#include "platform/WebClient.h"
#include "push/PushSecrets.h"
#include "store/SQLiteDatabase.h"
#include "store/Transaction.h"

#include <QDir>
#include <QScopedValueRollback>
#include <QSet>
#include <algorithm>

namespace {

const QString DatabaseFile = QStringLiteral("database.db");

QString bracket(const QString &siteName)
{
    return QStringLiteral("【") + siteName + QStringLiteral("】");
}

// How a channel names itself in the log.
QString channelLabel(PushChannel channel)
{
    switch (channel) {
    case PushChannel::Baidu: return QStringLiteral("百度推送");
    case PushChannel::BaiduDaily: return QStringLiteral("百度快速收录");
    case PushChannel::IndexNow: return QStringLiteral("IndexNow推送");
    }
    return {};
}

} // namespace

BatchPush::BatchPush(PushLog log, const AppSettings &settings)
    : m_log(std::move(log)), m_settings(settings), m_wait([](int msecs) { delay(msecs); })
{
}

BatchPush::~BatchPush() = default;

void BatchPush::append(const QString &line)
{
    if (m_log.appendStatusLog)
        m_log.appendStatusLog(line);
}

void BatchPush::problem(const QString &line)
{
    ++m_summary.problems;
    if (m_log.reportProblem)
        m_log.reportProblem(line);
    else
        append(line);
}

void BatchPush::progress()
{
    ++m_summary.requestsSent;
    if (m_log.setMessagePanel)
        m_log.setMessagePanel(QStringLiteral("推送进度：") + QString::number(m_summary.requestsSent) + u'/'
                              + QString::number(m_summary.requestsPlanned));
}

PushSummary BatchPush::run(qint64 siteFilter)
{
    // The push in progress goes on; a second one would send the same addresses again.
    if (m_running)
        return {};
    const QScopedValueRollback<bool> running(m_running, true);
    m_summary = PushSummary();
    if (m_log.showStatusLog)
        m_log.showStatusLog();
    // Two pushes at once would both plan, and send, the same due addresses.
    RunLock lock(RunLock::Kind::Push, QDir::currentPath());
    if (!lock.tryLock()) {
        m_summary.refused = true;
        const QString line = RunLock::busyText(RunLock::Kind::Push);
        if (m_log.setMessagePanel)
            m_log.setMessagePanel(line);
        problem(line);
        return m_summary;
    }

    // One connection for the push: each request's addresses are read whole
    // before it is sent, so no cursor stays open while a request waits, and
    // each answer is recorded through it in a transaction of its own.
    TSQLiteDatabase db(DatabaseFile);
    bool unknownSite = false;
    // Taken before the plan, whose reads let other handlers run in between.
    m_dataVersion = db.GetTable(QStringLiteral("PRAGMA data_version")).FieldAsInteger(0);
    const std::vector<SitePlan> sites = plan(db, siteFilter, unknownSite);
    if (unknownSite) {
        append(QStringLiteral("rssid参数错误，进程中止"));
        return m_summary;
    }

    // A fresh client per push: its content type and connections are its own.
    // Its posts go one after another on a low-delay connection: on the network
    // layer's own, each request's last piece waited about 40 ms for the peer.
    WebClient client;
    client.setLowDelayPosts(true);
    client.setAnswerDeadline(WebClient::ServiceAnswerDeadlineMs);
    for (const SitePlan &site : sites) {
        if (!site.settings.anyOn()) {
            append(bracket(site.name) + QStringLiteral("未设置推送，跳过"));
            continue;
        }
        const bool nothingDue = std::all_of(site.channels.begin(), site.channels.end(), [](const ChannelPlan &c) {
            return c.due == 0 && c.foreign == 0 && !c.noKeyHost;
        });
        if (nothingDue) {
            append(bracket(site.name) + QStringLiteral("没有需要推送的地址"));
            continue;
        }
        for (const ChannelPlan &channel : site.channels)
            pushChannel(db, client, site, channel);
    }
    if (m_log.setMessagePanel)
        m_log.setMessagePanel(QStringLiteral("推送完成"));
    return m_summary;
}

void BatchPush::pushChannel(TSQLiteDatabase &db, WebClient &client, const SitePlan &site,
                            const ChannelPlan &channel)
{
    if (channel.noKeyHost) {
        problem(bracket(site.name) + channelLabel(channel.channel) + QStringLiteral("失败：密钥文件地址无效"));
        ++m_summary.channelsStopped;
        return;
    }
    if (channel.foreign > 0)
        recordForeign(db, site, channel);
    const int limit = channelBatchLimit(channel.channel);
    const QString keyHost = IndexNowPush::hostOf(site.settings.indexNowKeyLocation);
    qint64 below = site.below;
    for (;;) {
        std::vector<Address> batch = dueAddresses(db, site, channel.channel, below, limit);
        if (batch.empty())
            return;
        below = batch.back().dataid.toLongLong();
        // A foreign address that could not be recorded stays out of the request.
        if (channel.channel == PushChannel::IndexNow) {
            std::erase_if(batch, [&keyHost](const Address &a) { return IndexNowPush::hostOf(a.url) != keyHost; });
            if (batch.empty())
                continue;
        }
        progress();
        const Outcome outcome = channel.channel == PushChannel::IndexNow
            ? sendIndexNow(db, client, site, batch)
            : sendBaidu(db, client, site, channel.channel == PushChannel::BaiduDaily, batch);
        if (outcome == Outcome::Stop) {
            ++m_summary.channelsStopped;
            return;
        }
    }
}

bool BatchPush::postWithRetries(WebClient &client, const SitePlan &site, const QString &label, bool jsonMessage,
                                const QString &url, const QString &contentType, const QByteArray &body,
                                WebAnswer &answer)
{
    const QStringList secrets{site.settings.baiduToken, site.settings.indexNowKey};
    constexpr int tries = int(std::size(RetryWaits)) + 1;
    for (int attempt = 0; attempt < tries; ++attempt) {
        QString failure;
        try {
            client.setContentType(contentType);
            answer = client.postForAnswer(url, body);
            if (answer.status < 500)
                return true;
            failure = answer.statusLine;
            // Baidu names the reason in its JSON body.
            if (jsonMessage) {
                const QString message = BaiduPush::interpret(answer, false, 0).error;
                if (!message.isEmpty())
                    failure = message;
            }
        } catch (const AppError &e) {
            failure = e.message();
        }
        failure = scrubSecrets(failure, secrets);
        if (attempt + 1 < tries) {
            const int seconds = RetryWaits[attempt];
            append(bracket(site.name) + label + QStringLiteral("失败，") + QString::number(seconds)
                   + QStringLiteral("秒后重试"));
            m_wait(seconds * 1000);
        } else {
            problem(bracket(site.name) + label + QStringLiteral("失败：") + failure);
        }
    }
    return false;
}

BatchPush::Outcome BatchPush::sendBaidu(TSQLiteDatabase &db, WebClient &client, const SitePlan &site, bool daily,
                                        const std::vector<Address> &batch)
{
    const PushChannel channel = daily ? PushChannel::BaiduDaily : PushChannel::Baidu;
    const QString label = channelLabel(channel);
    QStringList urls;
    for (const Address &address : batch)
        urls << address.url;
    const QString url = BaiduPush::requestUrl(ServiceHosts::base(m_settings.hosts.baiduzz), site.settings.baiduSite,
                                              site.settings.baiduToken, daily);
    WebAnswer web;
    if (!postWithRetries(client, site, label, true, url, QStringLiteral("text/plain"), BaiduPush::requestBody(urls), web))
        return Outcome::Stop;

    const BaiduPush::Answer answer = BaiduPush::interpret(web, daily, qint64(batch.size()));
    const QString name = bracket(site.name);
    const QString quotaLine = name + label + QStringLiteral("今日配额已用完，其余地址明天再推");
    switch (answer.kind) {
    case BaiduPush::Answer::Accepted:
        break;
    case BaiduPush::Answer::OverQuota:
        append(quotaLine);
        return Outcome::Stop;
    case BaiduPush::Answer::TokenInvalid:
        problem(name + QStringLiteral("百度密钥无效"));
        return Outcome::Stop;
    case BaiduPush::Answer::SiteNotVerified:
        problem(name + QStringLiteral("百度站点未验证"));
        return Outcome::Stop;
    case BaiduPush::Answer::Retry:
    case BaiduPush::Answer::Failed:
        problem(name + label + QStringLiteral("失败：")
               + scrubSecrets(answer.error, {site.settings.baiduToken, site.settings.indexNowKey}));
        return Outcome::Stop;
    }

    const QSet<QString> notSameSite(answer.notSameSite.begin(), answer.notSameSite.end());
    const QSet<QString> notValid(answer.notValid.begin(), answer.notValid.end());
    std::vector<std::pair<QString, QString>> rows;
    std::vector<const Address *> taken;
    for (const Address &address : batch) {
        if (notSameSite.contains(address.url))
            rows.emplace_back(address.dataid, QStringLiteral("not_same_site"));
        else if (notValid.contains(address.url))
            rows.emplace_back(address.dataid, QStringLiteral("not_valid"));
        else
            taken.push_back(&address);
    }
    m_summary.rejected += int(rows.size());
    // The service counts what it took but does not name it. When it took fewer
    // than it was sent (its quota ran out inside the request), it took them in
    // the order sent: the rest stay due rather than be recorded unsent.
    const size_t okCount
        = answer.successGiven ? std::min(taken.size(), size_t(std::max<qint64>(0, answer.success))) : taken.size();
    for (size_t i = 0; i < okCount; ++i)
        rows.emplace_back(taken[i]->dataid, QStringLiteral("ok"));
    m_summary.accepted += int(okCount);

    append(name + (daily ? QStringLiteral("百度快速收录：成功") : QStringLiteral("百度推送：成功"))
           + QString::number(answer.success) + QStringLiteral("条，今日剩余")
           + (answer.remain >= 0 ? QString::number(answer.remain) : QStringLiteral("?")) + QStringLiteral("条"));
    for (const QString &address : answer.notSameSite)
        append(address + QStringLiteral("----不是本站地址"));
    for (const QString &address : answer.notValid)
        append(address + QStringLiteral("----地址无效"));
    record(db, channel, rows);

    if (answer.remain == 0) {
        append(quotaLine);
        return Outcome::Stop;
    }
    return Outcome::GoOn;
}

BatchPush::Outcome BatchPush::sendIndexNow(TSQLiteDatabase &db, WebClient &client, const SitePlan &site,
                                           const std::vector<Address> &batch)
{
    const QString label = channelLabel(PushChannel::IndexNow);
    QStringList urls;
    for (const Address &address : batch)
        urls << address.url;
    const PushSiteSettings &s = site.settings;
    const QByteArray body = IndexNowPush::requestBody(IndexNowPush::hostOf(s.indexNowKeyLocation), s.indexNowKey,
                                                      s.indexNowKeyLocation, urls);
    WebAnswer web;
    if (!postWithRetries(client, site, label, false, IndexNowPush::requestUrl(ServiceHosts::base(m_settings.hosts.indexnow)),
                         QStringLiteral("application/json; charset=utf-8"), body, web))
        return Outcome::Stop;

    const QString name = bracket(site.name);
    switch (IndexNowPush::interpret(web.status)) {
    case IndexNowPush::Kind::Accepted:
        break;
    case IndexNowPush::Kind::KeyInvalid:
        problem(name + QStringLiteral("IndexNow密钥无效或密钥文件无法访问"));
        return Outcome::Stop;
    case IndexNowPush::Kind::Mismatch:
        problem(name + QStringLiteral("IndexNow拒绝：地址与站点或密钥不符"));
        return Outcome::Stop;
    case IndexNowPush::Kind::TooMany:
        append(name + QStringLiteral("IndexNow提交过于频繁，稍后再试"));
        return Outcome::Stop;
    case IndexNowPush::Kind::Retry:
    case IndexNowPush::Kind::Failed:
        problem(name + label + QStringLiteral("失败：") + scrubSecrets(web.statusLine, {s.baiduToken, s.indexNowKey}));
        return Outcome::Stop;
    }
    std::vector<std::pair<QString, QString>> rows;
    rows.reserve(batch.size());
    for (const Address &address : batch)
        rows.emplace_back(address.dataid, QStringLiteral("ok"));
    m_summary.accepted += int(rows.size());
    append(name + QStringLiteral("IndexNow：已提交") + QString::number(batch.size()) + QStringLiteral("条"));
    record(db, PushChannel::IndexNow, rows);
    return Outcome::GoOn;
}

void BatchPush::record(TSQLiteDatabase &db, PushChannel channel,
                       const std::vector<std::pair<QString, QString>> &rows)
{
    if (rows.empty())
        return;
    // Only addresses that still exist get rows: a site deleted during the push
    // must leave none behind for a later address with a reused number. Checking
    // every row costs a third more, so it is done only when another connection
    // (a handler run during the request) has changed the file since we last looked.
    const qint64 version = db.GetTable(QStringLiteral("PRAGMA data_version")).FieldAsInteger(0);
    const bool changedMeanwhile = version != m_dataVersion;
    m_dataVersion = version;
    inTransaction(db, [&] {
        TSQLiteStatement insert(
            db, changedMeanwhile ? QStringLiteral("insert or ignore into mrv_orvik_push(dataid,channel,pushtime,result) "
                                                  "select ?1,?2,?3,?4 where exists (select 1 from mrv_orvik_rssurl "
                                                  "where dataid=?1)")
                                 : QStringLiteral("insert or ignore into mrv_orvik_push(dataid,channel,pushtime,result) "
                                                  "values (?1,?2,?3,?4)"));
        // The shared values once. The number goes in as the number the column
        // keeps: as text, SQLite converted every one of 200,000 rows a push.
        insert.bind({QString(), channelName(channel), NowTimestamp()});
        const QString *result = nullptr;
        for (const auto &[dataid, rowResult] : rows) {
            bool isNumber = false;
            const qint64 number = dataid.toLongLong(&isNumber);
            if (isNumber)
                insert.bindInteger(1, number);
            else
                insert.bindText(1, dataid);
            if (!result || *result != rowResult)
                insert.bindText(4, rowResult);
            result = &rowResult;
            insert.exec();
        }
    });
}
