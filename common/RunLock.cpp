#include "common/RunLock.h"

#include "platform/Errors.h"

#include <QDir>
#include <QLockFile>

RunLock::RunLock(Kind kind, const QString &programDir)
    : m_kind(kind), m_file(std::make_unique<QLockFile>(QDir(programDir).filePath(fileName(kind))))
{
    // A run holds its lock for hours; only a dead owner makes the file stale,
    // never its age.
    m_file->setStaleLockTime(0);
}

RunLock::~RunLock() = default;

bool RunLock::tryLock()
{
    if (m_file->isLocked() || m_file->tryLock(0))
        return true;
    if (m_file->error() == QLockFile::LockFailedError)
        return false;
    // Not another run: the folder takes no file (a store there could not be written either).
    throw AppError(QStringLiteral("Unable to write to ") + m_file->fileName() + QStringLiteral(": ")
                   + (m_file->error() == QLockFile::PermissionError ? QStringLiteral("Permission denied")
                                                                     : QStringLiteral("Unknown error")));
}

bool RunLock::isLocked() const
{
    return m_file->isLocked();
}

void RunLock::unlock()
{
    m_file->unlock();
}

QString RunLock::runName(Kind kind)
{
    switch (kind) {
    case Kind::Ping: return QStringLiteral("批量Ping");
    case Kind::IndexCheck: return QStringLiteral("批量检测收录");
    case Kind::Push: return QStringLiteral("批量推送");
    case Kind::Audit: return QStringLiteral("收录诊断");
    case Kind::Fetch: return QStringLiteral("获取Rss");
    }
    return {};
}

QString RunLock::busyText(Kind kind)
{
    return QStringLiteral("另一个程序正在执行") + runName(kind) + QStringLiteral("，请稍后再试");
}

QString RunLock::fileName(Kind kind)
{
    switch (kind) {
    case Kind::Ping: return QStringLiteral("ping.lock");
    case Kind::IndexCheck: return QStringLiteral("check.lock");
    case Kind::Push: return QStringLiteral("push.lock");
    case Kind::Audit: return QStringLiteral("audit.lock");
    case Kind::Fetch: return QStringLiteral("fetch.lock");
    }
    return {};
}
