#include "platform/ExportTarget.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace ExportTarget {
namespace {

const char *const OwnNames[] = {"database.db", "config.ini", "rssurl.txt", "site.txt", "rss.xml", "help.xml"};
const char *const LockSuffixes[] = {"-journal", "-wal", "-shm", ".lock"};

// The same file, however it is named (links, "..", a second hard link).
bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

bool isStore(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QByteArray header("SQLite format 3\0", 16);
    return file.read(header.size()) == header;
}

// The folder a path names a file in, with links resolved, when it exists.
QString folderOf(const QString &path)
{
    return QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
}

} // namespace

bool isOwnFile(const QString &path, const QString &programDir)
{
    const QString name = QFileInfo(path).fileName();
    for (const char *suffix : LockSuffixes) {
        if (name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    const QString folder = QDir(programDir).canonicalPath();
    const bool inProgramDir = !folder.isEmpty() && folderOf(path) == folder;
    for (const char *own : OwnNames) {
        const QString ownName = QString::fromLatin1(own);
        if (inProgramDir && name == ownName)
            return true;
        if (sameFile(path, QDir(programDir).filePath(ownName)))
            return true;
    }
    return isStore(path);
}

void refuseOwnFile(const QString &path, const QString &programDir)
{
    if (isOwnFile(path, programDir))
        throw AppError(QStringLiteral("不能覆盖程序自身的文件：") + path);
}

QString failureMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("无法写入文件：") + path + QLatin1Char(' ') + reason;
}

} // namespace ExportTarget
