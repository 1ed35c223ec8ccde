#include "app/VersionText.h"

#include "BuildVersion.h"

QString versionTextOf(const QString &)
{
    return QStringLiteral("%1.%2.%3 build %4")
        .arg(WEXLY_VERSION_MAJOR)
        .arg(WEXLY_VERSION_MINOR)
        .arg(WEXLY_VERSION_PATCH)
        .arg(WEXLY_VERSION_BUILD);
}
