#pragma once
// A second process that holds the store's write lock: the test executable
// itself, started again with WEXLY_HOLD_STORE_LOCK="<file>;<msecs>". A test
// whose main calls StoreLockHolder::runIfAsked() first can start one.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

namespace StoreLockHolder {

// In the copy: locks the file, says "locked", holds the lock, ends. False in
// the test itself.
inline bool runIfAsked(int &status)
{
    const QByteArray request = qgetenv("WEXLY_HOLD_STORE_LOCK");
    if (request.isEmpty())
        return false;
    const qsizetype cut = request.lastIndexOf(';');
    sqlite3 *db = nullptr;
    sqlite3_open(request.left(cut).constData(), &db);
    status = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : 2;
    if (status == 0) {
        std::puts("locked");
        std::fflush(stdout);
        QThread::msleep(request.mid(cut + 1).toULong());
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return true;
}

// Starts the copy and returns once it holds the lock (null if it could not).
inline std::unique_ptr<QProcess> start(const QString &file, int msecs)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WEXLY_HOLD_STORE_LOCK"), file + u';' + QString::number(msecs));
    process->setProcessEnvironment(environment);
    process->start(QCoreApplication::applicationFilePath(), {});
    while (process->waitForReadyRead(10000)) {
        if (process->readAllStandardOutput().contains("locked"))
            return process;
    }
    return nullptr;
}

} // namespace StoreLockHolder
