#pragma once
#include <QByteArray>
#include <QString>

// Every file the program writes goes through here. The new content is written
// to a temporary file in the same folder, flushed to the disk and checked, and
// only then renamed over the old file: a full disk or any other failure leaves
// the old file whole and the folder without leftovers.
namespace SafeFile {

// Replaces the file at path with bytes (creating it when missing). On failure
// AppError "Unable to write to <path>: <reason>", the reason being the
// system's own ("No space left on device").
void write(const QString &path, const QByteArray &bytes);

// The message of a failed write, for writers that check something first.
QString failureMessage(const QString &path, const QString &reason);

} // namespace SafeFile
