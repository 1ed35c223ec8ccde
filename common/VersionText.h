#pragma once
#include <QString>

// The version text of the program file at path, from the version record the
// build placed in it: "1.0.0 build 29", followed by the set flags in
// parentheses ("2.1.0 build 7 (debug pre-release)"). "?" when the file cannot
// be read or holds no record. Callers pass the running executable's path.
QString GetVersionString(const QString &path);
