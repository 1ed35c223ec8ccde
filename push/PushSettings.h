#pragma once
#include <QString>
#include <optional>

class TSQLiteDatabase;
class WebClient;

// One site's push settings (a row of mrv_orvik_pushsite). An empty value
// switches its channel off.
struct PushSiteSettings {
    QString baiduSite;
    QString baiduToken;
    bool baiduDaily = false;
    QString indexNowKey;
    QString indexNowKeyLocation;

    bool baiduOn() const { return !baiduSite.isEmpty() && !baiduToken.isEmpty(); }
    bool baiduDailyOn() const { return baiduOn() && baiduDaily; }
    bool indexNowOn() const { return !indexNowKey.isEmpty() && !indexNowKeyLocation.isEmpty(); }
    bool anyOn() const { return baiduOn() || indexNowOn(); }
};

// What the settings window shows for a site.
struct PushSiteForm {
    QString siteName;
    QString homeAddress;
    PushSiteSettings settings;
    // Whether the key file address is the default one for the key, so that it
    // follows the key while the user types it.
    bool locationFollowsKey = true;
};

namespace PushSettings {

inline const QString InvalidKeyMessage = QStringLiteral("IndexNow密钥只能由8到128个字母、数字或减号组成");

// The stored settings, none when the site has no row.
std::optional<PushSiteSettings> load(TSQLiteDatabase &db, qint64 rssid);
void save(TSQLiteDatabase &db, qint64 rssid, const PushSiteSettings &settings);

// The stored settings of the site, or defaults taken from its home address.
// Opens database.db for the call.
PushSiteForm loadForm(qint64 rssid);
void saveForm(qint64 rssid, const PushSiteSettings &settings);

// "scheme://host[:port]" of the home address; empty when it has no host.
QString defaultBaiduSite(const QString &homeAddress);
// "https://" + host of the home address + "/" + key + ".txt"; empty without a key.
QString defaultKeyLocation(const QString &homeAddress, const QString &key);

// 8 to 128 characters of a-z, A-Z, 0-9 and "-".
bool isValidKey(const QString &key);
// 32 random characters of the allowed set.
QString generateKey();

// Fetches the key file: "密钥文件正确" when the answer is 2xx and its trimmed
// body is the key, "密钥文件内容与密钥不符" when it is not, and
// "密钥文件无法访问：" + the reason (without the key) when the fetch fails.
QString checkKeyFile(WebClient &client, const QString &location, const QString &key);

} // namespace PushSettings
