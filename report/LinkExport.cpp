#include "report/LinkExport.h"

#include "platform/CsvFile.h"
#include "store/ExtendedTables.h"
#include "store/LinkList.h"
#include "store/SQLiteDatabase.h"

#include <QDir>

namespace LinkExport {

namespace {

QString whereClause(qint64 rssid, const QString &search)
{
    QStringList terms;
    if (rssid != 0)
        terms << QStringLiteral("a.rssid=") + QString::number(rssid);
    if (!search.isEmpty())
        terms << LinkStatements::searchCondition(search, QStringLiteral("a"));
    return terms.isEmpty() ? QString() : QStringLiteral(" where ") + terms.join(QStringLiteral(" and "));
}

// Every address, newest first, with the site's name and the earliest accepted push.
QString exportStatement(qint64 rssid, const QString &search)
{
    return QStringLiteral(
               "select a.dataid,a.title,a.url,b.sitename,a.isinbaidu,a.checktime,a.firsttime,a.lasttime,"
               "(select min(p.pushtime) from mrv_orvik_push p where p.dataid=a.dataid and p.result='ok')"
               " as pushtime from mrv_orvik_rssurl a left join mrv_orvik_rss b on b.rssid=a.rssid")
        + whereClause(rssid, search) + QStringLiteral(" order by a.dataid desc");
}

QString indexedText(const TSQLiteStatement &rows, int column)
{
    if (rows.isNull(column))
        return {};
    return rows.text(column) == QLatin1String("1") ? QStringLiteral("是") : QStringLiteral("否");
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
                            + whereClause(rssid, search))
                    .AsInteger(QStringLiteral("c"));
    }
    // database.db is in the working directory, and so are the other files of the program.
    CsvFile file(path, QDir::currentPath());
    file.addLine({QStringLiteral("编号"), QStringLiteral("标题"), QStringLiteral("地址"),
                  QStringLiteral("站点"), QStringLiteral("收录"), QStringLiteral("检测收录时间"),
                  QStringLiteral("首次PING时间"), QStringLiteral("最后PING时间"), QStringLiteral("推送时间")});
    // One statement from the first row to the last: the window lets only
    // painting run during the export, so holding the read lock meanwhile
    // keeps no other action out.
    TSQLiteDatabase db(QStringLiteral("database.db"));
    TSQLiteStatement rows(db, exportStatement(rssid, search));
    qint64 written = 0;
    while (rows.next()) {
        file.addLine({rows.text(0), rows.text(1), rows.text(2), rows.text(3), indexedText(rows, 4), rows.text(5),
                      rows.text(6), rows.text(7), rows.text(8)});
        ++written;
        if (progress && written % ExportStep == 0)
            progress(written, std::max(total, written));
    }
    file.commit();
    return written;
}

} // namespace LinkExport
