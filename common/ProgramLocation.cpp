#include "common/ProgramLocation.h"

#include "common/ProgramPaths.h"
#include "platform/Errors.h"
#include "store/DatabaseFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ProgramLocation {

namespace {
QString withSlash(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

// Makes dir, and every missing folder above it, for its owner alone (0700):
// the store in it holds the push tokens. A folder already there keeps its mode.
bool makePrivateFolder(const QString &dir)
{
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).absolutePath();
    if (parent == path || !makePrivateFolder(parent))
        return false;
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (!QDir().mkdir(path, ownerOnly))
        return QFileInfo(path).isDir();
    // The umask only takes bits away; an odd one may have taken the owner's.
    QFile::setPermissions(path, ownerOnly);
    return true;
}

// Copies one default file into the user's folder unless a file of that name is
// there already. The copy is the user's own to edit, whatever the
// installed file's permissions.
void copyDefault(const QString &defaultsDir, const QString &dir, const QString &name)
{
    const QString target = dir + name;
    if (QFileInfo::exists(target))
        return;
    const QString source = defaultsDir + name;
    QFile file(source);
    // QFile::copy writes aside and renames, and never replaces an existing file.
    if (!file.copy(target)) {
        if (QFileInfo::exists(target))
            return;
        throw AppError(QStringLiteral("无法把 %1 复制到 %2：%3").arg(source, target, file.errorString()));
    }
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
} // namespace

QString programDirFor(const QString &executablePath)
{
    const QString own = programDirOf(executablePath);
    if (isPortableDir(own))
        return own;
    const QString dir = userDataDirFor(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    fillUserDataDir(dir, installedDefaultsDirFor(executablePath));
    return dir;
}

bool isPortableDir(const QString &dir)
{
    const QDir folder(dir);
    const bool hasData = QFileInfo::exists(folder.filePath(QStringLiteral("config.ini")))
        || QFileInfo::exists(folder.filePath(QStringLiteral("database.db")));
    return hasData && QFileInfo(folder.absolutePath()).isWritable();
}

QString userDataDirFor(const QString &xdgDataHome, const QString &home)
{
    QString dataHome = xdgDataHome;
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = home + QStringLiteral("/.local/share");
    return withSlash(QDir::cleanPath(dataHome + QStringLiteral("/wexly")));
}

QString installedDefaultsDirFor(const QString &executablePath)
{
    const QString binDir = QFileInfo(executablePath).absolutePath();
    return withSlash(QDir::cleanPath(binDir + QStringLiteral("/../share/wexly")));
}

void fillUserDataDir(const QString &dir, const QString &defaultsDir)
{
    if (!makePrivateFolder(dir))
        throw AppError(QStringLiteral("无法创建数据文件夹 %1").arg(dir));
    const QString folder = withSlash(dir);
    const QString defaults = withSlash(defaultsDir);
    copyDefault(defaults, folder, QStringLiteral("config.ini"));
    copyDefault(defaults, folder, QStringLiteral("help.xml"));
    createDatabaseFile(defaults + QStringLiteral("schema.sql"), folder + QStringLiteral("database.db"));
}

QString helpFileFor(const QString &programDir, const QString &executablePath)
{
    const QString own = programDir + QStringLiteral("help.xml");
    if (QFileInfo::exists(own))
        return own;
    const QString installed = installedDefaultsDirFor(executablePath) + QStringLiteral("help.xml");
    return QFileInfo::exists(installed) ? installed : own;
}

} // namespace ProgramLocation
