#include "store/SQLiteDatabase.h"

#include "platform/Codepage.h"
#include "store/DatabaseFile.h"
#include "store/TextSearch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <sqlite3.h>

#include <atomic>
#include <memory>

namespace {

std::atomic<int> processBusyTimeout{0};
std::atomic<bool> processBusyPumped{false};
// Pumped waits in progress on this (the one UI) thread.
int pumpedWaitDepth = 0;

// Finalizes the statement on every path out of a store call, errors included.
struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

QString describeResultCode(int code)
{
    switch (code) {
    case SQLITE_OK: return QStringLiteral("Successful result");
    case SQLITE_ERROR: return QStringLiteral("SQL error or missing database");
    case SQLITE_INTERNAL: return QStringLiteral("Internal logic error in SQLite");
    case SQLITE_PERM: return QStringLiteral("Access permission denied");
    case SQLITE_ABORT: return QStringLiteral("Callback routine requested an abort");
    case SQLITE_BUSY: return QStringLiteral("The database file is locked");
    case SQLITE_LOCKED: return QStringLiteral("A table in the database is locked");
    case SQLITE_NOMEM: return QStringLiteral("A malloc() failed");
    case SQLITE_READONLY: return QStringLiteral("Attempt to write a readonly database");
    case SQLITE_INTERRUPT: return QStringLiteral("Operation terminated by sqlite3_interrupt()");
    case SQLITE_IOERR: return QStringLiteral("Some kind of disk I/O error occurred");
    case SQLITE_CORRUPT: return QStringLiteral("The database disk image is malformed");
    case SQLITE_NOTFOUND: return QStringLiteral("Table or record not found");
    case SQLITE_FULL: return QStringLiteral("Insertion failed because database is full");
    case SQLITE_CANTOPEN: return QStringLiteral("Unable to open the database file");
    case SQLITE_PROTOCOL: return QStringLiteral("Database lock protocol error");
    case SQLITE_EMPTY: return QStringLiteral("Database is empty");
    case SQLITE_SCHEMA: return QStringLiteral("The database schema changed");
    case SQLITE_TOOBIG: return QStringLiteral("String or BLOB exceeds size limit");
    case SQLITE_CONSTRAINT: return QStringLiteral("Abort due to constraint violation");
    case SQLITE_MISMATCH: return QStringLiteral("Data type mismatch");
    case SQLITE_MISUSE: return QStringLiteral("Library used incorrectly");
    case SQLITE_NOLFS: return QStringLiteral("Uses OS features not supported on host");
    case SQLITE_AUTH: return QStringLiteral("Authorization denied");
    case SQLITE_FORMAT: return QStringLiteral("Auxiliary database format error");
    case SQLITE_RANGE: return QStringLiteral("2nd parameter to sqlite3_bind out of range");
    case SQLITE_NOTADB: return QStringLiteral("File opened that is not a database file");
    case SQLITE_NOTICE: return QStringLiteral("Notifications from sqlite3_log()");
    case SQLITE_WARNING: return QStringLiteral("Warnings from sqlite3_log()");
    case SQLITE_ROW: return QStringLiteral("sqlite3_step() has another row ready");
    case SQLITE_DONE: return QStringLiteral("sqlite3_step() has finished executing");
    default: return QStringLiteral("Unknown error");
    }
}

// "<what>.\rError [<code>]: <description>.\r"<statement>": <SQLite's message>"
ESQLiteException statementError(sqlite3 *db, const QString &what, const QString &statement)
{
    const int code = sqlite3_errcode(db);
    // SQLite's messages quote pieces of the statement, which is in the legacy code page.
    const QString detail = Codepage::fromLegacy(QByteArray(sqlite3_errmsg(db)));
    return ESQLiteException(what + QStringLiteral(".\rError [") + QString::number(code)
                            + QStringLiteral("]: ") + describeResultCode(code)
                            + QStringLiteral(".\r\"") + statement + QStringLiteral("\": ") + detail);
}

bool isLocked(int code)
{
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// Compiles the first statement of the text; the rest is never looked at.
Statement prepare(sqlite3 *db, const QString &statement)
{
    const QByteArray text = Codepage::toLegacy(statement);
    sqlite3_stmt *raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &raw, nullptr);
    Statement prepared(raw);
    if (rc != SQLITE_OK) {
        // Compiling reads the schema, so a file locked by another connection shows here first.
        throw statementError(db, isLocked(rc) ? QStringLiteral("Could not prepare SQL statement")
                                              : QStringLiteral("Error executing SQL"),
                             statement);
    }
    return prepared;
}

} // namespace

// ---- TSQLiteTable ----

void TSQLiteTable::Next()
{
    if (m_current < m_rowCount)
        ++m_current;
}

