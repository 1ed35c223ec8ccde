#include "store/LinkList.h"

#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

namespace LinkStatements {

namespace {
QString sitePart(qint64 rssid, const QString &search = {})
{
    QString where;
    if (rssid != 0)
        where = QStringLiteral(" where rssid=%1").arg(rssid);
    if (!search.isEmpty())
        where += (where.isEmpty() ? QStringLiteral(" where ") : QStringLiteral(" and "))
            + searchCondition(search);
    return where;
}
} // namespace

QString searchCondition(const QString &search, const QString &alias)
{
    if (search.isEmpty())
        return {};
    const QString prefix = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    // The text is compared character by character (store/TextSearch.h), so
    // '%' and '_' need no escaping; only the quotes of the literal do.
    return QStringLiteral("textcontains('") + sqlEscape(search) + QStringLiteral("',") + prefix
        + QStringLiteral("title,") + prefix + QStringLiteral("url)");
}

// Built by concatenation: a search text may itself hold "%2" or "-1".
QString firstPage(qint64 rssid, int pageSize, const QString &search)
{
    return QStringLiteral("Select * from mrv_orvik_rssurl") + sitePart(rssid, search)
        + QStringLiteral(" order by dataid desc limit ") + QString::number(pageSize) + QLatin1Char(' ');
}

QString page(qint64 rssid, qint64 k, int pageSize, const QString &search)
{
    return QStringLiteral("Select * from mrv_orvik_rssurl") + sitePart(rssid, search)
        + QStringLiteral(" order by dataid desc limit ") + QString::number((k - 1) * pageSize)
        + QLatin1Char(',') + QString::number(pageSize) + QLatin1Char(' ');
}

QString lastPage(qint64 rssid, const QString &search)
{
    return QStringLiteral("Select * from mrv_orvik_rssurl") + sitePart(rssid, search)
        + QStringLiteral(" order by dataid desc limit -1 ");
}

QString count(qint64 rssid, bool trailingBlank, const QString &search)
{
    QString sql = QStringLiteral("Select count(*) as c from mrv_orvik_rssurl");
    if (rssid != 0 || !search.isEmpty()) {
        sql += sitePart(rssid, search);
        if (trailingBlank)
            sql += QLatin1Char(' ');
    }
    return sql;
}

} // namespace LinkStatements

void LinkPager::BindList(const QString &Sqlstr, const QString &countsql, qint64 pindex,
                         LinkListView &view)
{
    view.clearRows();
    TSQLiteDatabase db(QStringLiteral("database.db"));
    {
        const TSQLiteTable counted = db.GetTable(countsql);
        TotalCount = counted.AsInteger(QStringLiteral("c"));
    }
    PageCount = (TotalCount + PageSize - 1) / PageSize;
    CurrentPage = pindex < 0 ? PageCount : pindex;
    view.showPosition(TotalCount, CurrentPage, PageCount);

    QString statement = Sqlstr;
    if (pindex == -1) {
        // The limit clause ends the statement; a search text before it may hold "-1" too.
        const qsizetype limit = statement.lastIndexOf(QLatin1String("limit -1"));
        const qsizetype at = limit >= 0 ? limit + 6 : statement.indexOf(QLatin1String("-1"));
        if (at >= 0)
            statement.replace(at, 2,
                              QStringLiteral("%1,%2").arg((PageCount - 1) * PageSize).arg(PageSize));
    }

    TSQLiteTable rows = db.GetTable(statement);
    const int dataid = rows.FieldIndex(QStringLiteral("dataid"));
    const int title = rows.FieldIndex(QStringLiteral("title"));
    const int url = rows.FieldIndex(QStringLiteral("url"));
    const int rssid = rows.FieldIndex(QStringLiteral("rssid"));
    const int isinbaidu = rows.FieldIndex(QStringLiteral("isinbaidu"));
    const int checktime = rows.FieldIndex(QStringLiteral("checktime"));
    const int firsttime = rows.FieldIndex(QStringLiteral("firsttime"));
    const int lasttime = rows.FieldIndex(QStringLiteral("lasttime"));
    for (; !rows.Eof(); rows.Next()) {
        LinkRow row;
        row.dataid = rows.FieldAsString(dataid);
        row.title = rows.FieldAsString(title);
        row.url = rows.FieldAsString(url);
        row.rssid = rows.FieldAsString(rssid);
        row.inBaidu = rows.FieldAsInteger(isinbaidu) == 1;
        row.checktime = rows.FieldAsString(checktime);
        row.firsttime = rows.FieldAsString(firsttime);
        row.lasttime = rows.FieldAsString(lasttime);
        view.addRow(row);
    }
}
