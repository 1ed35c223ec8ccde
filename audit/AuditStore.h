#pragma once
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

struct AuditResult;
class TSQLiteDatabase;

// The last audit of each address (mrv_orvik_audit, made by
// ExtendedTables::ensure): one row per address, replaced by each audit.
namespace AuditStore {

struct Row {
    QString dataid;
    QString url;
    QString httpStatus;
    QString finalUrl;
    QString problems;
    QString auditTime;
};

// Records audits in groups: a commit per address made a run of 10^4 addresses
// wait on the disk for most of its time. Each row replaces the address's row,
// unless the address no longer exists (its site was deleted meanwhile).
// Nothing dispatches events between add() and the commit.
class Recorder {
public:
    explicit Recorder(TSQLiteDatabase &db);
    // What is left is written; a failure then is not reported (an error
    // already leaves the walk).
    ~Recorder();
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    // Written at once when 200 rows or a second have gathered.
    void add(const QString &dataid, const AuditResult &result, const QString &time);
    void flush();

private:
    TSQLiteDatabase &m_db;
    std::vector<QStringList> m_rows;
    QElapsedTimer m_since;
};

// The problems of a stored text one by one ("正常": none).
QStringList split(const QString &problems);

// Per kind of problem, the number of audited addresses of site rssid (0: all)
// that have it: largest first, "正常" last.
QList<QPair<QString, int>> summary(qint64 rssid);
// The audited addresses of the site with a problem of that kind ("正常": none),
// newest first.
QList<Row> rowsOfKind(qint64 rssid, const QString &kind);
// The problems of those of the addresses whose last audit found any.
QHash<QString, QString> problemsOf(const QStringList &dataids);

// Every audited address of the site as a CSV file, written as the address
// list's export writes; returns the number of rows.
qint64 exportCsv(qint64 rssid, const QString &path);

} // namespace AuditStore
