#include "feed/DocumentBytes.h"

#include "feed/FeedDocument.h"
#include "feed/FeedFormats.h"
#include "feed/Gzip.h"
#include "platform/Errors.h"
#include "platform/WebClient.h"
#include "platform/XmlLimits.h"

DocumentBytes::DocumentBytes(const QByteArray &bytes) : m_bytes(bytes)
{
    if (Gzip::isCompressed(bytes))
        m_inflater = std::make_unique<Gzip::Inflater>(bytes, WebClient::DefaultMaxBodySize);
}

DocumentBytes::~DocumentBytes() = default;

QByteArray DocumentBytes::next()
{
    constexpr qsizetype Piece = 256 * 1024;
    if (m_inflater)
        return m_inflater->read(Piece);
    const QByteArray piece = m_bytes.mid(m_at, Piece);
    m_at += piece.size();
    return piece;
}

QString DocumentBytes::text(const QByteArray &bytes)
{
    QString text = FeedDocument::translateHtmlEntities(FeedDocument::decode(bytes));
    // Even finding the root reads the document type, parameter entities and all.
    if (XmlLimits::expandsTooFar(text))
        throw AppError(XmlLimits::refusal(text));
    return text;
}

bool DocumentBytes::headIsSitemap(const QByteArray &bytes)
{
    try {
        DocumentBytes source(bytes);
        FeedDocument::TextPieces pieces([&source] { return source.next(); });
        const QString head = pieces.next();
        return !head.contains(QLatin1StringView("<!DOCTYPE"))
            && FeedFormats::recognise(head) == FeedFormats::Kind::Sitemap;
    } catch (const AppError &) {
        return false;
    }
}
