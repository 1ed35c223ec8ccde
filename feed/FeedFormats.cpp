#include "feed/FeedFormats.h"

#include "platform/Errors.h"
#include "platform/HtmlText.h"
#include "platform/XmlLimits.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <functional>

namespace FeedFormats {

namespace {

const QLatin1StringView AtomNs("http://www.w3.org/2005/Atom");
const QLatin1StringView RdfNs("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QLatin1StringView Rss1Ns("http://purl.org/rss/1.0/");
const QLatin1StringView Rss090Ns("http://my.netscape.com/rdf/simple/0.9/");
const QLatin1StringView SitemapNs("http://www.sitemaps.org/schemas/sitemap/0.9");
const QLatin1StringView NewsNs("http://www.google.com/schemas/sitemap-news/0.9");
const QLatin1StringView ImageNs("http://www.google.com/schemas/sitemap-image/1.1");
const QLatin1StringView DcNs("http://purl.org/dc/elements/1.1/");
const QLatin1StringView XmlNs("http://www.w3.org/XML/1998/namespace");

// A streaming walk over one document that keeps count of the nesting.
class Walker {
public:
    explicit Walker(const QString &text) : m_reader(text)
    {
        // Internal entities expand within these bounds; external ones are never
        // fetched (a document declaring one was refused before).
        if (XmlLimits::expandsTooFar(text))
            throw AppError(XmlLimits::refusal(text));
        m_reader.setEntityExpansionLimit(4096);
    }

    QXmlStreamReader &reader() { return m_reader; }

    // Positions the reader on the root element.
    void toRoot()
    {
        while (next() != QXmlStreamReader::StartElement) {
            if (m_reader.tokenType() == QXmlStreamReader::EndDocument)
                throw AppError(QStringLiteral("The document has no root element"));
        }
    }

    // From a start element: each child element goes to `element`, which must
    // read it to its end (skip, text or children); every other child node that
    // the RSS import counts (non-blank text, comments, processing
    // instructions) goes to `other`. Returns at the element's end.
    void children(const std::function<void()> &element, const std::function<void()> &other = {})
    {
        for (;;) {
            switch (next()) {
            case QXmlStreamReader::StartElement:
                element();
                break;
            case QXmlStreamReader::EndElement:
                return;
            case QXmlStreamReader::Characters:
                if (!m_reader.isWhitespace() && other)
                    other();
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
            case QXmlStreamReader::EntityReference:
                if (other)
                    other();
                break;
            case QXmlStreamReader::EndDocument:
                throw AppError(QStringLiteral("The document ends too early"));
            default:
                break;
            }
        }
    }

    // From a start element to its end, ignoring what it holds.
    void skip()
    {
        for (int level = 1; level > 0;) {
            const QXmlStreamReader::TokenType token = next();
            if (token == QXmlStreamReader::StartElement)
                ++level;
            else if (token == QXmlStreamReader::EndElement)
                --level;
            else if (token == QXmlStreamReader::EndDocument)
                throw AppError(QStringLiteral("The document ends too early"));
        }
    }

    // From a start element to its end: all the text it holds, that of nested
    // elements included.
    QString text()
    {
        QString out;
        for (int level = 1; level > 0;) {
            switch (next()) {
            case QXmlStreamReader::StartElement:
                ++level;
                break;
            case QXmlStreamReader::EndElement:
                --level;
                break;
            case QXmlStreamReader::Characters:
                out += m_reader.text();
                break;
            case QXmlStreamReader::EndDocument:
                throw AppError(QStringLiteral("The document ends too early"));
            default:
                break;
            }
        }
        return out;
    }

    // From a start element to its end: what it holds as HTML, for its text.
    // Only names and text are kept; attributes and comments add no text.
    QString markup()
    {
        QString out;
        for (int level = 1; level > 0;) {
            switch (next()) {
            case QXmlStreamReader::StartElement:
                ++level;
                out += u'<' + m_reader.name().toString() + u'>';
                break;
            case QXmlStreamReader::EndElement:
                if (--level > 0)
                    out += QStringLiteral("</") + m_reader.name().toString() + u'>';
                break;
            case QXmlStreamReader::Characters:
                out += m_reader.text().toString().toHtmlEscaped();
                break;
            case QXmlStreamReader::EndDocument:
                throw AppError(QStringLiteral("The document ends too early"));
            default:
                break;
            }
        }
        return out;
    }

    // After the root: the rest must be well-formed too.
    void toEnd()
    {
        while (next() != QXmlStreamReader::EndDocument) {
        }
    }

    bool is(QLatin1StringView ns, QLatin1StringView name) const
    {
        return m_reader.name() == name && m_reader.namespaceUri() == ns;
    }

private:
    QXmlStreamReader::TokenType next()
    {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++m_depth > XmlLimits::MaxDepth)
            throw AppError(QStringLiteral("Elements nested deeper than %1 levels").arg(XmlLimits::MaxDepth));
        if (token == QXmlStreamReader::EndElement)
            --m_depth;
        if (token == QXmlStreamReader::Invalid) {
            throw AppError(QStringLiteral("Line %1, column %2: %3")
                               .arg(m_reader.lineNumber())
                               .arg(m_reader.columnNumber())
                               .arg(m_reader.errorString()));
        }
        return token;
    }

    QXmlStreamReader m_reader;
    int m_depth = 0;
};

QUrl withBase(const QUrl &base, const QXmlStreamReader &reader)
{
    const QStringView value = reader.attributes().value(XmlNs, QLatin1StringView("base"));
    if (value.isEmpty())
        return base;
    return base.resolved(QUrl(value.trimmed().toString()));
}

// The markup of a title is cut before it is parsed, after this many
// characters or tags: the parser's time grows with the square of the nesting
// (13,000 levels took 2 s), no honest title comes near either bound, and the
// text stored of a title is far shorter still.
constexpr qsizetype MaxTitleMarkup = 16 * 1024;
constexpr int MaxTitleTags = 256;

QString htmlTitle(QString html)
{
    qsizetype end = std::min(html.size(), MaxTitleMarkup);
    int tags = 0;
    for (qsizetype i = 0; i < end; ++i) {
        if (html.at(i) == u'<' && ++tags > MaxTitleTags)
            end = i;
    }
    if (end < html.size())
        html.truncate(end > 0 && html.at(end - 1).isHighSurrogate() ? end - 1 : end);
    return HtmlText::plainText(html);
}

// An Atom text construct: type "html" holds escaped markup, "xhtml" a div of
// markup; both become plain text. Plain text ("text", the default) stays as it is.
QString atomText(Walker &walker)
{
    // Decided before reading on: the attribute's text lives in the reader's buffer.
    const QStringView type = walker.reader().attributes().value(QLatin1StringView("type"));
    if (type == u"html")
        return htmlTitle(walker.text());
    if (type == u"xhtml")
        return htmlTitle(walker.markup());
    return walker.text();
}

// The alternate link of an Atom element: rel="alternate" or no rel at all.
bool isAlternate(const QXmlStreamReader &reader)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    if (!attributes.hasAttribute(QLatin1StringView("rel")))
        return true;
    return attributes.value(QLatin1StringView("rel")).trimmed() == u"alternate";
}

QString atomLink(Walker &walker, const QUrl &base)
{
    const QUrl linkBase = withBase(base, walker.reader());
    const QString href = walker.reader().attributes().value(QLatin1StringView("href")).trimmed().toString();
    walker.skip();
    if (href.isEmpty())
        return {};
    return linkBase.resolved(QUrl(href)).toString();
}

bool isRss1(const Walker &walker, QLatin1StringView name)
{
    return walker.is(Rss1Ns, name) || walker.is(Rss090Ns, name);
}

} // namespace

