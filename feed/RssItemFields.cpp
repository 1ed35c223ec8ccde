#include "feed/RssItemFields.h"

#include "platform/Errors.h"
#include "platform/XmlText.h"

#include <QRegularExpression>

namespace RssItemFields {

// The prefixes the document binds to Dublin Core. The tree is built without
// namespace processing, so it keeps neither namespaces nor their
// declarations; the declarations are ASCII and read from the bytes.
QStringList dublinCorePrefixes(const QByteArray &bytes)
{
    static const QRegularExpression declaration(QStringLiteral(
        "xmlns:([A-Za-z_][A-Za-z0-9_.-]*)\\s*=\\s*[\"']http://purl\\.org/dc/elements/1\\.1/[\"']"));
    QStringList prefixes;
    for (auto it = declaration.globalMatch(QString::fromLatin1(bytes)); it.hasNext();)
        prefixes << it.next().captured(1);
    return prefixes;
}

// The text of an item's dc:title, whatever prefix stands for Dublin Core; ""
// when there is none or it cannot be read.
QString dcTitle(const QDomElement &item, const QStringList &prefixes)
{
    for (QDomNode n = item.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (!n.isElement())
            continue;
        const QString name = n.nodeName();
        const qsizetype colon = name.indexOf(u':');
        if (colon <= 0 || QStringView(name).mid(colon + 1) != u"title" || !prefixes.contains(name.left(colon)))
            continue;
        try {
            return XmlText::text(n.toElement());
        } catch (const AppError &) {
            return {};
        }
    }
    return {};
}

// Whether the reference starts with a scheme (RFC 3986): an absolute address.
bool hasScheme(QStringView text)
{
    const auto letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0 || !letter(text[0]))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = text[i];
        if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

// A reference resolved against the base in scope at `element`: `fallback`
// (the channel's link, else the document's address) with the xml:base of the
// element and of its ancestors applied, outermost first. "" when that gives
// no http(s) address.
QString resolved(const QString &reference, const QDomElement &element, const QUrl &fallback)
{
    QStringList bases;
    for (QDomNode n = element; n.isElement(); n = n.parentNode()) {
        const QString base = n.toElement().attribute(QStringLiteral("xml:base")).trimmed();
        if (!base.isEmpty())
            bases.prepend(base);
    }
    QUrl base = fallback;
    for (const QString &b : bases)
        base = base.resolved(QUrl(b));
    const QUrl url = base.resolved(QUrl(reference));
    const QString scheme = url.scheme().toLower();
    if ((scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return {};
    return url.toString();
}

// An item's guid when it is the article's address: an http(s) address that
// the feed does not mark as something else (isPermaLink="false"), or a
// relative one resolved like a link, when marked isPermaLink="true" or rooted
// at "/" (other bare guids are mostly ids, not paths). "" otherwise.
QString permalinkGuid(const QDomElement &item, const QUrl &fallback)
{
    const QDomElement guid = XmlText::child(item, QStringLiteral("guid"));
    const QString permaLink = guid.attribute(QStringLiteral("isPermaLink")).trimmed().toLower();
    if (guid.isNull() || permaLink == u"false")
        return {};
    QString text;
    try {
        text = XmlText::text(guid).trimmed();
    } catch (const AppError &) {
        return {};
    }
    if (text.isEmpty())
        return {};
    if (!hasScheme(text)) {
        if (permaLink != u"true" && !text.startsWith(u'/'))
            return {};
        return resolved(text, guid, fallback);
    }
    // Addresses with Chinese paths are common: no strict parsing, only the
    // scheme, a host and no blank inside.
    if (!text.startsWith(QLatin1StringView("http://"), Qt::CaseInsensitive)
        && !text.startsWith(QLatin1StringView("https://"), Qt::CaseInsensitive))
        return {};
    const QUrl url(text);
    if (!url.isValid() || url.host().isEmpty() || text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return {};
    return text;
}

} // namespace RssItemFields
