#include "store/LinkList.h"

#include "store/SQLiteDatabase.h"

namespace LinkStatements {

namespace {
QString sitePart(qint64 rssid)
{
    return rssid != 0 ? QStringLiteral(" where rssid=%1").arg(rssid) : QString();
}
} // namespace

QString firstPage(qint64 rssid, int pageSize)
{
    return QStringLiteral("Select * from mrv_orvik_rssurl%1 order by dataid desc limit %2 ")
        .arg(sitePart(rssid))
        .arg(pageSize);
}

QString page(qint64 rssid, qint64 k, int pageSize)
{
    return QStringLiteral("Select * from mrv_orvik_rssurl%1 order by dataid desc limit %2,%3 ")
        .arg(sitePart(rssid))
        .arg((k - 1) * pageSize)
        .arg(pageSize);
}

QString lastPage(qint64 rssid)
{
    return QStringLiteral("Select * from mrv_orvik_rssurl%1 order by dataid desc limit -1 ")
        .arg(sitePart(rssid));
}

QString count(qint64 rssid, bool trailingBlank)
{
    QString sql = QStringLiteral("Select count(*) as c from mrv_orvik_rssurl");
    if (rssid != 0) {
        sql += sitePart(rssid);
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
        const qsizetype at = statement.indexOf(QLatin1String("-1"));
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
