#include "ping/IndexCheck.h"

#include "app/AppSettings.h"
#include "app/mrv_fun.h"
#include "platform/QueryText.h"
#include "platform/WebClient.h"
#include "store/SQLiteDatabase.h"

const QString BrowserUserAgent = QStringLiteral(
    "Mozilla/5.0 (Windows; U; Windows NT 6.1 zh-CN; rv:1.9.2.10) Gecko/20100914 Firefox/3.6.10");

const QString VerificationPageMessage = QStringLiteral("百度安全验证页面，未取得收录结果");

namespace {

// The text of the page's <title> element, empty when it has none.
QString pageTitle(const QString &page)
{
    const qsizetype open = page.indexOf(QLatin1String("<title"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    const qsizetype start = page.indexOf(u'>', open);
    if (start < 0)
        return {};
    const qsizetype end = page.indexOf(QLatin1String("</title"), start, Qt::CaseInsensitive);
    return page.mid(start + 1, end < 0 ? -1 : end - start - 1);
}

} // namespace

QString HostOfAddress(const QString &address)
{
    QString rest = address;
    const qsizetype scheme = rest.indexOf(QLatin1String("http://"));
    if (scheme >= 0)
        rest.remove(scheme, 7);
    const QStringList pieces = SplitText(rest, QStringLiteral("/"));
    if (pieces.isEmpty())
        throw AppError(QStringLiteral("List index out of bounds (0)"));
    return pieces.first();
}

QString SearchQueryValue(const QString &address)
{
    return encodeQueryValue(address);
}

QString FetchSearchPage(WebClient &client, const QString &searchHost, const QString &address)
{
    client.setUserAgent(BrowserUserAgent);
    const QByteArray body
        = client.get(ServiceHosts::base(searchHost) + QStringLiteral("/s?wd=") + SearchQueryValue(address));
    return QString::fromUtf8(body);
}

bool PageShowsHost(const QString &page, const QString &address)
{
    // After many searches from one address the engine answers with a page of
    // its own; that page says nothing about the address.
    if (pageTitle(page).contains(QStringLiteral("百度安全验证")))
        throw HttpError(VerificationPageMessage);
    const QString marker = QStringLiteral("<b>") + HostOfAddress(address) + QStringLiteral("</b>");
    return MatchPattern(marker, page);
}

bool CheckIndexed(WebClient &client, const QString &searchHost, const QString &address)
{
    const QString page = FetchSearchPage(client, searchHost, address);
    return PageShowsHost(page, address);
}

QString CheckRecordStatement(RecordCaller caller, const QString &id, bool indexed, const QString &t)
{
    return QStringLiteral("update mrv_orvik_rssurl set isinbaidu='") + (indexed ? u'1' : u'0')
        + QStringLiteral("',checktime='") + t
        + (caller == RecordCaller::Batch ? QStringLiteral("' where dataid=") : QStringLiteral("'  where dataid="))
        + id;
}

void RecordCheck(TSQLiteDatabase &db, RecordCaller caller, const QString &id, bool indexed,
                 const QString &t)
{
    db.ExecSQL(CheckRecordStatement(caller, id, indexed, t));
}
