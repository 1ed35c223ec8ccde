#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

struct WebAnswer;

// The channels an address is pushed through, in the order a push walks them.
enum class PushChannel { Baidu, BaiduDaily, IndexNow };

// "baidu", "baidu_daily", "indexnow": the channel column of mrv_orvik_push.
QString channelName(PushChannel channel);
// Addresses per request: 2,000 for Baidu, 10,000 for IndexNow.
int channelBatchLimit(PushChannel channel);

// Baidu's push API: POST base/urls?site=…&token=…[&type=daily], the addresses
// one per line as plain text, a JSON answer.
namespace BaiduPush {

QString requestUrl(const QString &base, const QString &site, const QString &token, bool daily);
QByteArray requestBody(const QStringList &addresses);

struct Answer {
    enum Kind {
        Accepted,        // 200 with counts
        OverQuota,       // "over quota": nothing taken
        TokenInvalid,    // 401
        SiteNotVerified, // 400 "site error"
        Retry,           // 5xx: worth another try later
        Failed,          // any other answer: stop
    };
    Kind kind = Failed;
    qint64 success = 0;
    bool successGiven = false; // always so for Accepted
    qint64 remain = -1; // -1 when the answer names none
    QStringList notSameSite;
    QStringList notValid;
    QString error; // for Retry and Failed
};

// Reads an answer; the daily channel's counts are remain_daily / success_daily.
// A 2xx answer is Accepted only when its success count is a whole number from
// 0 to `sent` (the addresses of the request); any other is Failed, "无法识别的应答".
Answer interpret(const WebAnswer &answer, bool daily, qint64 sent);

} // namespace BaiduPush

// IndexNow: POST base/indexnow with {"host","key","keyLocation","urlList"}.
namespace IndexNowPush {

QString requestUrl(const QString &base);
QByteArray requestBody(const QString &host, const QString &key, const QString &keyLocation,
                       const QStringList &addresses);

enum class Kind { Accepted, KeyInvalid, Mismatch, TooMany, Retry, Failed };
Kind interpret(int status);

// The host of an address, lower case; empty when it has none.
QString hostOf(const QString &address);

} // namespace IndexNowPush
