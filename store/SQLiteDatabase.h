#pragma once
#include "platform/Errors.h"

#include <QString>
#include <QStringList>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Every failing store operation raises this; its message is what the user sees.
class ESQLiteException : public AppError {
public:
    using AppError::AppError;
};

// The whole result of one query, held in memory. The current row starts at the
// first row; Next() moves on and stays put once past the last.
class TSQLiteTable {
public:
    int Count() const { return m_rowCount; }
    bool Eof() const { return m_current >= m_rowCount; }
    void Next();

    int FieldCount() const { return int(m_columns.size()); }
    QString FieldName(int index) const;
    // Looks a column up by name or alias, without regard to case. A column
    // selected as "a.dataid" is named "dataid".
    int FieldIndex(const QString &name) const;

    // NULL gives "", an integer its decimal digits, text the text.
    QString FieldAsString(int index) const;
    // NULL gives 0, an integer its value; text is an error.
    qint64 FieldAsInteger(int index) const;
    bool FieldIsNull(int index) const;

    QString AsString(const QString &name) const { return FieldAsString(FieldIndex(name)); }
    qint64 AsInteger(const QString &name) const { return FieldAsInteger(FieldIndex(name)); }

private:
    friend class TSQLiteDatabase;

    struct Cell {
        enum Kind : quint8 { Null, Integer, Float, Text };
        Kind kind = Null;
        qint64 integer = 0; // also the truncated value of a float
        QString text;       // text, or SQLite's rendering of a float
    };
    const Cell &cell(int index) const;

    QStringList m_columns;
    std::vector<Cell> m_cells; // row after row, FieldCount() cells each
    int m_rowCount = 0;
    int m_current = 0;
};

// One connection to an SQLite file, opened read-write; a missing file is
// created empty. Statements are plain text; only the first statement of a text
// is compiled and run. A file locked by another connection fails at once,
// unless the process set a busy timeout. The connection closes with the object.
class TSQLiteDatabase {
public:
    explicit TSQLiteDatabase(const QString &fileName);

    // How a connection waits for a lock: Blocking sleeps (the command line);
    // Pumped runs the thread's event loop in slices of at most PumpSliceMs
    // between tries, so a window keeps repainting and its handlers run. A
    // statement of a handler that runs inside such a wait fails at once on a
    // lock: the wait below it may be holding that very lock, which cannot be
    // given back before the inner handler returns.
    enum class BusyWait { Blocking, Pumped };
    static constexpr int PumpSliceMs = 25;

    // How long every connection opened afterwards waits for a lock another
    // connection holds before its statement fails; 0 (the default) fails at
    // once. The window and the command line, which may run side by side on the
    // same file, both wait.
    static void setBusyTimeout(int msecs, BusyWait how = BusyWait::Blocking);
    static int busyTimeout();
    static BusyWait busyWait();
    ~TSQLiteDatabase();
    TSQLiteDatabase(const TSQLiteDatabase &) = delete;
    TSQLiteDatabase &operator=(const TSQLiteDatabase &) = delete;

    // Runs a query and returns every row; the statement is finished on return.
    TSQLiteTable GetTable(const QString &statement);
    // Runs a statement that returns no rows to completion.
    void ExecSQL(const QString &statement);
    // Runs one statement with "?" parameters once for each row of values,
    // compiled once, all rows in one transaction (the caller's, when one is
    // open): either every row is written or, on an error, none of them. Values
    // are bound as text (a null QString as NULL); column affinity applies.
    void ExecBatch(const QString &statement, const std::vector<QStringList> &rows);

private:
    friend class TSQLiteStatement;
    void applyReadSettings();
    static int pumpedBusyHandler(void *self, int tries);

    sqlite3 *m_db = nullptr;
    qint64 m_busySince = 0; // when the current wait for a lock began (ms since epoch)
};

// One statement of ours compiled once and run many times with bound values
// ("?1".."?N"): a loop that built and compiled a fresh text per row spent most
// of its time in the compiler. Texts are bound in the legacy code page, like
// the texts of spliced statements, so the rows are the same.
class TSQLiteStatement {
public:
    TSQLiteStatement(TSQLiteDatabase &db, const QString &statement);
    ~TSQLiteStatement();
    TSQLiteStatement(const TSQLiteStatement &) = delete;
    TSQLiteStatement &operator=(const TSQLiteStatement &) = delete;

    // Binds the values from ?1 on (a null QString as NULL) for the next run;
    // ends a run still going.
    void bind(const QStringList &values);
    // Binds one value to ?parameter (from 1), the others kept; ends a run still going.
    void bindInteger(int parameter, qint64 value);
    void bindText(int parameter, const QString &value);
    // Steps once: true with a row to read, false when done (ready to run again).
    bool next();
    // Runs to the end, rows ignored.
    void exec();
    // The current row's columns, read as TSQLiteTable reads them.
    bool isNull(int column) const;
    qint64 integer(int column) const;
    QString text(int column) const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_text;
};
