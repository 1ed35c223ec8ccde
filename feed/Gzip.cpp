#include "feed/Gzip.h"

#include <zlib.h>

#include <limits>

namespace Gzip {

bool isCompressed(const QByteArray &bytes)
{
    return bytes.size() >= 2 && uchar(bytes.at(0)) == 0x1f && uchar(bytes.at(1)) == 0x8b;
}

QByteArray decompress(const QByteArray &bytes, qint64 maxSize)
{
    z_stream stream{};
    // 16 + MAX_WBITS: a gzip header and trailer around the deflate data.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        throw AppError(QStringLiteral("Cannot unpack the document"));
    struct End {
        z_stream &s;
        ~End() { inflateEnd(&s); }
    } end{stream};

    const auto tooLarge = [maxSize] {
        // The same words as the web client's limit on a response body.
        return TooLarge(QStringLiteral("Response body larger than %1 bytes").arg(maxSize));
    };

    QByteArray out;
    const qint64 step = 256 * 1024;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    qint64 inputLeft = bytes.size();
    stream.avail_in = 0;
    for (;;) {
        if (stream.avail_in == 0 && inputLeft > 0) {
            const uInt piece = uInt(qMin<qint64>(inputLeft, std::numeric_limits<uInt>::max()));
            stream.avail_in = piece;
            inputLeft -= piece;
        }
        // One byte beyond the limit is room enough to see it is passed.
        const qint64 room = qMin(step, maxSize + 1 - out.size());
        const qsizetype before = out.size();
        out.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + before);
        stream.avail_out = uInt(room);
        const int result = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + (room - stream.avail_out));
        if (out.size() > maxSize)
            throw tooLarge();
        if (result == Z_STREAM_END) {
            // Another member may follow (concatenated gzip files).
            if (stream.avail_in == 0 && inputLeft == 0)
                break;
            if (!isCompressed(QByteArray::fromRawData(reinterpret_cast<const char *>(stream.next_in),
                                                      qMin<qsizetype>(stream.avail_in, 2))))
                break; // trailing bytes after the data are ignored, as gzip does
            if (inflateReset(&stream) != Z_OK)
                throw AppError(QStringLiteral("Cannot unpack the document"));
            continue;
        }
        if (result == Z_BUF_ERROR && stream.avail_in == 0 && inputLeft == 0)
            throw AppError(QStringLiteral("The compressed document is cut off"));
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw AppError(QStringLiteral("The compressed document is damaged"));
    }
    out.squeeze();
    return out;
}

} // namespace Gzip
