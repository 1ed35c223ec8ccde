#include "ping/IndexCheck.h"

#include "common/AppSettings.h"
#include "common/mrv_fun.h"
#include "platform/QueryText.h"
#include "platform/WebClient.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"
#include "store/Transaction.h"
#include "store/SqlText.h"

const QString BrowserUserAgent = QStringLiteral(
    "Mozilla/5.0 (Windows; U; Windows NT 6.1 zh-CN; rv:1.9.2.10) Gecko/20100914 Firefox/3.6.10");

const QString VerificationPageMessage = QStringLiteral("百度安全验证页面，未取得收录结果");

namespace {

// How the engine says that it has no page for the address.
const QString NoSuchPageNotices[] = {QStringLiteral("没有找到该URL"), QStringLiteral("没有找到与")};

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
    // The first web scheme in the address goes, whichever of the two it is.
    const qsizetype plain = rest.indexOf(QLatin1String("http://"), 0, Qt::CaseInsensitive);
    const qsizetype secure = rest.indexOf(QLatin1String("https://"), 0, Qt::CaseInsensitive);
    if (secure >= 0 && (plain < 0 || secure < plain))
        rest.remove(secure, 8);
    else if (plain >= 0)
        rest.remove(plain, 7);
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
        throw VerificationPageError();
    const QString host = HostOfAddress(address);
    // When the engine has no such page it says so above other results, which
    // often show the same host highlighted.
    for (const QString &notice : NoSuchPageNotices) {
        if (MatchPattern(notice, page))
            return false;
    }
    // Older result pages highlight in bold, today's with <em>.
    return MatchPattern(QStringLiteral("<b>") + host + QStringLiteral("</b>"), page)
        || MatchPattern(QStringLiteral("<em>") + host + QStringLiteral("</em>"), page);
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
    if (!indexed) {
        db.ExecSQL(CheckRecordStatement(caller, id, indexed, t));
        return;
    }
    ExtendedTables::ensure(db);
    // The answer and the first-seen time together or neither. Nothing is
    // dispatched in between, so no other action meets the lock.
    inTransaction(db, [&] {
        db.ExecSQL(CheckRecordStatement(caller, id, indexed, t));
        db.ExecSQL(QStringLiteral("insert or ignore into mrv_orvik_indexed(dataid,firstseen) values (") + id
                   + QStringLiteral(",'") + sqlEscape(t) + QStringLiteral("')"));
    });
}
