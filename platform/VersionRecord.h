#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The program's version record. The build places one in the executable itself
// (from the project version in CMakeLists.txt), behind a marker, so that the
// version can be read from the program file without running it.
struct VersionRecord {
    enum Flag : quint32 {
        Debug = 0x01,
        PreRelease = 0x02,
        Patched = 0x04,
        PrivateBuild = 0x08,
        SpecialBuild = 0x20,
    };

    quint16 major = 0;
    quint16 minor = 0;
    quint16 release = 0;
    quint16 build = 0;
    // Which bits of flags the record declares as meaningful; flags themselves.
    quint32 flagsMask = 0;
    quint32 flags = 0;

    friend bool operator==(const VersionRecord &, const VersionRecord &) = default;
};

// The record this build compiled in.
VersionRecord builtInVersionRecord();

// The bytes of a record as they lie in the executable: the marker, a
// signature, the fields in little-endian order and a checksum.
QByteArray encodeVersionRecord(const VersionRecord &record);

// Finds the first intact record in the file at path. Nothing when the file
// cannot be read or holds no record (a marker without a valid record after it
// does not count).
std::optional<VersionRecord> readVersionRecord(const QString &path);
