#pragma once
#include "platform/Errors.h"
#include "store/SQLiteDatabase.h"

#include <functional>

// Runs body's statements as one transaction: committed when it returns, rolled
// back when it throws (the error is passed on). For a few statements that must
// be stored together or not at all; nothing may dispatch events inside body,
// so no other action meets the lock.
inline void inTransaction(TSQLiteDatabase &db, const std::function<void()> &body)
{
    db.ExecSQL(QStringLiteral("begin"));
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
