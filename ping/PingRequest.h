#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

class WebClient;
class TSQLiteDatabase;

// The four values a ping announces.
struct PingValues {
    QString siteName;
    QString siteUrl; // the site's home address
    QString url;     // the article address
    QString rssUrl;  // the feed address
};

// Who records a ping or a check: the two callers write slightly different
// statements and, for the ping, in a different order.
enum class RecordCaller { Batch, SingleRow };

// The XML-RPC call weblogUpdates.extendedPing as UTF-8 bytes without a byte-order
// mark: ten lines, each ending in CR LF. "&", "<" and ">" in the values become
// entities so that a site name like "A&B" still makes a well-formed call; other
// characters go in as they are.
QByteArray PingBody(const PingValues &values);

// The service accepted the ping when its reply holds "<int>0</int>" anywhere.
bool PingAccepted(const QByteArray &reply);

// Posts the ping to base(pingHost) + "/ping/RPC2" through the client, which
// keeps the content type "text/xml" afterwards. True when accepted; a failed
// exchange raises HttpError.
bool SendPing(WebClient &client, const QString &pingHost, const PingValues &values);

// The statements that record a ping of address `id` at time `t`, in the order
// the caller runs them. The batch ping sets firsttime first and ends the
// lasttime statement with a space; the single row sets lasttime first.
QStringList PingRecordStatements(RecordCaller caller, const QString &id, const QString &t);
void RecordPing(TSQLiteDatabase &db, RecordCaller caller, const QString &id, const QString &t);
