#pragma once
#include "platform/SafeFile.h"

#include <QString>
#include <QStringList>

// A CSV file for spreadsheets: UTF-8 with a byte-order mark, CR LF line ends,
// fields quoted when they hold a comma, a quote or a line break. Written whole
// or not at all (SafeFile), and never over one of the program's own files.
class CsvFile {
public:
    // Raises AppError "不能覆盖程序自身的文件：" + path when ExportTarget
    // refuses path, and ExportTarget::failureMessage when it cannot be written.
    CsvFile(const QString &path, const QString &programDir);

    void addLine(const QStringList &fields);
    // Writes what is left and puts the file in place; until then the old file
    // stays as it was.
    void commit();

    // One field as it stands in the file: guarded, then quoted when needed.
    static QString field(const QString &value);
    // A text that a spreadsheet would take for a formula (it begins with "=",
    // "+", "-", "@", a tab or a carriage return) gets a leading "'", so the
    // text shows and nothing runs.
    static QString guarded(const QString &value);

private:
    void flushLines();

    SafeFile::Writer m_file;
    QString m_lines;
};
