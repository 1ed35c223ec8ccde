#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

// What a page says to crawlers about itself, read with an HTML5 parser.
struct HtmlSignals {
    // A <meta name> of "robots" or one of the crawler's names whose content
    // holds "noindex" or "none".
    bool noindex = false;
    // The first <link rel="canonical" href>, resolved against the document's
    // base (its <base href>, else the page's address); empty when none.
    QString canonical;
};

namespace PageSignals {

// Whether an answer with this Content-Type (and, without one, this body) is HTML.
bool isHtml(const QByteArray &contentType, const QByteArray &body);

// Reads the page. agentNames: the crawler's names, matched without case.
HtmlSignals readHtml(const QByteArray &body, const QByteArray &contentType, const QUrl &pageUrl,
                     const QStringList &agentNames);

// Whether X-Robots-Tag header values forbid indexing: "noindex" or "none"
// for all crawlers, or after one of agentNames and ":" ("baiduspider: noindex").
bool headerNoindex(const QList<QByteArray> &values, const QStringList &agentNames);

} // namespace PageSignals
