#include "push/PushProtocol.h"

#include "platform/WebClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

QString channelName(PushChannel channel)
{
    switch (channel) {
    case PushChannel::Baidu: return QStringLiteral("baidu");
    case PushChannel::BaiduDaily: return QStringLiteral("baidu_daily");
    case PushChannel::IndexNow: return QStringLiteral("indexnow");
    }
    return {};
}

int channelBatchLimit(PushChannel channel)
{
    return channel == PushChannel::IndexNow ? 10000 : 2000;
}

namespace {

// A query value as the service expects it: the site keeps its "://" and
// slashes, while "&", "#", "+", blanks and the like cannot break the query.
QString queryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value, ":/"));
}

QStringList textList(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &item : value.toArray())
        list << item.toString();
    return list;
}

} // namespace

namespace BaiduPush {

QString requestUrl(const QString &base, const QString &site, const QString &token, bool daily)
{
    QString url = base + QStringLiteral("/urls?site=") + queryValue(site) + QStringLiteral("&token=")
                  + queryValue(token);
    if (daily)
        url += QStringLiteral("&type=daily");
    return url;
}

QByteArray requestBody(const QStringList &addresses)
{
    return addresses.join(u'\n').toUtf8();
}

Answer interpret(const WebAnswer &web, bool daily, qint64 sent)
{
    Answer answer;
    const QJsonObject json = QJsonDocument::fromJson(web.body).object();
    const QString message = json.value(QStringLiteral("message")).toString();
    if (web.status >= 200 && web.status <= 299 && !json.contains(QStringLiteral("error"))) {
        const QString successKey = daily ? QStringLiteral("success_daily") : QStringLiteral("success");
        const QString remainKey = daily ? QStringLiteral("remain_daily") : QStringLiteral("remain");
        // Without a count of what was taken nothing may be recorded as taken:
        // those addresses would never be pushed again.
        const QJsonValue success = json.value(successKey);
        const double count = success.toDouble(-1);
        if (!success.isDouble() || count < 0 || count > double(sent) || count != double(qint64(count))) {
            answer.kind = Answer::Failed;
            answer.error = QStringLiteral("无法识别的应答");
            return answer;
        }
        answer.kind = Answer::Accepted;
        answer.successGiven = true;
        answer.success = qint64(count);
        if (json.contains(remainKey))
            answer.remain = json.value(remainKey).toInteger();
        answer.notSameSite = textList(json.value(QStringLiteral("not_same_site")));
        answer.notValid = textList(json.value(QStringLiteral("not_valid")));
        return answer;
    }
    answer.error = message.isEmpty() ? web.statusLine : message;
    if (message == QLatin1String("over quota"))
        answer.kind = Answer::OverQuota;
    else if (web.status == 401 || message == QLatin1String("token is not valid"))
        answer.kind = Answer::TokenInvalid;
    else if (web.status == 400 && message == QLatin1String("site error"))
        answer.kind = Answer::SiteNotVerified;
    else if (web.status >= 500)
        answer.kind = Answer::Retry;
    else
        answer.kind = Answer::Failed;
    return answer;
}

} // namespace BaiduPush

namespace IndexNowPush {

QString requestUrl(const QString &base)
{
    return base + QStringLiteral("/indexnow");
}

QByteArray requestBody(const QString &host, const QString &key, const QString &keyLocation,
                       const QStringList &addresses)
{
    QJsonObject body;
    body.insert(QStringLiteral("host"), host);
    body.insert(QStringLiteral("key"), key);
    body.insert(QStringLiteral("keyLocation"), keyLocation);
    body.insert(QStringLiteral("urlList"), QJsonArray::fromStringList(addresses));
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

Kind interpret(int status)
{
    if (status >= 200 && status <= 299)
        return Kind::Accepted;
    switch (status) {
    case 403: return Kind::KeyInvalid;
    case 422: return Kind::Mismatch;
    case 429: return Kind::TooMany;
    default: return status >= 500 ? Kind::Retry : Kind::Failed;
    }
}

QString hostOf(const QString &address)
{
    // Parsed by hand: a push reads the host of every due address, and a full
    // address parse of 100,000 of them costs a noticeable pause.
    const QStringView text = QStringView(address).trimmed();
    const qsizetype scheme = text.indexOf(u"://");
    if (scheme <= 0)
        return {};
    QStringView authority = text.mid(scheme + 3);
    for (qsizetype i = 0; i < authority.size(); ++i) {
        const QChar c = authority.at(i);
        if (c == u'/' || c == u'?' || c == u'#' || c == u'\\') {
            authority = authority.left(i);
            break;
        }
    }
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0)
        authority = authority.mid(at + 1);
    if (authority.startsWith(u'[')) { // a literal IPv6 address
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? QString() : authority.left(close + 1).toString().toLower();
    }
    const qsizetype colon = authority.indexOf(u':');
    if (colon >= 0)
        authority = authority.left(colon);
    QString host = authority.toString().toLower();
    // "www.a.com." names the same host as "www.a.com".
    if (host.endsWith(u'.'))
        host.chop(1);
    return host;
}

} // namespace IndexNowPush
