#include "common/AppSettings.h"

#include "common/mrv_fun.h"
#include "platform/IniFile.h"

#include <QFileInfo>

QString ServiceHosts::base(const QString &host)
{
    QString address = host.contains(QStringLiteral("://")) ? host : QStringLiteral("http://") + host;
    // Requests append a path that starts with "/".
    while (address.endsWith(u'/'))
        address.chop(1);
    return address;
}

namespace {

const QString kConfig = QStringLiteral("config");

// A hosts entry replaces the built-in host only when it holds a value.
bool readHost(const IniFile &ini, const char *key, QString &field)
{
    const QString value = ini.readString(QStringLiteral("hosts"), QLatin1String(key), QString());
    if (value.isEmpty())
        return false;
    field = value;
    return true;
}

// 1 switches on, 0 off (any other number counts as on); not a number: EConvertError.
bool readSwitch(const IniFile &ini, const char *key, bool current)
{
    return StrToInt(ini.readString(kConfig, QLatin1String(key), current ? QStringLiteral("1") : QStringLiteral("0")))
        != 0;
}

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void LoadConfig(AppSettings &settings, const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    const IniFile ini(path);
    // Each field is assigned as soon as it is read, so a value that is not a
    // number leaves the fields before it loaded and those after it untouched.
    settings.PingSleep = StrToInt(
        ini.readString(kConfig, QStringLiteral("pingSleep"), QString::number(settings.PingSleep)));
    settings.CheckInBaiduSleep = StrToInt(ini.readString(
        kConfig, QStringLiteral("checkInbaiduSleep"), QString::number(settings.CheckInBaiduSleep)));
    settings.UpdateUrl = ini.readString(kConfig, QStringLiteral("UpdateUrl"), settings.UpdateUrl);
    settings.checkBackoff = readSwitch(ini, "checkBackoff", settings.checkBackoff);
    settings.checkBackoffSeconds = StrToInt(ini.readString(
        kConfig, QStringLiteral("checkBackoffSeconds"), QString::number(settings.checkBackoffSeconds)));
    settings.skipIndexed = readSwitch(ini, "skipIndexed", settings.skipIndexed);
    const QString agent = ini.readString(kConfig, QStringLiteral("auditAgent"), settings.auditAgent).trimmed();
    if (!agent.isEmpty())
        settings.auditAgent = agent;
    settings.auditSleep = StrToInt(
        ini.readString(kConfig, QStringLiteral("auditSleep"), QString::number(settings.auditSleep)));

    ServiceHosts &h = settings.hosts;
    readHost(ini, "ping", h.ping);
    readHost(ini, "baidu", h.baidu);
    readHost(ini, "so", h.so);
    readHost(ini, "sogou", h.sogou);
    readHost(ini, "aizhan", h.aizhan);
    readHost(ini, "aizhanstatic", h.aizhanstatic);
    readHost(ini, "chinaz", h.chinaz);
    readHost(ini, "baiduzz", h.baiduzz);
    readHost(ini, "indexnow", h.indexnow);
    const bool ownProduct = readHost(ini, "product", h.product);
    // The banner page lives on the product site unless it is given a host of its own.
    if (!readHost(ini, "banner", h.banner) && ownProduct && h.banner == ServiceHosts().banner)
        h.banner = h.product;
}

void SavePingSleep(const AppSettings &settings, const QString &path)
{
    IniFile(path).writeString(kConfig, QStringLiteral("pingsleep"),
                              QString::number(settings.PingSleep));
}

void SaveCheckInBaiduSleep(const AppSettings &settings, const QString &path)
{
    IniFile(path).writeString(kConfig, QStringLiteral("checkInbaiduSleep"),
                              QString::number(settings.CheckInBaiduSleep));
}

void SaveCheckBackoff(const AppSettings &settings, const QString &path)
{
    IniFile(path).writeString(kConfig, QStringLiteral("checkBackoff"), switchText(settings.checkBackoff));
}

void SaveSkipIndexed(const AppSettings &settings, const QString &path)
{
    IniFile(path).writeString(kConfig, QStringLiteral("skipIndexed"), switchText(settings.skipIndexed));
}
