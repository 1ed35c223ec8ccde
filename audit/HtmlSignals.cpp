#include "audit/HtmlSignals.h"

#include <QStringDecoder>
#include <gumbo.h>

#include <algorithm>
#include <utility>
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

// The first prefix holds a short head; every next one is twice as long, so
// the parser reads at most twice what the last prefix holds.
constexpr qsizetype FirstPrefixBytes = 1024;
// A head not ended by then is read as far as this: inline styles and scripts
// make long heads, and a hostile one nested in the last doubling still costs
// the parser well under a second.
constexpr qsizetype MaxHeadBytes = 128 * 1024;
// The parser's time grows with the square of the nesting (a template in the
// head may hold any element); a prefix nested deeper than this is the last read.
constexpr int MaxHeadDepth = 256;

// The tree of text's first length bytes.
class ParsedPrefix {
public:
    ParsedPrefix(const QByteArray &text, qsizetype length)
    {
        GumboOptions options = kGumboDefaultOptions;
        options.max_errors = 0; // the errors are of no use here
        m_output = gumbo_parse_with_options(&options, text.constData(), size_t(length));
    }
    ~ParsedPrefix() { gumbo_destroy_output(&kGumboDefaultOptions, m_output); }
    ParsedPrefix(const ParsedPrefix &) = delete;
    ParsedPrefix &operator=(const ParsedPrefix &) = delete;

    const GumboNode *child(GumboTag tag) const
    {
        const GumboVector &children = m_output->root->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const auto *node = static_cast<const GumboNode *>(children.data[i]);
            if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag)
                return node;
        }
        return nullptr;
    }

    // Whether the prefix reaches into the body (or frameset): its start tag was
    // read, or something in it. A body the parser only implied at the prefix's
    // end says nothing: the rest of the page may still belong to the head.
    bool headEnded() const
    {
        const GumboVector &children = m_output->root->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const auto *node = static_cast<const GumboNode *>(children.data[i]);
            if (node->type != GUMBO_NODE_ELEMENT || node->v.element.tag == GUMBO_TAG_HEAD)
                continue;
            if (!(node->parse_flags & GUMBO_INSERTION_BY_PARSER) || node->v.element.children.length > 0)
                return true;
        }
        return false;
    }

    // The deepest nesting of elements, template contents included.
    int depth() const
    {
        int deepest = 0;
        // Depth first without recursion: a page may nest deeper than the stack allows.
        std::vector<std::pair<const GumboNode *, int>> pending{{m_output->root, 1}};
        while (!pending.empty()) {
            const auto [node, level] = pending.back();
            pending.pop_back();
            if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
                continue;
            deepest = std::max(deepest, level);
            const GumboVector &children = node->v.element.children;
            for (unsigned i = 0; i < children.length; ++i)
                pending.emplace_back(static_cast<const GumboNode *>(children.data[i]), level + 1);
        }
        return deepest;
    }

private:
    GumboOutput *m_output;
};

HtmlSignals signalsOfHead(const GumboNode &head, const QUrl &pageUrl, const QStringList &metaNames)
{
    HtmlSignals found;
    QString base;
    QString canonical;
    // The head's own elements and those of its noscript; a template's contents
    // are not part of the document.
    std::vector<const GumboNode *> pending{&head};
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT)
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
    // Nothing past MaxHeadBytes is parsed, so nothing past it is converted
    // (a GBK page was converted whole, 2 MiB, for a head of a few hundred bytes).
    // Every byte converts to at least one UTF-8 byte: the parsed text is the same.
    const QByteArray text = asUtf8(body.left(MaxHeadBytes), contentType);
    QStringList metaNames = agentNames;
    metaNames << QStringLiteral("robots");

    // Crawlers take these signals from the head alone, and the head ends where
    // an HTML5 parser ends it: at the first element or text of the body. The
    // parser spends about 0.1 µs on every byte it reads, so it reads growing
    // prefixes of the page until one holds the end of the head, rather than
    // the whole page for the few hundred bytes that matter.
    qsizetype length = std::min(text.size(), FirstPrefixBytes);
    for (;;) {
        const ParsedPrefix parsed(text, length);
        const GumboNode *head = parsed.child(GUMBO_TAG_HEAD);
        const bool last = parsed.headEnded() || length == text.size() || length >= MaxHeadBytes
            || parsed.depth() > MaxHeadDepth;
        if (last)
            return head ? signalsOfHead(*head, pageUrl, metaNames) : HtmlSignals{};
        length = std::min({text.size(), length * 2, MaxHeadBytes});
    }
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
