#include "platform/QueryText.h"

#include <QByteArray>

namespace {

bool keptAsTyped(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    static const QByteArray kept("-._~!$'()*,;=:@/?");
    return kept.contains(static_cast<char>(c));
}

} // namespace

QString encodeQueryValue(const QString &value)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(value.size());
    for (const char byte : value.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if (keptAsTyped(c)) {
            out += QLatin1Char(static_cast<char>(c));
        } else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 0x0F]);
        }
    }
    return out;
}
