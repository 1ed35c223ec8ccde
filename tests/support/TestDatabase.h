#pragma once
#include <QByteArray>
#include <QString>

// Database files for tests, made and filled with raw SQLite calls so that the
// store layer under test plays no part in preparing them.
namespace TestDatabase {

// Creates the file at `path` (which must not exist yet) and runs every
// statement of the schema file in it. Returns false, with a warning that says
// why, when anything fails.
bool createFromSchema(const QString &path, const QString &schemaFile);

// Runs `sql` (any number of statements, bytes passed to SQLite unchanged) on
// the file at `path`. Returns false, with a warning, when anything fails.
bool execRaw(const QString &path, const QByteArray &sql);

#ifdef WEXLY_SOURCE_DIR
inline QString schemaFile()
{
    return QStringLiteral(WEXLY_SOURCE_DIR "/store/schema.sql");
}

// A file named `name` in `directory` with the program's tables; the empty
// text when it could not be made.
inline QString create(const QString &directory, const QString &name = QStringLiteral("database.db"))
{
    const QString path = directory + QLatin1Char('/') + name;
    return createFromSchema(path, schemaFile()) ? path : QString();
}
#endif

} // namespace TestDatabase
