#pragma once
#include <QString>

// The directory of the executable with a trailing "/".
QString programDirOf(const QString &executablePath);
