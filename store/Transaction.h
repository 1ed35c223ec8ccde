#pragma once
#include "platform/Errors.h"
#include "store/SQLiteDatabase.h"

#include <functional>

// Runs body's statements as one transaction: committed when it returns, rolled
// back when it throws (the error is passed on). For a few statements that must
// be stored together or not at all; nothing may dispatch events inside body
// other than a pumped wait for a lock, in which other handlers fail at once on
// ours. The write lock is taken at the start: a transaction that reads first
// and then wants to write gets no wait from SQLite when another process is
// writing (two such waiters could wait for each other forever).
inline void inTransaction(TSQLiteDatabase &db, const std::function<void()> &body)
{
    db.ExecSQL(QStringLiteral("begin immediate"));
    try {
        body();
        db.ExecSQL(QStringLiteral("commit"));
    } catch (...) {
        try {
            db.ExecSQL(QStringLiteral("rollback"));
        } catch (const AppError &) {
            // The first error is the one to report.
        }
        throw;
    }
}
