#include "support/TestDatabase.h"

#include <QFile>
#include <QtDebug>

#include <sqlite3.h>

namespace TestDatabase {

bool execRaw(const QString &path, const QByteArray &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        qWarning() << "cannot open" << path << (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return false;
    }
    char *error = nullptr;
    const bool ok = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        qWarning() << "statement failed on" << path << ":" << (error ? error : "error");
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

bool createFromSchema(const QString &path, const QString &schemaFile)
{
    if (QFile::exists(path)) {
        qWarning() << "test database already exists:" << path;
        return false;
    }
    QFile schema(schemaFile);
    if (!schema.open(QIODevice::ReadOnly)) {
        qWarning() << "cannot read schema" << schemaFile << schema.errorString();
        return false;
    }
    // Owner-only, as the program makes a store.
    return execRaw(path, schema.readAll())
        && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace TestDatabase
