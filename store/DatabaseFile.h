#pragma once
#include <QString>

// Makes a new store file at databasePath from the statements of schemaPath.
// The file is written under a scratch name and appears under its own name only
// when complete; an existing file is never replaced (nothing is done when one
// is already there). Throws ESQLiteException when the schema cannot be read or
// run, or the file cannot be written.
void createDatabaseFile(const QString &schemaPath, const QString &databasePath);

// Makes an empty file at path that only its owner may read and write, whatever
// the umask (a store holds the push tokens). An existing file keeps its mode;
// a file that cannot be made is left for the caller's own open to report.
void createPrivateFile(const QString &path);
