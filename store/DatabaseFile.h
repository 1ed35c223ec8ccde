#pragma once
#include <QString>

// Makes a new store file at databasePath from the statements of schemaPath.
// The file is written under a scratch name and appears under its own name only
// when complete; an existing file is never replaced (nothing is done when one
// is already there). Throws ESQLiteException when the schema cannot be read or
// run, or the file cannot be written.
void createDatabaseFile(const QString &schemaPath, const QString &databasePath);
