#include "push/PushHistory.h"

#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

namespace PushHistory {

QHash<QString, QString> firstPushTimes(const QStringList &dataids)
{
    QHash<QString, QString> times;
    const QString numbers = sqlNumberList(dataids);
    if (numbers.isEmpty())
        return times;
    TSQLiteDatabase db(QStringLiteral("database.db"));
    // A store whose push table could not be made has no push times; the list
    // shows without them rather than with an error on every page.
    if (!ExtendedTables::ready(db))
        return times;
    TSQLiteTable rows = db.GetTable(
        QStringLiteral("select dataid,min(pushtime) as firstpush from mrv_orvik_push where result='ok' and dataid in (")
        + numbers + QStringLiteral(") group by dataid"));
    for (; !rows.Eof(); rows.Next())
        times.insert(rows.FieldAsString(0), rows.FieldAsString(1));
    return times;
}

} // namespace PushHistory
