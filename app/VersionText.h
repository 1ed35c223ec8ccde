#pragma once
#include <QString>

// The version text of the program file at path, e.g. "1.0.0 build 29". For now
// it renders the record the build compiles in; reading the record from the
// file itself comes with the update check.
QString versionTextOf(const QString &path);
