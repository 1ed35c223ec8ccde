#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

// Finding a site's feed or sitemap from what its home page and robots.txt say.
namespace FeedDiscovery {

// True when the bytes begin (after a byte-order mark, blanks and comments)
// with an HTML document type or an <html> tag.
bool looksLikeHtml(const QByteArray &bytes);

// The href of the first <link rel="alternate"> of type application/rss+xml or
// application/atom+xml in the page, resolved against the page's address;
// empty when there is none. Links inside comments do not count.
QString feedLink(const QByteArray &page, const QUrl &pageAddress);

// The first "Sitemap:" line of a robots.txt, resolved against its address;
// empty when there is none.
QString robotsSitemap(const QByteArray &robots, const QUrl &robotsAddress);

// scheme://host[:port]/ of an address, with `path` in place of "/".
QString siteRoot(const QUrl &address, const QString &path = QStringLiteral("/"));

} // namespace FeedDiscovery
