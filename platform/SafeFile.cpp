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

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString failureMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Unable to write to ") + path + QStringLiteral(": ") + reason;
}

Writer::Writer(const QString &path, MessageFor message)
    : m_path(path), m_message(message), m_file(std::make_unique<QSaveFile>(path))
{
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(m_file->errorString());
}

// An uncommitted QSaveFile removes its temporary file when it goes.
Writer::~Writer() = default;

void Writer::write(const QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    // Written with the system's calls: QFileDevice reports a refused write
    // (a full disk) as "Unknown error", and a small content that waited in
    // its buffer could even be renamed in place empty.
    const int fd = m_file->handle();
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(systemReason(n < 0 ? errno : ENOSPC));
        data += n;
        left -= n;
    }
#else
    if (m_file->write(bytes) != bytes.size())
        fail(m_file->errorString());
#endif
}

void Writer::commit()
{
#ifdef Q_OS_UNIX
    // commit() syncs too but ignores the result; a file system that allocates
    // late (network, compressed) reports a full disk only here.
    if (::fsync(m_file->handle()) != 0 && errno != EINVAL && errno != ENOTSUP)
        fail(systemReason(errno));
#else
    if (!m_file->flush())
        fail(m_file->errorString());
#endif
    if (!m_file->commit())
        fail(m_file->errorString());
}

void Writer::fail(QString reason)
{
    // Some failures reach QFileDevice without a text of their own.
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("the system gave no reason");
    m_file->cancelWriting();
    throw AppError(m_message(m_path, reason));
}

void write(const QString &path, const QByteArray &bytes)
{
    Writer file(path);
    file.write(bytes);
    file.commit();
}

} // namespace SafeFile
