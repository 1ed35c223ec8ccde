#pragma once
#include "store/SQLiteDatabase.h"

#include <QStringList>

// Every row of a query on the store file at path, read through the store layer
// (so texts come back decoded as the program reads them), columns joined by "|".
inline QStringList storeRows(const QString &path, const QString &sql)
{
    TSQLiteDatabase db(path);
    TSQLiteTable table = db.GetTable(sql);
    QStringList out;
    for (; !table.Eof(); table.Next()) {
        QStringList cells;
        for (int i = 0; i < table.FieldCount(); ++i)
            cells << table.FieldAsString(i);
        out << cells.join(u'|');
    }
    return out;
}
