#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

// The address list as a CSV file for spreadsheets (CsvFile): every address of
// a site filter and search, newest first.
namespace LinkExport {

// Called every ExportStep rows with the rows written so far and the total.
using Progress = std::function<void(qint64 written, qint64 total)>;
inline constexpr qint64 ExportStep = 10000;

// Writes the addresses of site rssid (0: all sites) that match search (empty:
// no search) to path, from database.db in the working directory, and returns
// their number. The file is written aside and renamed at the end, so a failure
// leaves no half file and the old one whole; it raises AppError
// "无法写入文件：" + path + " " + reason, or "不能覆盖程序自身的文件：" + path
// for one of the program's own files.
qint64 exportCsv(qint64 rssid, const QString &search, const QString &path,
                 const Progress &progress = {});

// "导出：" i "/" n, and "导出完成：" n "条".
QString progressText(qint64 written, qint64 total);
QString doneText(qint64 total);

// The site name (or "全部站点" for all sites), "-", yyyymmdd, ".csv";
// characters that no file name may hold become "_".
QString defaultFileName(const QString &siteName, const QDate &day);
// The name of site rssid from database.db; empty for 0 or an unknown site.
QString siteName(qint64 rssid);

} // namespace LinkExport
