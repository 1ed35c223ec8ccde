#include "query/SiteList.h"

#include "platform/Codepage.h"
#include "platform/Errors.h"

#include <QFile>
#include <QSaveFile>

namespace SiteList {

std::optional<QStringList> read(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    return Codepage::splitLines(Codepage::decodeTextFile(file.readAll()));
}

void write(const QString &path, const QStringList &entries)
{
    // Written aside and then put in place, so a failed write never leaves half a list.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Codepage::encodeLines(entries)) < 0
        || !file.commit())
        throw AppError(QStringLiteral("Unable to write to %1").arg(path));
}

} // namespace SiteList
