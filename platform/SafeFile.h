#pragma once
#include <QByteArray>
#include <QString>

#include <memory>

class QSaveFile;

// Every file the program writes goes through here. The new content is written
// to a temporary file in the same folder, flushed to the disk and checked, and
// only then renamed over the old file: a full disk or any other failure leaves
// the old file whole and the folder without leftovers.
namespace SafeFile {

// The message of a failed write, for writers that check something first.
QString failureMessage(const QString &path, const QString &reason);

// Makes the text of a failure from the path and the system's reason.
using MessageFor = QString (*)(const QString &path, const QString &reason);

// A file written in pieces: each piece goes to the system at once (nothing
// waits in a buffer), and the file takes its place only at commit(). Every
// failure raises AppError with message(path, reason) and leaves the old file;
// a writer dropped without commit() leaves nothing behind.
class Writer {
public:
    explicit Writer(const QString &path, MessageFor message = failureMessage);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    void write(const QByteArray &bytes);
    void commit();

private:
    [[noreturn]] void fail(QString reason);

    QString m_path;
    MessageFor m_message;
    std::unique_ptr<QSaveFile> m_file;
};

// Replaces the file at path with bytes (creating it when missing). On failure
// AppError "Unable to write to <path>: <reason>", the reason being the
// system's own ("No space left on device").
void write(const QString &path, const QByteArray &bytes);

} // namespace SafeFile
