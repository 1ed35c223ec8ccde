#pragma once
#include <QByteArray>
#include <QDomElement>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>

// The fields of an RSS 2.0 item that need more than their element's text:
// Dublin Core titles, addresses relative to xml:base, guids that are addresses.
namespace RssItemFields {

// The prefixes the document binds to Dublin Core (read from its bytes).
QStringList dublinCorePrefixes(const QByteArray &bytes);
// The text of an item's dc:title, whatever prefix stands for Dublin Core; ""
// when there is none or it cannot be read.
QString dcTitle(const QDomElement &item, const QStringList &prefixes);
// Whether the reference starts with a scheme (RFC 3986): an absolute address.
bool hasScheme(QStringView text);
// A reference resolved against the base in scope at `element`; "" when that
// gives no http(s) address.
QString resolved(const QString &reference, const QDomElement &element, const QUrl &fallback);
// An item's guid when it is the article's address; "" otherwise.
QString permalinkGuid(const QDomElement &item, const QUrl &fallback);

} // namespace RssItemFields
