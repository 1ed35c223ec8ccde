#include "ping/PingRequest.h"

#include "common/AppSettings.h"
#include "platform/WebClient.h"
#include "platform/XmlLimits.h"
#include "store/SQLiteDatabase.h"
#include "store/Transaction.h"

namespace {

QString xmlText(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

QString param(const QString &value)
{
    return QStringLiteral("\t<param><value><string>") + xmlText(value)
        + QStringLiteral("</string></value></param>");
}

} // namespace

QByteArray PingBody(const PingValues &values)
{
    const QString crlf = QStringLiteral("\r\n");
    // Lines 5 and 6 end in one space; the service has always been sent it so.
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + crlf
        + QStringLiteral("\t<methodCall>") + crlf
        + QStringLiteral("\t<methodName>weblogUpdates.extendedPing</methodName>") + crlf
        + QStringLiteral("\t<params>") + crlf
        + param(values.siteName) + QStringLiteral(" ") + crlf
        + param(values.siteUrl) + QStringLiteral(" ") + crlf
        + param(values.url) + crlf
        + param(values.rssUrl) + crlf
        + QStringLiteral("\t</params>") + crlf
        + QStringLiteral("\t</methodCall>") + crlf;
    return text.toUtf8();
}

bool PingAccepted(const QByteArray &reply)
{
    // The answer is searched, not parsed; a hostile one past the bounds that
    // every outside document gets counts as unreadable all the same.
    return reply.contains("<int>0</int>") && XmlLimits::refusal(reply).isEmpty();
}

bool SendPing(WebClient &client, const QString &pingHost, const PingValues &values)
{
    client.setContentType(QStringLiteral("text/xml"));
    const QByteArray body = PingBody(values);
    return PingAccepted(client.post(ServiceHosts::base(pingHost) + QStringLiteral("/ping/RPC2"), body));
}

QStringList PingRecordStatements(RecordCaller caller, const QString &id, const QString &t)
{
    const QString first = QStringLiteral("update mrv_orvik_rssurl set firsttime='") + t
        + QStringLiteral("' where firsttime is null and dataid=") + id;
    const QString last = QStringLiteral("update mrv_orvik_rssurl set lasttime='") + t
        + QStringLiteral("' where dataid=") + id;
    if (caller == RecordCaller::Batch)
        return {first, last + QStringLiteral(" ")};
    return {last, first};
}

void RecordPing(TSQLiteDatabase &db, RecordCaller caller, const QString &id, const QString &t)
{
    // Both times or neither: the pair is one transaction, which also halves the
    // waits for the disk. Nothing is dispatched in between, so no other action
    // meets the lock.
    inTransaction(db, [&] {
        for (const QString &statement : PingRecordStatements(caller, id, t))
            db.ExecSQL(statement);
    });
}
