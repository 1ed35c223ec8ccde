#pragma once
#include <QString>
#include <QtGlobal>

// Hosts of the outside services, from the optional section "hosts" of
// config.ini. A value is a host with an optional port ("ping.baidu.com",
// "127.0.0.1:8080") or a base address with its scheme ("https://host:port").
struct ServiceHosts {
    QString ping = QStringLiteral("ping.baidu.com");
    QString baidu = QStringLiteral("www.baidu.com");
    QString so = QStringLiteral("www.so.com");
    QString sogou = QStringLiteral("www.sogou.com");
    QString aizhan = QStringLiteral("baidurank.aizhan.com");
    QString aizhanstatic = QStringLiteral("static.aizhan.com");
    QString chinaz = QStringLiteral("mytool.chinaz.com");
    QString product = QStringLiteral("www.orvik.example");
    QString banner = QStringLiteral("www.orvik.example");
    // The address push services.
    QString baiduzz = QStringLiteral("http://data.zz.baidu.com");
    QString indexnow = QStringLiteral("https://api.indexnow.org");

    // "http://" + host, or the value itself (without a trailing "/") when it
    // names its own scheme. Requests append their path to this.
    static QString base(const QString &host);
};

// The settings the program keeps in memory for its whole run. One instance is
// owned by the application and handed to whoever needs it.
struct AppSettings {
    qint32 PingSleep = 0;
    qint32 CheckInBaiduSleep = 0;
    QString UpdateUrl;
    ServiceHosts hosts;
    // The batch index check waits out the engine's verification page instead
    // of ending, first for checkBackoffSeconds; skipIndexed spares addresses
    // already recorded as indexed.
    bool checkBackoff = true;
    qint32 checkBackoffSeconds = 300;
    bool skipIndexed = false;
    // The index audit reads robots.txt and meta tags for this crawler, and
    // waits this many milliseconds between two addresses.
    QString auditAgent = QStringLiteral("Baiduspider");
    qint32 auditSleep = 1000;
};

// Loads section "config" (pingSleep, checkInbaiduSleep, UpdateUrl,
// checkBackoff, checkBackoffSeconds, skipIndexed, auditAgent, auditSleep; the
// switches 1 or 0) and then
// section "hosts" from the file at path. A missing file, section or key leaves
// the field as it is. A value that is not an integer raises EConvertError,
// leaving the fields read before it assigned.
void LoadConfig(AppSettings &settings, const QString &path);
// Write one key each (section "config", "pingsleep" / "checkInbaiduSleep");
// AppError "Unable to write to <path>" when the file cannot be written.
void SavePingSleep(const AppSettings &settings, const QString &path);
void SaveCheckInBaiduSleep(const AppSettings &settings, const QString &path);
// "checkBackoff" and "skipIndexed", each as 1 or 0.
void SaveCheckBackoff(const AppSettings &settings, const QString &path);
void SaveSkipIndexed(const AppSettings &settings, const QString &path);
