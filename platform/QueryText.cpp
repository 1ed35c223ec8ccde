#include "platform/QueryText.h"

#include <QByteArray>

namespace {

bool keptAsTyped(unsigned char c)
{
    return c > 0x20 && c < 0x7F && c != '%' && c != '&' && c != '#' && c != '+';
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
