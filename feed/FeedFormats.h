#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

// The lists of addresses a site publishes besides RSS 2.0: Atom 1.0, RSS 1.0,
// sitemaps and sitemap indexes. Each is read with a streaming reader, so a
// sitemap of 50,000 addresses never becomes a document tree. The readers take
// the document's text (decoded, HTML entities translated) and throw AppError
// for anything they cannot read, elements nested deeper than XmlLimits allows
// included; they return only once the whole document has been read.
namespace FeedFormats {

enum class Kind {
    Rss,          // root "rss": the RSS 2.0 road
    Atom,         // "feed" in the Atom namespace
    Rss1,         // "RDF" in the RDF namespace
    Sitemap,      // "urlset" in the sitemap namespace
    SitemapIndex, // "sitemapindex" in the sitemap namespace
    Html,         // an (X)HTML page: look for the site's lists in it
    Other,        // any other root: read as RSS, as always
    Unreadable,   // no root element could be read
};

// The kind of document, from its root element.
Kind recognise(const QString &text);

struct Entry {
    int child; // position among the root's children, for the progress text
    QString title;
    QString link;
};

struct AddressList {
    QString siteName; // feeds only
    QString siteUrl;  // feeds only; may be empty
    int children = 0; // nodes under the root, counted as the RSS import counts a channel's
    std::vector<Entry> entries;
};

// Atom: the feed's title and its alternate link, each entry's title (html and
// xhtml as their plain text, HtmlText::plainText) and alternate link, relative links resolved against
// xml:base and the document's own address. A missing link is left empty.
AddressList readAtom(const QString &text, const QUrl &documentAddress);
// RSS 1.0: channel title and link; the items beside the channel. A missing
// title falls back to dc:title.
AddressList readRss1(const QString &text);
// Sitemap: every url's loc, with its news or image title when it has one;
// url entries without a loc are skipped.
AddressList readSitemap(const QString &text);
// Sitemap index: every sitemap's loc, in document order.
QStringList readSitemapIndex(const QString &text);

} // namespace FeedFormats
