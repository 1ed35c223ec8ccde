#include "common/IntervalOptions.h"

#include "common/AppSettings.h"
#include "common/mrv_fun.h"

namespace IntervalOptions {

bool acceptsTypedCharacter(QChar c)
{
    const char16_t code = c.unicode();
    return code == 8 || code == 13 || (code >= u'0' && code <= u'9');
}

void store(AppSettings &settings, const QString &pingText, const QString &checkText,
           const QString &configPath)
{
    settings.PingSleep = StrToInt(pingText);
    SavePingSleep(settings, configPath);
    settings.CheckInBaiduSleep = StrToInt(checkText);
    SaveCheckInBaiduSleep(settings, configPath);
}

void storeSwitches(AppSettings &settings, bool checkBackoff, bool skipIndexed, const QString &configPath)
{
    settings.checkBackoff = checkBackoff;
    SaveCheckBackoff(settings, configPath);
    settings.skipIndexed = skipIndexed;
    SaveSkipIndexed(settings, configPath);
}

} // namespace IntervalOptions
