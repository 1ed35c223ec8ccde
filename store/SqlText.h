#pragma once
#include <QString>

// Statements are built by splicing values between single quotes. Every text
// value goes through sqlEscape first: doubling each quote keeps the value one
// literal, and a value without quotes is spliced unchanged.
inline QString sqlEscape(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return escaped;
}
