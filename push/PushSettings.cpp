#include "push/PushSettings.h"

#include "platform/WebClient.h"
#include "push/PushSecrets.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <QRandomGenerator>
#include <QUrl>

namespace PushSettings {

namespace {

const QString DatabaseFile = QStringLiteral("database.db");
const QString KeyAlphabet
    = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-");

QString quoted(const QString &value)
{
    return u'\'' + sqlEscape(value) + u'\'';
}

} // namespace

std::optional<PushSiteSettings> load(TSQLiteDatabase &db, qint64 rssid)
{
    ExtendedTables::ensure(db);
    const TSQLiteTable row = db.GetTable(
        QStringLiteral("select baidusite,baidutoken,baidudaily,indexnowkey,indexnowkeylocation "
                       "from mrv_orvik_pushsite where rssid=")
        + QString::number(rssid));
    if (row.Count() == 0)
        return std::nullopt;
    PushSiteSettings s;
    s.baiduSite = row.FieldAsString(0);
    s.baiduToken = row.FieldAsString(1);
    s.baiduDaily = row.FieldAsString(2) == QLatin1String("1");
    s.indexNowKey = row.FieldAsString(3);
    s.indexNowKeyLocation = row.FieldAsString(4);
    return s;
}

void save(TSQLiteDatabase &db, qint64 rssid, const PushSiteSettings &s)
{
    ExtendedTables::ensure(db);
    // Blanks around pasted values are never part of a token, key or address.
    db.ExecSQL(QStringLiteral("insert or replace into mrv_orvik_pushsite"
                              "(rssid,baidusite,baidutoken,baidudaily,indexnowkey,indexnowkeylocation) values (")
               + QString::number(rssid) + u',' + quoted(s.baiduSite.trimmed()) + u','
               + quoted(s.baiduToken.trimmed()) + u',' + (s.baiduDaily ? u'1' : u'0') + u','
               + quoted(s.indexNowKey.trimmed()) + u',' + quoted(s.indexNowKeyLocation.trimmed())
               + u')');
}

PushSiteForm loadForm(qint64 rssid)
{
    TSQLiteDatabase db(DatabaseFile);
    PushSiteForm form;
    const TSQLiteTable site = db.GetTable(
        QStringLiteral("select sitename,siteurl from mrv_orvik_rss where rssid=") + QString::number(rssid));
    if (site.Count() > 0) {
        form.siteName = site.FieldAsString(0);
        form.homeAddress = site.FieldAsString(1);
    }
    if (const auto stored = load(db, rssid)) {
        form.settings = *stored;
        form.locationFollowsKey = stored->indexNowKeyLocation
                                  == defaultKeyLocation(form.homeAddress, stored->indexNowKey);
    } else {
        form.settings.baiduSite = defaultBaiduSite(form.homeAddress);
    }
    return form;
}

void saveForm(qint64 rssid, const PushSiteSettings &settings)
{
    TSQLiteDatabase db(DatabaseFile);
    save(db, rssid, settings);
}

QString defaultBaiduSite(const QString &homeAddress)
{
    const QUrl url(homeAddress.trimmed());
    if (!url.isValid() || url.host().isEmpty())
        return {};
    QString site = url.scheme() + QStringLiteral("://") + url.host();
    if (url.port() != -1)
        site += u':' + QString::number(url.port());
    return site;
}

QString defaultKeyLocation(const QString &homeAddress, const QString &key)
{
    const QString host = QUrl(homeAddress.trimmed()).host();
    if (key.isEmpty() || host.isEmpty())
        return {};
    return QStringLiteral("https://") + host + u'/' + key + QStringLiteral(".txt");
}

bool isValidKey(const QString &key)
{
    if (key.size() < 8 || key.size() > 128)
        return false;
    for (const QChar c : key) {
        if (c.unicode() > 127 || !KeyAlphabet.contains(c))
            return false;
    }
    return true;
}

QString generateKey()
{
    QString key;
    for (int i = 0; i < 32; ++i)
        key += KeyAlphabet.at(int(QRandomGenerator::system()->bounded(quint32(KeyAlphabet.size()))));
    return key;
}

QString checkKeyFile(WebClient &client, const QString &location, const QString &key)
{
    QByteArray body;
    try {
        body = client.get(location);
    } catch (const AppError &e) {
        return QStringLiteral("密钥文件无法访问：") + scrubSecrets(e.message(), {key});
    }
    // The file holds the key alone; a byte-order mark or a final line break is no part of it.
    QString text = QString::fromUtf8(body);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.trimmed() == key ? QStringLiteral("密钥文件正确") : QStringLiteral("密钥文件内容与密钥不符");
}

} // namespace PushSettings
