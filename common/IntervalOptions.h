#pragma once
#include <QChar>
#include <QString>

struct AppSettings;

// The options window's logic: which typed characters the interval boxes take,
// and storing both intervals.
namespace IntervalOptions {
// Backspace, carriage return and the digits 0-9.
bool acceptsTypedCharacter(QChar c);
// In this order: ping text converted and stored in memory, written to the file,
// then the same for the check interval. A failure stops at its step, leaving
// what came before it done.
void store(AppSettings &settings, const QString &pingText, const QString &checkText,
           const QString &configPath);
// The two switches of the batch index check, each stored and written in turn:
// waiting out the verification page, and sparing addresses already indexed.
void storeSwitches(AppSettings &settings, bool checkBackoff, bool skipIndexed, const QString &configPath);
} // namespace IntervalOptions
