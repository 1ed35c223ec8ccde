#pragma once
#include <QString>

// The directory of the executable with a trailing "/".
QString programDirOf(const QString &executablePath);
// The executable's file name without its directory.
QString programFileNameOf(const QString &executablePath);
