#include "audit/HtmlSignals.h"

#include <QStringDecoder>
#include <gumbo.h>

#include <memory>
#include <vector>

namespace PageSignals {

namespace {

QByteArray charsetOf(const QByteArray &contentType)
{
    const qsizetype at = contentType.toLower().indexOf("charset=");
    if (at < 0)
        return {};
    QByteArray name = contentType.mid(at + 8);
    const qsizetype end = name.indexOf(';');
    if (end >= 0)
        name.truncate(end);
    return name.trimmed().replace('"', "").replace('\'', "").toLower();
}

// The parser reads UTF-8 only: a page in another encoding (GBK is common) is
// converted first, from the header's charset, else the page's own declaration.
QByteArray asUtf8(const QByteArray &body, const QByteArray &contentType)
{
    QByteArray charset = charsetOf(contentType);
    if (charset.isEmpty()) {
        const QStringDecoder sniffed = QStringDecoder::decoderForHtml(body);
        if (sniffed.isValid() && sniffed.name())
            charset = QByteArray(sniffed.name()).toLower();
    }
    if (charset.isEmpty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii")
        return body;
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return body;
    return QString(decoder.decode(body)).toUtf8();
}

QString attribute(const GumboElement &element, const char *name)
{
    const GumboAttribute *found = gumbo_get_attribute(&element.attributes, name);
    return found ? QString::fromUtf8(found->value) : QString();
}

bool saysNoindex(const QString &directives)
{
    for (const QString &token : directives.split(u',')) {
        const QString word = token.trimmed().toLower();
        if (word == QLatin1String("noindex") || word == QLatin1String("none"))
            return true;
    }
    return false;
}

bool namedIn(const QString &name, const QStringList &names)
{
    return names.contains(name.trimmed(), Qt::CaseInsensitive);
}

} // namespace

bool isHtml(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray type = contentType.trimmed().toLower();
    if (!type.isEmpty())
        return type.contains("html");
    const QByteArray start = body.left(512).trimmed().toLower();
    return start.startsWith("<!doctype html") || start.startsWith("<html") || start.contains("<head");
}

HtmlSignals readHtml(const QByteArray &body, const QByteArray &contentType, const QUrl &pageUrl,
                     const QStringList &agentNames)
{
    const QByteArray text = asUtf8(body, contentType);
    const std::unique_ptr<GumboOutput, void (*)(GumboOutput *)> output(
        gumbo_parse_with_options(&kGumboDefaultOptions, text.constData(), size_t(text.size())),
        [](GumboOutput *o) { gumbo_destroy_output(&kGumboDefaultOptions, o); });

    QStringList metaNames = agentNames;
    metaNames << QStringLiteral("robots");
    HtmlSignals found;
    QString base;
    QString canonical;
    // Depth first without recursion: a page may nest deeper than the stack allows.
    std::vector<const GumboNode *> pending{output->root};
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboElement &element = node->v.element;
        if (element.tag == GUMBO_TAG_META) {
            if (namedIn(attribute(element, "name"), metaNames) && saysNoindex(attribute(element, "content")))
                found.noindex = true;
        } else if (element.tag == GUMBO_TAG_BASE && base.isNull()) {
            const QString href = attribute(element, "href");
            if (!href.isEmpty())
                base = href;
        } else if (element.tag == GUMBO_TAG_LINK && canonical.isNull()) {
            const QStringList rel = attribute(element, "rel").split(u' ', Qt::SkipEmptyParts);
            const QString href = attribute(element, "href").trimmed();
            if (rel.contains(QStringLiteral("canonical"), Qt::CaseInsensitive) && !href.isEmpty())
                canonical = href;
        }
        // Children pushed last to first, so they are visited in document order.
        for (unsigned i = element.children.length; i > 0; --i)
            pending.push_back(static_cast<const GumboNode *>(element.children.data[i - 1]));
    }
    if (!canonical.isNull()) {
        const QUrl documentBase = base.isNull() ? pageUrl : pageUrl.resolved(QUrl(base));
        found.canonical = documentBase.resolved(QUrl(canonical)).toString();
    }
    return found;
}

bool headerNoindex(const QList<QByteArray> &values, const QStringList &agentNames)
{
    // Directives that carry a value after ":" of their own; any other name
    // before ":" is a crawler's, and the directives after it are for that one.
    static const QStringList valued{QStringLiteral("unavailable_after"), QStringLiteral("max-snippet"),
                                    QStringLiteral("max-image-preview"), QStringLiteral("max-video-preview")};
    for (const QByteArray &value : values) {
        bool forUs = true;
        for (const QString &piece : QString::fromUtf8(value).split(u',')) {
            QString directive = piece.trimmed();
            const qsizetype colon = directive.indexOf(u':');
            if (colon > 0) {
                const QString name = directive.left(colon).trimmed();
                if (!valued.contains(name, Qt::CaseInsensitive)) {
                    forUs = namedIn(name, agentNames);
                    directive = directive.mid(colon + 1).trimmed();
                }
            }
            if (forUs && saysNoindex(directive))
                return true;
        }
    }
    return false;
}

} // namespace PageSignals