Kind recognise(const QString &text)
{
    QXmlStreamReader reader(text);
    reader.setEntityExpansionLimit(4096);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = reader.name();
        const QStringView ns = reader.namespaceUri();
        if (reader.qualifiedName() == u"rss")
            return Kind::Rss;
        if (name == u"feed" && ns == AtomNs)
            return Kind::Atom;
        if (name == u"RDF" && ns == RdfNs)
            return Kind::Rss1;
        if (name == u"urlset" && ns == SitemapNs)
            return Kind::Sitemap;
        if (name == u"sitemapindex" && ns == SitemapNs)
            return Kind::SitemapIndex;
        if (name.compare(u"html", Qt::CaseInsensitive) == 0)
            return Kind::Html;
        return Kind::Other;
    }
    return Kind::Unreadable;
}

AddressList readAtom(const QString &text, const QUrl &documentAddress)
{
    Walker walker(text);
    walker.toRoot();
    QXmlStreamReader &reader = walker.reader();
    const QUrl feedBase = withBase(documentAddress, reader);
    AddressList list;
    bool titled = false;
    bool linked = false;
    walker.children(
        [&] {
            const int child = list.children++;
            if (!titled && walker.is(AtomNs, QLatin1StringView("title"))) {
                titled = true;
                list.siteName = atomText(walker);
            } else if (!linked && walker.is(AtomNs, QLatin1StringView("link")) && isAlternate(reader)) {
                list.siteUrl = atomLink(walker, feedBase);
                linked = !list.siteUrl.isEmpty();
            } else if (walker.is(AtomNs, QLatin1StringView("entry"))) {
                const QUrl entryBase = withBase(feedBase, reader);
                Entry entry{child, {}, {}};
                bool entryTitled = false;
                walker.children([&] {
                    if (!entryTitled && walker.is(AtomNs, QLatin1StringView("title"))) {
                        entryTitled = true;
                        entry.title = atomText(walker);
                    } else if (entry.link.isEmpty() && walker.is(AtomNs, QLatin1StringView("link"))
                               && isAlternate(reader)) {
                        entry.link = atomLink(walker, entryBase);
                    } else {
                        walker.skip();
                    }
                });
                list.entries.push_back(std::move(entry));
            } else {
                walker.skip();
            }
        },
        [&] { ++list.children; });
    walker.toEnd();
    return list;
}

