#include "store/DatabaseFile.h"

#include "store/SQLiteDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {
// Closes the connection and removes the scratch file unless told it is kept.
struct ScratchDatabase {
    QString path;
    sqlite3 *db = nullptr;
    bool keep = false;
    ~ScratchDatabase()
    {
        sqlite3_close(db);
        if (!keep)
            QFile::remove(path);
    }
};
} // namespace

void createPrivateFile(const QString &path)
{
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
        // The umask only takes bits away; an odd one may have taken the owner's.
        file.setPermissions(ownerOnly);
    }
}

void createDatabaseFile(const QString &schemaPath, const QString &databasePath)
{
    if (QFileInfo::exists(databasePath))
        return;
    QFile schemaFile(schemaPath);
    if (!schemaFile.open(QIODevice::ReadOnly))
        throw ESQLiteException(QStringLiteral("无法读取 %1：%2").arg(schemaPath, schemaFile.errorString()));
    const QByteArray schema = schemaFile.readAll();

    ScratchDatabase scratch;
    scratch.path = databasePath + QStringLiteral(".new");
    // A scratch file left by an interrupted attempt is started afresh.
    QFile::remove(scratch.path);
    createPrivateFile(scratch.path);
    if (sqlite3_open_v2(QFile::encodeName(scratch.path).constData(), &scratch.db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK)
        throw ESQLiteException(QStringLiteral("无法创建 %1：%2")
                                   .arg(databasePath, QString::fromUtf8(sqlite3_errmsg(scratch.db))));
    char *error = nullptr;
    if (sqlite3_exec(scratch.db, schema.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(scratch.db));
        sqlite3_free(error);
        throw ESQLiteException(QStringLiteral("无法创建 %1：%2").arg(databasePath, message));
    }
    if (sqlite3_close(scratch.db) != SQLITE_OK) {
        scratch.db = nullptr;
        throw ESQLiteException(QStringLiteral("无法创建 %1").arg(databasePath));
    }
    scratch.db = nullptr;
    // QFile::rename never replaces an existing file: one made meanwhile stays.
    if (QFile::rename(scratch.path, databasePath))
        scratch.keep = true;
    else if (!QFileInfo::exists(databasePath))
        throw ESQLiteException(QStringLiteral("无法创建 %1").arg(databasePath));
}
