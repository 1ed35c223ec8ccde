#include "platform/SafeFile.h"

#include "platform/Errors.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace SafeFile {
namespace {

[[noreturn]] void fail(const QString &path, QString reason)
{
    // Some failures reach QFileDevice without a text of their own.
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("the system gave no reason");
    throw AppError(failureMessage(path, reason));
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString failureMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Unable to write to ") + path + QStringLiteral(": ") + reason;
}

void write(const QString &path, const QByteArray &bytes)
{
    // An uncommitted QSaveFile removes its temporary file when it goes, so
    // every throw below leaves the folder as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(path, file.errorString());
#ifdef Q_OS_UNIX
    // Written with the system's calls: QFileDevice reports a refused write
    // (a full disk) as "Unknown error", and a small content that waited in
    // its buffer could even be renamed in place empty.
    const int fd = file.handle();
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(path, systemReason(n < 0 ? errno : ENOSPC));
        data += n;
        left -= n;
    }
    // commit() syncs too but ignores the result; a file system that allocates
    // late (network, compressed) reports a full disk only here.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        fail(path, systemReason(errno));
#else
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail(path, file.errorString());
#endif
    if (!file.commit())
        fail(path, file.errorString());
}

} // namespace SafeFile
