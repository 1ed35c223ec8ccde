#include "query/SiteList.h"

#include "platform/Codepage.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

#include <QFile>

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
    SafeFile::write(path, Codepage::encodeLines(entries));
}

} // namespace SiteList
