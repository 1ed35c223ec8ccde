#include "common/VersionText.h"

#include "platform/VersionRecord.h"

#include <QStringList>

QString GetVersionString(const QString &path)
{
    const std::optional<VersionRecord> record = readVersionRecord(path);
    if (!record)
        return QStringLiteral("?");
    QString text = QStringLiteral("%1.%2.%3 build %4")
                       .arg(record->major)
                       .arg(record->minor)
                       .arg(record->release)
                       .arg(record->build);
    // The words come from the flags themselves, whatever the mask declares,
    // in this fixed order.
    static const struct {
        quint32 flag;
        const char *word;
    } words[] = {
        {VersionRecord::Patched, "patched"},       {VersionRecord::Debug, "debug"},
        {VersionRecord::PrivateBuild, "private"},  {VersionRecord::SpecialBuild, "special"},
        {VersionRecord::PreRelease, "pre-release"},
    };
    QStringList set;
    for (const auto &w : words)
        if (record->flags & w.flag)
            set << QLatin1String(w.word);
    if (!set.isEmpty())
        text += QStringLiteral(" (") + set.join(u' ') + u')';
    return text;
}