QString TSQLiteTable::FieldName(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw ESQLiteException(QStringLiteral("Field index out of range"));
    return m_columns.at(index);
}

int TSQLiteTable::FieldIndex(const QString &name) const
{
    for (int i = 0; i < FieldCount(); ++i) {
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw ESQLiteException(QStringLiteral("Field not found in dataset: ") + name);
}

const TSQLiteTable::Cell &TSQLiteTable::cell(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw ESQLiteException(QStringLiteral("Field index out of range"));
    if (Eof())
        throw ESQLiteException(QStringLiteral("No current row in dataset"));
    return m_cells[size_t(m_current) * size_t(FieldCount()) + size_t(index)];
}

QString TSQLiteTable::FieldAsString(int index) const
{
    const Cell &c = cell(index);
    switch (c.kind) {
    case Cell::Null: return QString();
    case Cell::Integer: return QString::number(c.integer);
    case Cell::Float:
    case Cell::Text: return c.text;
    }
    return QString();
}

qint64 TSQLiteTable::FieldAsInteger(int index) const
{
    const Cell &c = cell(index);
    if (c.kind == Cell::Text)
        throw ESQLiteException(QStringLiteral("Not an integer or numeric field"));
    return c.integer;
}

bool TSQLiteTable::FieldIsNull(int index) const
{
    return cell(index).kind == Cell::Null;
}

// ---- TSQLiteDatabase ----

TSQLiteDatabase::TSQLiteDatabase(const QString &fileName)
{
    // One connection is only ever used on the thread that made it, so SQLite's
    // own mutexes would only cost time.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    // A missing file is made for its owner alone (a store holds the push tokens):
    // SQLite would make it 0644 less the umask. Its journals take the file's mode.
    if (!fileName.isEmpty() && !fileName.startsWith(u':') && !fileName.startsWith(QLatin1String("file:")))
        createPrivateFile(fileName);
    const int rc = sqlite3_open_v2(fileName.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                    : QStringLiteral("unknown error");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw ESQLiteException(QStringLiteral("Failed to open database \"%1\" : %2")
                                   .arg(fileName, reason));
    }
    // Before the first statement: even the read settings below may meet a lock.
    if (const int timeout = processBusyTimeout.load(); timeout > 0) {
        if (processBusyPumped.load())
            sqlite3_busy_handler(m_db, &TSQLiteDatabase::pumpedBusyHandler, this);
        else
            sqlite3_busy_timeout(m_db, timeout);
    }
    applyReadSettings();
    TextSearch::registerFunction(m_db);
}

void TSQLiteDatabase::setBusyTimeout(int msecs, BusyWait how)
{
    processBusyTimeout.store(qMax(0, msecs));
    processBusyPumped.store(how == BusyWait::Pumped);
}

int TSQLiteDatabase::busyTimeout()
{
    return processBusyTimeout.load();
}

TSQLiteDatabase::BusyWait TSQLiteDatabase::busyWait()
{
    return processBusyPumped.load() ? BusyWait::Pumped : BusyWait::Blocking;
}

int TSQLiteDatabase::pumpedBusyHandler(void *self, int tries)
{
    auto *db = static_cast<TSQLiteDatabase *>(self);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (tries == 0)
        db->m_busySince = now;
    // A handler that runs inside another pumped wait gives up at once (see BusyWait).
    if (pumpedWaitDepth > 0 || now - db->m_busySince >= processBusyTimeout.load())
        return 0;
    ++pumpedWaitDepth;
    const auto leave = qScopeGuard([] { --pumpedWaitDepth; });
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QTimer::singleShot(PumpSliceMs, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        QThread::msleep(PumpSliceMs);
    }
    return 1;
}

TSQLiteDatabase::~TSQLiteDatabase()
{
    // Every statement is finalized before its call returns, so this always closes.
    sqlite3_close(m_db);
}

void TSQLiteDatabase::applyReadSettings()
{
    // Sorting without an index stays in memory. Memory-mapped reads were tried
    // and dropped: every action opens a new connection, so each count faulted
    // the whole index into a fresh mapping, several times slower than reading
    // it. A setting that cannot be applied only costs speed; the next statement
    // reports any real problem.
    sqlite3_exec(m_db, "PRAGMA temp_store=MEMORY;", nullptr, nullptr, nullptr);
}

TSQLiteTable TSQLiteDatabase::GetTable(const QString &statement)
{
    Statement prepared = prepare(m_db, statement);
    TSQLiteTable table;
    if (!prepared) // only blanks or a comment: no rows
        return table;
    sqlite3_stmt *stmt = prepared.get();

    const int columns = sqlite3_column_count(stmt);
    for (int i = 0; i < columns; ++i)
        table.m_columns << Codepage::fromLegacy(QByteArray(sqlite3_column_name(stmt, i)));

    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            throw statementError(m_db, isLocked(rc) ? QStringLiteral("Could not prepare SQL statement")
                                                    : QStringLiteral("Could not retrieve data"),
                                 statement);
        }
        for (int i = 0; i < columns; ++i) {
            TSQLiteTable::Cell cell;
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                break;
            case SQLITE_INTEGER:
                cell.kind = TSQLiteTable::Cell::Integer;
                cell.integer = sqlite3_column_int64(stmt, i);
                break;
            case SQLITE_FLOAT:
                cell.kind = TSQLiteTable::Cell::Float;
                cell.integer = sqlite3_column_int64(stmt, i);
                cell.text = QString::fromLatin1(
                    reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)));
                break;
            default: { // text, and blobs read as text
                cell.kind = TSQLiteTable::Cell::Text;
                const char *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, i));
                cell.text = Codepage::fromLegacy(QByteArrayView(bytes, sqlite3_column_bytes(stmt, i)));
                break;
            }
            }
            table.m_cells.push_back(std::move(cell));
        }
        ++table.m_rowCount;
    }
    return table;
}

