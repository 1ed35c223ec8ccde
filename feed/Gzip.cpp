#include "feed/Gzip.h"

#include <zlib.h>

#include <limits>

namespace Gzip {

bool isCompressed(const QByteArray &bytes)
{
    return bytes.size() >= 2 && uchar(bytes.at(0)) == 0x1f && uchar(bytes.at(1)) == 0x8b;
}

struct Inflater::Stream {
    z_stream z{};
};

Inflater::Inflater(const QByteArray &packed, qint64 maxSize)
    : m_packed(packed), m_maxSize(maxSize), m_stream(std::make_unique<Stream>())
{
    // 16 + MAX_WBITS: a gzip header and trailer around the deflate data.
    if (inflateInit2(&m_stream->z, 16 + MAX_WBITS) != Z_OK)
        throw AppError(QStringLiteral("Cannot unpack the document"));
    m_stream->z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(m_packed.constData()));
    m_stream->z.avail_in = 0;
    m_inputLeft = m_packed.size();
}

Inflater::~Inflater()
{
    inflateEnd(&m_stream->z);
}

QByteArray Inflater::read(qint64 most)
{
    z_stream &stream = m_stream->z;
    QByteArray out;
    while (!m_done && out.size() < most) {
        if (stream.avail_in == 0 && m_inputLeft > 0) {
            const uInt piece = uInt(qMin<qint64>(m_inputLeft, std::numeric_limits<uInt>::max()));
            stream.avail_in = piece;
            m_inputLeft -= piece;
        }
        // One byte beyond the limit is room enough to see it is passed.
        const qint64 room = qMin(most - out.size(), m_maxSize + 1 - m_given);
        const qsizetype before = out.size();
        out.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + before);
        stream.avail_out = uInt(room);
        const int result = inflate(&stream, Z_NO_FLUSH);
        const qint64 produced = room - stream.avail_out;
        out.resize(before + produced);
        m_given += produced;
        if (m_given > m_maxSize) {
            // The same words as the web client's limit on a response body.
            throw TooLarge(QStringLiteral("Response body larger than %1 bytes").arg(m_maxSize));
        }
        if (result == Z_STREAM_END) {
            // Another member may follow (concatenated gzip files).
            if (stream.avail_in == 0 && m_inputLeft == 0) {
                m_done = true;
            } else if (!isCompressed(QByteArray::fromRawData(reinterpret_cast<const char *>(stream.next_in),
                                                             qMin<qsizetype>(stream.avail_in, 2)))) {
                m_done = true; // trailing bytes after the data are ignored, as gzip does
            } else if (inflateReset(&stream) != Z_OK) {
                throw AppError(QStringLiteral("Cannot unpack the document"));
            }
            continue;
        }
        if (result == Z_BUF_ERROR && stream.avail_in == 0 && m_inputLeft == 0)
            throw AppError(QStringLiteral("The compressed document is cut off"));
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw AppError(QStringLiteral("The compressed document is damaged"));
    }
    return out;
}

QByteArray decompress(const QByteArray &bytes, qint64 maxSize)
{
    Inflater inflater(bytes, maxSize);
    QByteArray out;
    for (;;) {
        const QByteArray piece = inflater.read(256 * 1024);
        if (piece.isEmpty())
            break;
        out += piece;
    }
    out.squeeze();
    return out;
}

} // namespace Gzip
