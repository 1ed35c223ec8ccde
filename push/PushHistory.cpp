#include "push/PushHistory.h"

#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

namespace PushHistory {

QHash<QString, QString> firstPushTimes(const QStringList &dataids)
{
    QHash<QString, QString> times;
    QStringList numbers;
    for (const QString &id : dataids) {
        // Only numbers go into the statement.
        bool ok = false;
        const qint64 n = id.toLongLong(&ok);
        if (ok)
            numbers << QString::number(n);
    }
    if (numbers.isEmpty())
        return times;
    TSQLiteDatabase db(QStringLiteral("database.db"));
    ExtendedTables::ensure(db);
    TSQLiteTable rows = db.GetTable(
        QStringLiteral("select dataid,min(pushtime) as firstpush from mrv_orvik_push where result='ok' and dataid in (")
        + numbers.join(u',') + QStringLiteral(") group by dataid"));
    for (; !rows.Eof(); rows.Next())
        times.insert(rows.FieldAsString(0), rows.FieldAsString(1));
    return times;
}

} // namespace PushHistory
