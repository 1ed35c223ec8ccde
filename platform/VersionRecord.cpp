#include "platform/VersionRecord.h"

#include "BuildVersion.h"

#include <QFile>
#include <QtEndian>
#include <array>

namespace {

// Marker (16) + signature (4) + four numbers (8) + mask and flags (8) + checksum (4).
constexpr qsizetype RecordSize = 40;
constexpr char Marker[] = "WEXLY_VERSION_R1";
constexpr qsizetype MarkerSize = sizeof(Marker) - 1;
constexpr quint32 Signature = 0xFEEF04BDu;
static_assert(MarkerSize == 16);

using RecordBytes = std::array<unsigned char, RecordSize>;

constexpr void put16(RecordBytes &bytes, int at, quint16 value)
{
    bytes[at] = static_cast<unsigned char>(value & 0xFF);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

constexpr void put32(RecordBytes &bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// FNV-1a over everything before the checksum.
constexpr quint32 checksumOf(const unsigned char *bytes)
{
    quint32 hash = 2166136261u;
    for (qsizetype i = 0; i < RecordSize - 4; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

constexpr RecordBytes makeRecord(quint16 major, quint16 minor, quint16 release, quint16 build,
                                 quint32 mask, quint32 flags)
{
    RecordBytes bytes{};
    for (qsizetype i = 0; i < MarkerSize; ++i)
        bytes[i] = static_cast<unsigned char>(Marker[i]);
    put32(bytes, 16, Signature);
    put16(bytes, 20, major);
    put16(bytes, 22, minor);
    put16(bytes, 24, release);
    put16(bytes, 26, build);
    put32(bytes, 28, mask);
    put32(bytes, 32, flags);
    put32(bytes, 36, checksumOf(bytes.data()));
    return bytes;
}

constexpr quint32 AllFlags = VersionRecord::Debug | VersionRecord::PreRelease | VersionRecord::Patched
    | VersionRecord::PrivateBuild | VersionRecord::SpecialBuild;

// The record in the executable. "used" and "retain" keep the compiler and the
// linker from dropping it although no code reads this variable's bytes for the
// version text: that is read back from the file.
#if defined(__GNUC__) || defined(__clang__)
#define WEXLY_KEEP __attribute__((used, retain))
#else
#define WEXLY_KEEP
#endif
WEXLY_KEEP alignas(8) const RecordBytes embeddedRecord =
    makeRecord(WEXLY_VERSION_MAJOR, WEXLY_VERSION_MINOR, WEXLY_VERSION_PATCH, WEXLY_VERSION_BUILD,
               AllFlags, WEXLY_VERSION_FLAGS);

std::optional<VersionRecord> decodeAt(const char *data)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    if (qFromLittleEndian<quint32>(bytes + 16) != Signature
        || qFromLittleEndian<quint32>(bytes + 36) != checksumOf(bytes))
        return std::nullopt;
    VersionRecord record;
    record.major = qFromLittleEndian<quint16>(bytes + 20);
    record.minor = qFromLittleEndian<quint16>(bytes + 22);
    record.release = qFromLittleEndian<quint16>(bytes + 24);
    record.build = qFromLittleEndian<quint16>(bytes + 26);
    record.flagsMask = qFromLittleEndian<quint32>(bytes + 28);
    record.flags = qFromLittleEndian<quint32>(bytes + 32);
    return record;
}

} // namespace

VersionRecord builtInVersionRecord()
{
    return *decodeAt(reinterpret_cast<const char *>(embeddedRecord.data()));
}

QByteArray encodeVersionRecord(const VersionRecord &record)
{
    const RecordBytes bytes = makeRecord(record.major, record.minor, record.release, record.build,
                                         record.flagsMask, record.flags);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), RecordSize);
}

std::optional<VersionRecord> readVersionRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The file is read in pieces; a record may straddle two of them, so the
    // unsearched tail of each piece is carried over to the next.
    constexpr qint64 PieceSize = 1 << 20;
    const QByteArrayView marker(Marker, MarkerSize);
    QByteArray window;
    for (;;) {
        const QByteArray piece = file.read(PieceSize);
        if (piece.isEmpty())
            return std::nullopt;
        window += piece;
        qsizetype from = 0;
        qsizetype keepFrom = qMax<qsizetype>(0, window.size() - (RecordSize - 1));
        for (;;) {
            const qsizetype at = window.indexOf(marker, from);
            if (at < 0)
                break;
            if (at + RecordSize > window.size()) {
                keepFrom = qMin(keepFrom, at);
                break;
            }
            if (auto record = decodeAt(window.constData() + at))
                return record;
            from = at + 1;
        }
        window.remove(0, keepFrom);
    }
}