AddressList readRss1(const QString &text)
{
    Walker walker(text);
    walker.toRoot();
    AddressList list;
    bool channelSeen = false;
    // title and link of an item or the channel; dc:title stands in for a missing title.
    const auto readTitleAndLink = [&walker](QString &title, QString &link) {
        bool titled = false;
        bool linked = false;
        QString dcTitle;
        bool dcTitled = false;
        walker.children([&] {
            if (!titled && isRss1(walker, QLatin1StringView("title"))) {
                titled = true;
                title = walker.text();
            } else if (!linked && isRss1(walker, QLatin1StringView("link"))) {
                linked = true;
                link = walker.text();
            } else if (!dcTitled && walker.is(DcNs, QLatin1StringView("title"))) {
                dcTitled = true;
                dcTitle = walker.text();
            } else {
                walker.skip();
            }
        });
        if (!titled)
            title = dcTitle;
    };
    walker.children(
        [&] {
            const int child = list.children++;
            if (!channelSeen && isRss1(walker, QLatin1StringView("channel"))) {
                channelSeen = true;
                readTitleAndLink(list.siteName, list.siteUrl);
            } else if (isRss1(walker, QLatin1StringView("item"))) {
                Entry entry{child, {}, {}};
                readTitleAndLink(entry.title, entry.link);
                list.entries.push_back(std::move(entry));
            } else {
                walker.skip();
            }
        },
        [&] { ++list.children; });
    walker.toEnd();
    return list;
}

AddressList readSitemap(const QString &text)
{
    Walker walker(text);
    walker.toRoot();
    AddressList list;
    // The news or image title somewhere inside a url entry; news wins.
    std::function<void(QString &, QString &)> findTitles = [&](QString &news, QString &image) {
        walker.children([&] {
            if (news.isEmpty() && walker.is(NewsNs, QLatin1StringView("title")))
                news = walker.text().trimmed();
            else if (image.isEmpty() && walker.is(ImageNs, QLatin1StringView("title")))
                image = walker.text().trimmed();
            else
                findTitles(news, image);
        });
    };
    walker.children(
        [&] {
            const int child = list.children++;
            if (!walker.is(SitemapNs, QLatin1StringView("url"))) {
                walker.skip();
                return;
            }
            Entry entry{child, {}, {}};
            QString news;
            QString image;
            bool located = false;
            walker.children([&] {
                if (!located && walker.is(SitemapNs, QLatin1StringView("loc"))) {
                    located = true;
                    // Whitespace around an address is layout, never part of it.
                    entry.link = walker.text().trimmed();
                } else {
                    findTitles(news, image);
                }
            });
            entry.title = news.isEmpty() ? image : news;
            if (!entry.link.isEmpty())
                list.entries.push_back(std::move(entry));
        },
        [&] { ++list.children; });
    walker.toEnd();
    return list;
}

QStringList readSitemapIndex(const QString &text)
{
    Walker walker(text);
    walker.toRoot();
    QStringList parts;
    walker.children([&] {
        if (!walker.is(SitemapNs, QLatin1StringView("sitemap"))) {
            walker.skip();
            return;
        }
        QString loc;
        walker.children([&] {
            if (loc.isEmpty() && walker.is(SitemapNs, QLatin1StringView("loc")))
                loc = walker.text().trimmed();
            else
                walker.skip();
        });
        if (!loc.isEmpty())
            parts << loc;
    });
    walker.toEnd();
    return parts;
}

} // namespace FeedFormats