void TSQLiteDatabase::ExecSQL(const QString &statement)
{
    Statement prepared = prepare(m_db, statement);
    if (!prepared)
        return;
    // Step until done, so a statement that happens to return rows still runs whole.
    int rc;
    while ((rc = sqlite3_step(prepared.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw statementError(m_db, QStringLiteral("Error executing SQL statement"), statement);
}

void TSQLiteDatabase::ExecBatch(const QString &statement, const std::vector<QStringList> &rows)
{
    if (rows.empty())
        return;
    Statement prepared = prepare(m_db, statement);
    if (!prepared)
        return;
    sqlite3_stmt *stmt = prepared.get();
    const bool ownTransaction = sqlite3_get_autocommit(m_db) != 0;
    if (ownTransaction)
        ExecSQL(QStringLiteral("BEGIN IMMEDIATE")); // the write lock first: see inTransaction
    try {
        const int parameters = sqlite3_bind_parameter_count(stmt);
        // Bindings stay between rows, so a value the rows share (a time, a
        // name) is converted and bound once.
        const QStringList *previous = nullptr;
        for (const QStringList &values : rows) {
            sqlite3_reset(stmt);
            for (int i = 0; i < parameters; ++i) {
                const QString value = i < values.size() ? values.at(i) : QString();
                if (previous && i < previous->size() && previous->at(i) == value
                    && previous->at(i).isNull() == value.isNull())
                    continue;
                if (value.isNull()) {
                    sqlite3_bind_null(stmt, i + 1);
                    continue;
                }
                const QByteArray text = Codepage::toLegacy(value);
                sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            }
            previous = &values;
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                throw statementError(m_db, QStringLiteral("Error executing SQL statement"), statement);
        }
        sqlite3_reset(stmt);
        if (ownTransaction)
            ExecSQL(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_reset(stmt);
        if (ownTransaction)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// ---- TSQLiteStatement ----

TSQLiteStatement::TSQLiteStatement(TSQLiteDatabase &db, const QString &statement)
    : m_db(db.m_db), m_text(statement)
{
    m_stmt = prepare(m_db, statement).release();
    if (!m_stmt)
        throw ESQLiteException(QStringLiteral("Empty SQL statement"));
}

TSQLiteStatement::~TSQLiteStatement()
{
    sqlite3_finalize(m_stmt);
}

void TSQLiteStatement::bind(const QStringList &values)
{
    sqlite3_reset(m_stmt);
    for (qsizetype i = 0; i < values.size(); ++i)
        bindText(int(i) + 1, values.at(i));
}

void TSQLiteStatement::bindInteger(int parameter, qint64 value)
{
    sqlite3_reset(m_stmt);
    sqlite3_bind_int64(m_stmt, parameter, value);
}

void TSQLiteStatement::bindText(int parameter, const QString &value)
{
    sqlite3_reset(m_stmt);
    if (value.isNull()) {
        sqlite3_bind_null(m_stmt, parameter);
        return;
    }
    const QByteArray text = Codepage::toLegacy(value);
    sqlite3_bind_text(m_stmt, parameter, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

bool TSQLiteStatement::next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE) {
        throw statementError(m_db, isLocked(rc) ? QStringLiteral("Could not prepare SQL statement")
                                                : QStringLiteral("Error executing SQL statement"),
                             m_text);
    }
    return false;
}

void TSQLiteStatement::exec()
{
    while (next()) {
    }
}

bool TSQLiteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 TSQLiteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString TSQLiteStatement::text(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL: return QString();
    case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT: return QString::fromLatin1(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column)));
    default: {
        const char *bytes = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
        return Codepage::fromLegacy(QByteArrayView(bytes, sqlite3_column_bytes(m_stmt, column)));
    }
    }
}
