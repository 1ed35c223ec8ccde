#pragma once
#include "platform/Errors.h"

#include <QByteArray>

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

} // namespace Gzip
