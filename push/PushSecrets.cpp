#include "push/PushSecrets.h"

#include <QUrl>

QString scrubSecrets(QString text, const QStringList &secrets)
{
    for (const QString &secret : secrets) {
        if (secret.isEmpty())
            continue;
        text.replace(secret, QStringLiteral("***"));
        // As it stands in a query or a path once percent-encoded.
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
        if (encoded != secret)
            text.replace(encoded, QStringLiteral("***"), Qt::CaseInsensitive);
    }
    return text;
}
