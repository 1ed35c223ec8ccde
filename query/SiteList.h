#pragma once
#include <QStringList>
#include <optional>

// site.txt: the domains offered by the site query window, one a line. A UTF-8
// or UTF-16 byte-order mark selects that encoding on reading, otherwise the
// legacy code page; lines end with CR, LF or CR LF. Written in the legacy code
// page, each entry followed by CR LF.
namespace SiteList {
// The entries, or nothing when the file does not exist. A file that exists
// but cannot be read raises AppError.
std::optional<QStringList> read(const QString &path);
// Creates or replaces the file; AppError "Unable to write to <path>: <reason>"
// when it cannot be written, and the old file is then left as it was.
void write(const QString &path, const QStringList &entries);
} // namespace SiteList
