#pragma once
#include <QString>

// Where a user's export may go. A save dialog or a command line argument can
// name any file, and an export written over the store or the settings would
// destroy them.
namespace ExportTarget {

// Is path one the export must not replace: database.db, config.ini,
// rssurl.txt, site.txt, rss.xml or help.xml of programDir (whether or not it
// exists yet, and however the path reaches it), any existing SQLite store, or
// a lock or journal file.
bool isOwnFile(const QString &path, const QString &programDir);

// Throws AppError "不能覆盖程序自身的文件：" + path when isOwnFile.
void refuseOwnFile(const QString &path, const QString &programDir);

// "无法写入文件：" + path + " " + reason: the text of an export that failed.
QString failureMessage(const QString &path, const QString &reason);

} // namespace ExportTarget
