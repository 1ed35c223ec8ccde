#include "common/ProgramPaths.h"

#include <QFileInfo>

QString programDirOf(const QString &executablePath)
{
    QString dir = QFileInfo(executablePath).absolutePath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}
