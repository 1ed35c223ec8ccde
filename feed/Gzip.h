#pragma once
#include "platform/Errors.h"

#include <QByteArray>
#include <memory>

// gzip-compressed documents (sitemap parts are often served as .xml.gz).
namespace Gzip {

// The unpacked document outgrew the size a response body may have.
class TooLarge : public AppError {
public:
    using AppError::AppError;
};

// True when the bytes start with the gzip magic bytes 1f 8b.
bool isCompressed(const QByteArray &bytes);

// Unpacks every gzip member in turn. More than maxSize unpacked bytes throws
// TooLarge with the web client's size message before they are held: a small
// body that unpacks to gigabytes costs no more memory than the limit. A
// damaged or cut-off stream throws AppError.
QByteArray decompress(const QByteArray &bytes, qint64 maxSize);

// The same, piece by piece, for a reader that consumes the document as it is
// unpacked: the limit counts every unpacked byte handed out.
class Inflater {
public:
    Inflater(const QByteArray &packed, qint64 maxSize);
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Up to `most` more unpacked bytes; empty once the document is done.
    QByteArray read(qint64 most);

private:
    struct Stream;
    QByteArray m_packed;
    qint64 m_maxSize;
    std::unique_ptr<Stream> m_stream;
    qint64 m_inputLeft = 0;
    qint64 m_given = 0;
    bool m_done = false;
};

} // namespace Gzip
