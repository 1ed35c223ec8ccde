#include "query/SiteQuery.h"

#include "common/AppSettings.h"
#include "common/mrv_fun.h"
#include "platform/Dialogs.h"
#include "platform/QueryText.h"
#include "platform/WebClient.h"
#include "query/ExtractBetween.h"

#include <memory>

const char SiteQueryUserAgent[] =
    "Mozilla/5.0 (Windows; U; Windows NT 6.1 zh-CN; rv:1.9.2.10) Gecko/20100914 Firefox/3.6.10";

QList<SiteLookup> siteLookups(const ServiceHosts &hosts, const QString &domain)
{
    const QString inQuery = encodeQueryValue(domain);
    // In a path a "?" would start the query.
    const QString inPath = QString(inQuery).replace(u'?', QStringLiteral("%3F"));
    const QString baidu = ServiceHosts::base(hosts.baidu);
    const QString so = ServiceHosts::base(hosts.so);
    const QString sogou = ServiceHosts::base(hosts.sogou);
    const QString rankImages =
        QStringLiteral("src=\"") + ServiceHosts::base(hosts.aizhanstatic) + QStringLiteral("/images/brs/");
    const QString keywords =
        QStringLiteral("href=\"/baidu/") + domain + QStringLiteral("\"> <span class=\"red\">");
    using C = ValueCleaning;

    return {
        {baidu + QStringLiteral("/s?wd=site:") + inQuery,
         {{QStringLiteral("<strong>找到相关结果数"), QStringLiteral("个。</strong>"), C::None,
           QStringLiteral("EditBaidu")}}},
        {baidu + QStringLiteral("/s?wd=domain:") + inQuery,
         {{QStringLiteral("百度为您找到相关结果约"), QStringLiteral("个"), C::None,
           QStringLiteral("EditBaidu2")}}},
        {so + QStringLiteral("/s?q=site:") + inQuery,
         {{QStringLiteral("<p class=\"ws-total\">找到相关结果约"), QStringLiteral("个"), C::None,
           QStringLiteral("Edit360")}}},
        {so + QStringLiteral("/s?q=domain:") + inQuery,
         {{QStringLiteral("找到相关结果约"), QStringLiteral("个"), C::None, QStringLiteral("Edit3602")}}},
        {sogou + QStringLiteral("/web?query=site:") + inQuery,
         {{QStringLiteral("class=\"zz_ico\">找到约 <em>"), QStringLiteral("</em> 条结果"), C::None,
           QStringLiteral("EditSougou")}}},
        {sogou + QStringLiteral("/web?query=domain:") + inQuery,
         {{QStringLiteral("<span id=\"scd_num\">"), QStringLiteral("</span>"), C::None,
           QStringLiteral("EditSougou2")}}},
        {ServiceHosts::base(hosts.aizhan) + QStringLiteral("/baidu/") + inPath + QStringLiteral("/"),
         {{rankImages, QStringLiteral(".gif"), C::None, QStringLiteral("EditBR")},
          {QStringLiteral("预计百度来路:"), QStringLiteral("IP"), C::RemoveRedSpans,
           QStringLiteral("EditFromBaiduIP")},
          {keywords, QStringLiteral("</span>"), C::Trim, QStringLiteral("EditAiZhanWord")}}},
        {ServiceHosts::base(hosts.chinaz) + QStringLiteral("/baidusort.aspx?host=") + inQuery,
         {{QStringLiteral("百度权重为 <font color=\"\">"), QStringLiteral("</font>"), C::None,
           QStringLiteral("EditChinazBR")},
          {QStringLiteral("预计从百度来访 <font color=\"blue\">"), QStringLiteral("</font>"), C::None,
           QStringLiteral("EditChinazFromBaiduIP")},
          {QStringLiteral("共找到 <font color=\"blue\">"), QStringLiteral("</font>"), C::Trim,
           QStringLiteral("EditChinaZWord")}}},
    };
}

QString cleanValue(const QString &value, ValueCleaning cleaning)
{
    switch (cleaning) {
    case ValueCleaning::None:
        return value;
    case ValueCleaning::RemoveRedSpans:
        return QString(value)
            .remove(QStringLiteral("<span class=\"red\">"))
            .remove(QStringLiteral("</span>"));
    case ValueCleaning::Trim: {
        qsizetype from = 0;
        qsizetype to = value.size();
        while (from < to && value.at(from).unicode() <= 32)
            ++from;
        while (to > from && value.at(to - 1).unicode() <= 32)
            --to;
        return value.mid(from, to - from);
    }
    }
    return value;
}

SiteQuery::SiteQuery(Dialogs &dialogs, WriteBox writeBox)
    : m_dialogs(dialogs), m_writeBox(std::move(writeBox))
{
}

void SiteQuery::run(const QList<SiteLookup> &lookups)
{
    // Released at the end, also when a request fails.
    auto client = std::make_unique<WebClient>();
    client->setUserAgent(QString::fromLatin1(SiteQueryUserAgent));
    client->setAnswerDeadline(WebClient::ServiceAnswerDeadlineMs);
    for (const SiteLookup &lookup : lookups) {
        try {
            const QByteArray buffer = client->get(lookup.address);
            showPage(lookup, QString::fromUtf8(buffer));
        } catch (const EConvertError &) {
            m_dialogs.showMessage(lookup.address + QStringLiteral("出错"));
        }
    }
    client->closeConnection();
}

void SiteQuery::showPage(const SiteLookup &lookup, const QString &page)
{
    if (lookup.values.isEmpty() || !MatchPattern(lookup.guard(), page))
        return;
    for (const SiteValue &value : lookup.values)
        m_writeBox(value.box, cleanValue(ExtractBetween(page, value.begin, value.end), value.cleaning));
}
