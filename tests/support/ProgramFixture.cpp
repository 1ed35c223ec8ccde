#include "ProgramFixture.h"

#include "common/ProgramPaths.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TMainFrm.h"

#include "platform/Codepage.h"
#include "platform/VersionRecord.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

#ifndef WEXLY_SCHEMA_PATH
#define WEXLY_SCHEMA_PATH ""
#endif

ProgramFixture::ProgramFixture() : m_previousDir(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    context.dialogs = &dialogs;
    context.guard = &guard;
    context.settings = &settings;
    context.executablePath = dir() + QStringLiteral("wexly");
    // Always the temporary folder, never the user's data folder.
    context.locateProgramDir = programDirOf;
    context.isOnline = [this] { return online; };
    context.openInBrowser = [this](const QString &address) { openedAddresses << address; };
    // The program file carries the version record, as the real one does.
    writeFile(QStringLiteral("wexly"), encodeVersionRecord(builtInVersionRecord()));
    // Windows shown online load the banner: from a closed local port unless a test serves it.
    settings.hosts.banner = QStringLiteral("127.0.0.1:9");
}

ProgramFixture::~ProgramFixture()
{
    m_main.reset();
    QDir::setCurrent(m_previousDir);
}

void ProgramFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write test file");
    file.write(bytes);
}

QByteArray ProgramFixture::readFile(const QString &name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void ProgramFixture::createDatabase() const
{
    QFile schema(QStringLiteral(WEXLY_SCHEMA_PATH));
    if (!schema.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read schema.sql");
    exec(QString::fromUtf8(schema.readAll()));
    // Owner-only, as the program makes a store.
    QFile::setPermissions(path(QStringLiteral("database.db")), QFile::ReadOwner | QFile::WriteOwner);
}

void ProgramFixture::exec(const QString &sql) const
{
    sqlite3 *db = nullptr;
    sqlite3_open(path(QStringLiteral("database.db")).toUtf8().constData(), &db);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, Codepage::toLegacy(sql).constData(), nullptr, nullptr, &error);
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("test statement failed");
}

TMainFrm *ProgramFixture::createWindows()
{
    m_main = createProgramWindows(context);
    return m_main.get();
}

QMainWindow *ProgramFixture::createMainWindow()
{
    return createWindows();
}
