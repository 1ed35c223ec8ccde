#pragma once
#include <QString>
#include <QStringList>

// Statements are built by splicing values between single quotes. Every text
// value goes through sqlEscape first: doubling each quote keeps the value one
// literal, and a value without quotes is spliced unchanged.
inline QString sqlEscape(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return escaped;
}

// The numbers among `values`, comma-separated for an "in (...)" list: only
// numbers go into the statement. Empty when there is none.
inline QString sqlNumberList(const QStringList &values)
{
    QStringList numbers;
    for (const QString &value : values) {
        bool ok = false;
        const qint64 n = value.toLongLong(&ok);
        if (ok)
            numbers << QString::number(n);
    }
    return numbers.join(u',');
}
