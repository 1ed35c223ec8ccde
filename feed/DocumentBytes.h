#pragma once
#include <QByteArray>
#include <QString>
#include <memory>

namespace Gzip {
class Inflater;
}

// A downloaded document's bytes, handed out piece by piece and unpacked as
// they are taken when compressed: the unpacked bytes count against the web
// client's limit as they come, and a long sitemap is never held whole.
class DocumentBytes {
public:
    explicit DocumentBytes(const QByteArray &bytes);
    ~DocumentBytes();
    DocumentBytes(const DocumentBytes &) = delete;
    DocumentBytes &operator=(const DocumentBytes &) = delete;

    // The next piece; empty at the end. A damaged or oversized compressed
    // document throws AppError.
    QByteArray next();

    // A whole (unpacked) document's text as the streaming readers take it. A
    // document type whose entities expand too far throws AppError.
    static QString text(const QByteArray &bytes);
    // True when the document's head shows a sitemap without a document type.
    // Anything else, or a head that cannot be read, takes the road of the
    // whole text, which says why; so does a document type, whose entities are
    // measured over the whole text before anything is parsed.
    static bool headIsSitemap(const QByteArray &bytes);

private:
    QByteArray m_bytes;
    std::unique_ptr<Gzip::Inflater> m_inflater;
    qsizetype m_at = 0;
};
