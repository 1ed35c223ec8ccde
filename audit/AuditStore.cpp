#include "audit/AuditStore.h"

#include "audit/PageAudit.h"
#include "platform/CsvFile.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <QDir>

#include <algorithm>

namespace AuditStore {

namespace {

const QString DatabaseFile = QStringLiteral("database.db");

// The beginnings of the problem texts: a "；" inside an address or an error
// message is not a separator.
const QStringList ProblemStarts{
    QStringLiteral("robots.txt禁止抓取"), QStringLiteral("robots.txt无法访问"), QStringLiteral("无法访问："),
    QStringLiteral("跳转过多"),           QStringLiteral("页面返回"),           QStringLiteral("跳转到："),
    QStringLiteral("noindex（meta）"),    QStringLiteral("noindex（X-Robots-Tag）"),
    QStringLiteral("canonical指向："),
};

bool startsProblem(const QString &piece)
{
    return std::any_of(ProblemStarts.begin(), ProblemStarts.end(),
                       [&](const QString &start) { return piece.startsWith(start); });
}

QString siteCondition(qint64 rssid)
{
    return rssid != 0 ? QStringLiteral(" where a.rssid=") + QString::number(rssid) : QString();
}

QList<Row> auditedRows(qint64 rssid)
{
    TSQLiteDatabase db(DatabaseFile);
    ExtendedTables::ensure(db);
    TSQLiteTable rows = db.GetTable(
        QStringLiteral("select a.dataid,a.url,t.httpstatus,t.finalurl,t.problems,t.audittime from mrv_orvik_audit t"
                       " join mrv_orvik_rssurl a on a.dataid=t.dataid")
        + siteCondition(rssid) + QStringLiteral(" order by a.dataid desc"));
    QList<Row> found;
    found.reserve(rows.Count());
    for (; !rows.Eof(); rows.Next())
        found.append({rows.FieldAsString(0), rows.FieldAsString(1), rows.FieldAsString(2), rows.FieldAsString(3),
                      rows.FieldAsString(4), rows.FieldAsString(5)});
    return found;
}

QStringList kindsOf(const QString &problems)
{
    QStringList kinds;
    for (const QString &problem : split(problems)) {
        const QString kind = AuditTexts::kindOf(problem);
        if (!kinds.contains(kind))
            kinds << kind;
    }
    return kinds;
}

} // namespace

Recorder::Recorder(TSQLiteDatabase &db) : m_db(db)
{
    m_since.start();
}

Recorder::~Recorder()
{
    try {
        flush();
    } catch (const AppError &) {
    }
}

void Recorder::add(const QString &dataid, const AuditResult &result, const QString &time)
{
    m_rows.push_back({dataid, time, QString::number(result.httpStatus), result.finalUrl, result.text(),
                      result.ok() ? QStringLiteral("1") : QStringLiteral("0")});
    if (m_rows.size() >= 200 || m_since.elapsed() >= 1000)
        flush();
}

void Recorder::flush()
{
    m_since.restart();
    if (m_rows.empty())
        return;
    const std::vector<QStringList> rows = std::move(m_rows);
    m_rows.clear();
    m_db.ExecBatch(QStringLiteral("insert or replace into mrv_orvik_audit(dataid,audittime,httpstatus,finalurl,problems,ok)"
                                  " select ?1,?2,?3,?4,?5,?6 where exists"
                                  " (select 1 from mrv_orvik_rssurl where dataid=?1)"),
                   rows);
}

QStringList split(const QString &problems)
{
    if (problems.isEmpty() || problems == AuditTexts::Fine)
        return {AuditTexts::Fine};
    QStringList parts;
    for (const QString &piece : problems.split(AuditTexts::Separator)) {
        if (parts.isEmpty() || startsProblem(piece))
            parts << piece;
        else
            parts.last() += AuditTexts::Separator + piece;
    }
    return parts;
}

QList<QPair<QString, int>> summary(qint64 rssid)
{
    QHash<QString, int> counts;
    for (const Row &row : auditedRows(rssid)) {
        for (const QString &kind : kindsOf(row.problems))
            ++counts[kind];
    }
    QList<QPair<QString, int>> table;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        table.append({it.key(), it.value()});
    std::sort(table.begin(), table.end(), [](const QPair<QString, int> &a, const QPair<QString, int> &b) {
        const bool aFine = a.first == AuditTexts::Fine;
        const bool bFine = b.first == AuditTexts::Fine;
        if (aFine != bFine)
            return bFine;
        if (a.second != b.second)
            return a.second > b.second;
        return a.first < b.first;
    });
    return table;
}

QList<Row> rowsOfKind(qint64 rssid, const QString &kind)
{
    QList<Row> rows = auditedRows(rssid);
    rows.removeIf([&](const Row &row) { return !kindsOf(row.problems).contains(kind); });
    return rows;
}

QHash<QString, QString> problemsOf(const QStringList &dataids)
{
    QHash<QString, QString> problems;
    const QString numbers = sqlNumberList(dataids);
    if (numbers.isEmpty())
        return problems;
    TSQLiteDatabase db(DatabaseFile);
    // Without the table (a store that cannot grow) the list shows no marks
    // rather than an error on every page.
    if (!ExtendedTables::ready(db))
        return problems;
    TSQLiteTable rows = db.GetTable(QStringLiteral("select dataid,problems from mrv_orvik_audit where ok=0 and dataid in (")
                                    + numbers + u')');
    for (; !rows.Eof(); rows.Next())
        problems.insert(rows.FieldAsString(0), rows.FieldAsString(1));
    return problems;
}

qint64 exportCsv(qint64 rssid, const QString &path)
{
    const QList<Row> rows = auditedRows(rssid);
    CsvFile file(path, QDir::currentPath());
    file.addLine({QStringLiteral("编号"), QStringLiteral("地址"), QStringLiteral("状态码"), QStringLiteral("最终地址"),
                  QStringLiteral("问题"), QStringLiteral("诊断时间")});
    for (const Row &row : rows)
        file.addLine({row.dataid, row.url, row.httpStatus, row.finalUrl, row.problems, row.auditTime});
    file.commit();
    return rows.size();
}

} // namespace AuditStore
