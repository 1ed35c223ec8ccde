#include "report/LinkExport.h"

#include "platform/CsvFile.h"
#include "store/ExtendedTables.h"
#include "store/LinkList.h"
#include "store/SQLiteDatabase.h"

#include <QDir>

namespace LinkExport {

namespace {

// Rows read per statement: the connection holds no lock between two pages,
// and memory stays the same whatever the number of addresses.
constexpr int PageRows = 5000;

QString whereClause(qint64 rssid, const QString &search, qint64 below)
{
    QStringList terms;
    if (rssid != 0)
        terms << QStringLiteral("a.rssid=") + QString::number(rssid);
    if (!search.isEmpty())
        terms << LinkStatements::searchCondition(search, QStringLiteral("a"));
    if (below > 0)
        terms << QStringLiteral("a.dataid<") + QString::number(below);
    return terms.isEmpty() ? QString() : QStringLiteral(" where ") + terms.join(QStringLiteral(" and "));
}

// A page of addresses older than `below` (0: from the newest), with the site's
// name and the earliest accepted push.
QString pageStatement(qint64 rssid, const QString &search, qint64 below)
{
    return QStringLiteral(
               "select a.dataid,a.title,a.url,b.sitename,a.isinbaidu,a.checktime,a.firsttime,a.lasttime,"
               "(select min(p.pushtime) from mrv_orvik_push p where p.dataid=a.dataid and p.result='ok')"
               " as pushtime from mrv_orvik_rssurl a left join mrv_orvik_rss b on b.rssid=a.rssid")
        + whereClause(rssid, search, below) + QStringLiteral(" order by a.dataid desc limit ")
        + QString::number(PageRows);
}

QString indexedText(const TSQLiteTable &rows, int column)
{
    if (rows.FieldIsNull(column))
        return {};
    return rows.FieldAsString(column) == QLatin1String("1") ? QStringLiteral("是") : QStringLiteral("否");
}

} // namespace

QString progressText(qint64 written, qint64 total)
{
    return QStringLiteral("导出：") + QString::number(written) + QLatin1Char('/') + QString::number(total);
}

QString doneText(qint64 total)
{
    return QStringLiteral("导出完成：") + QString::number(total) + QStringLiteral("条");
}

QString defaultFileName(const QString &siteName, const QDate &day)
{
    QString name = siteName.trimmed().isEmpty() ? QStringLiteral("全部站点") : siteName.trimmed();
    for (QChar &c : name) {
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    return name + QLatin1Char('-') + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv");
}

QString siteName(qint64 rssid)
{
    if (rssid == 0)
        return {};
    TSQLiteDatabase db(QStringLiteral("database.db"));
    TSQLiteTable site = db.GetTable(QStringLiteral("select sitename from mrv_orvik_rss where rssid=")
                                    + QString::number(rssid));
    return site.Eof() ? QString() : site.FieldAsString(0);
}

qint64 exportCsv(qint64 rssid, const QString &search, const QString &path, const Progress &progress)
{
    qint64 total = 0;
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        ExtendedTables::ensure(db);
        total = db.GetTable(QStringLiteral("select count(*) as c from mrv_orvik_rssurl a")
                            + whereClause(rssid, search, 0))
                    .AsInteger(QStringLiteral("c"));
    }
    // database.db is in the working directory, and so are the other files of the program.
    CsvFile file(path, QDir::currentPath());
    file.addLine({QStringLiteral("编号"), QStringLiteral("标题"), QStringLiteral("地址"),
                  QStringLiteral("站点"), QStringLiteral("收录"), QStringLiteral("检测收录时间"),
                  QStringLiteral("首次PING时间"), QStringLiteral("最后PING时间"), QStringLiteral("推送时间")});
    qint64 written = 0;
    qint64 below = 0;
    for (;;) {
        // A connection per page: the progress callback may let other actions
        // run, and they must find the file unlocked.
        TSQLiteDatabase db(QStringLiteral("database.db"));
        TSQLiteTable rows = db.GetTable(pageStatement(rssid, search, below));
        if (rows.Count() == 0)
            break;
        for (; !rows.Eof(); rows.Next()) {
            below = rows.FieldAsInteger(0);
            file.addLine({rows.FieldAsString(0), rows.FieldAsString(1), rows.FieldAsString(2),
                          rows.FieldAsString(3), indexedText(rows, 4), rows.FieldAsString(5),
                          rows.FieldAsString(6), rows.FieldAsString(7), rows.FieldAsString(8)});
            ++written;
            if (progress && written % ExportStep == 0)
                progress(written, std::max(total, written));
        }
        if (rows.Count() < PageRows)
            break;
    }
    file.commit();
    return written;
}

} // namespace LinkExport
