#include "push/PushSecrets.h"

#include "store/SQLiteDatabase.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A hexadecimal digit in either case.
QString hexDigit(int value)
{
    const QChar upper = QLatin1Char("0123456789ABCDEF"[value]);
    if (value < 10)
        return QString(upper);
    return QLatin1Char('[') + upper + upper.toLower() + QLatin1Char(']');
}

// The secret as any request address may carry it: each character as it
// stands or percent-encoded (hex digits in either case), a blank also as "+".
// Which characters an encoder leaves alone differs from part to part of the
// address, so every one may take either form.
QRegularExpression anyForm(const QString &secret)
{
    QString pattern;
    for (qsizetype i = 0; i < secret.size(); ++i) {
        const qsizetype length = secret.at(i).isHighSurrogate() && i + 1 < secret.size() ? 2 : 1;
        const QString character = secret.mid(i, length);
        i += length - 1;
        QString encoded;
        for (const char byte : character.toUtf8()) {
            const auto b = static_cast<unsigned char>(byte);
            encoded += QLatin1Char('%') + hexDigit(b >> 4) + hexDigit(b & 15);
        }
        pattern += QStringLiteral("(?:") + QRegularExpression::escape(character) + QLatin1Char('|') + encoded;
        if (character == QLatin1String(" "))
            pattern += QStringLiteral("|\\+");
        pattern += QLatin1Char(')');
    }
    return QRegularExpression(pattern);
}

} // namespace

QString scrubSecrets(QString text, const QStringList &secrets)
{
    for (const QString &secret : secrets) {
        if (secret.isEmpty())
            continue;
        text.replace(secret, QStringLiteral("***"));
        text.replace(anyForm(secret), QStringLiteral("***"));
    }
    return text;
}

QString exposedStoreWarning(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !(file.permissions() & (QFile::ReadGroup | QFile::ReadOther)))
        return {};
    try {
        TSQLiteDatabase db(path);
        // A store without the push table (an older program's) holds no secret.
        if (db.GetTable(QStringLiteral("select count(*) from sqlite_master where name='mrv_orvik_pushsite'"))
                .FieldAsInteger(0)
            == 0)
            return {};
        if (db.GetTable(QStringLiteral("select count(*) from mrv_orvik_pushsite where baidutoken<>'' or indexnowkey<>''"))
                .FieldAsInteger(0)
            == 0)
            return {};
    } catch (const AppError &) {
        return {};
    }
    return QStringLiteral("database.db 可被其他用户读取，推送密钥可能泄露（chmod 600 database.db）");
}
