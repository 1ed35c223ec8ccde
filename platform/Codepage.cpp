#include "platform/Codepage.h"

#include <QStringConverter>
#include <QStringList>

namespace Codepage {

QByteArray toLegacy(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString fromLegacy(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

QString decodeTextFile(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    return fromLegacy(bytes);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    QString current;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines << current;
            current.clear();
            open = false;
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines << current;
    return lines;
}

QByteArray encodeLines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out += toLegacy(line);
        out += "\r\n";
    }
    return out;
}

} // namespace Codepage
