#include "feed/FeedDiscovery.h"

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>

namespace FeedDiscovery {

namespace {

// Pages come in many encodings and often name theirs only deep inside; the
// addresses looked for are almost always ASCII. UTF-8 when the bytes are valid
// UTF-8, otherwise GB18030, the superset of what Chinese pages use.
QString pageText(const QByteArray &bytes)
{
    if (const auto encoding = QStringConverter::encodingForData(bytes, u'<')) {
        QStringDecoder decoder(*encoding);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb("GB18030");
    if (gb.isValid())
        return gb.decode(bytes);
    return QString::fromLatin1(bytes);
}

// Attributes of one tag's text (after its name), names in lower case.
QHash<QString, QString> attributes(QStringView tag)
{
    static const QRegularExpression attribute(
        QStringLiteral("([^\\s\"'>/=]+)(?:\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+)))?"));
    QHash<QString, QString> out;
    for (auto it = attribute.globalMatch(tag); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(1).toLower();
        if (out.contains(name))
            continue;
        QString value = m.captured(2);
        if (value.isEmpty())
            value = m.captured(3);
        if (value.isEmpty())
            value = m.captured(4);
        out.insert(name, value);
    }
    return out;
}

// The few character references an href carries in practice.
QString unescapeAttribute(QString value)
{
    value.replace(QLatin1StringView("&amp;"), QLatin1StringView("&"));
    value.replace(QLatin1StringView("&#38;"), QLatin1StringView("&"));
    value.replace(QLatin1StringView("&quot;"), QLatin1StringView("\""));
    value.replace(QLatin1StringView("&#39;"), QLatin1StringView("'"));
    return value;
}

} // namespace

bool looksLikeHtml(const QByteArray &bytes)
{
    QString head = pageText(bytes.left(4096)).toLower();
    qsizetype i = 0;
    for (;;) {
        while (i < head.size() && (head.at(i).isSpace() || head.at(i) == QChar(0xFEFF)))
            ++i;
        if (QStringView(head).mid(i).startsWith(u"<!--")) {
            const qsizetype end = head.indexOf(QLatin1StringView("-->"), i + 4);
            if (end < 0)
                return false;
            i = end + 3;
            continue;
        }
        if (QStringView(head).mid(i).startsWith(u"<?xml")) {
            const qsizetype end = head.indexOf(QLatin1StringView("?>"), i);
            if (end < 0)
                return false;
            i = end + 2;
            continue;
        }
        break;
    }
    const QStringView rest = QStringView(head).mid(i);
    return rest.startsWith(u"<!doctype html") || rest.startsWith(u"<html") || rest.startsWith(u"<head");
}

QString feedLink(const QByteArray &page, const QUrl &pageAddress)
{
    QString text = pageText(page);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    text.remove(comment);
    static const QRegularExpression link(QStringLiteral("<link\\b([^>]*)>"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QHash<QString, QString> a = attributes(it.next().capturedView(1));
        const QStringList rel = a.value(QStringLiteral("rel")).toLower().split(u' ', Qt::SkipEmptyParts);
        if (!rel.contains(QLatin1StringView("alternate")))
            continue;
        // "application/rss+xml; charset=utf-8" names the same type.
        const QString type = a.value(QStringLiteral("type")).section(u';', 0, 0).trimmed().toLower();
        if (type != u"application/rss+xml" && type != u"application/atom+xml")
            continue;
        const QString href = unescapeAttribute(a.value(QStringLiteral("href")).trimmed());
        if (href.isEmpty())
            continue;
        return pageAddress.resolved(QUrl(href)).toString();
    }
    return {};
}

QString robotsSitemap(const QByteArray &robots, const QUrl &robotsAddress)
{
    const QStringList lines = pageText(robots).split(QRegularExpression(QStringLiteral("[\r\n]+")));
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || line.left(colon).trimmed().compare(u"sitemap", Qt::CaseInsensitive) != 0)
            continue;
        QString value = line.mid(colon + 1);
        const qsizetype hash = value.indexOf(u'#');
        if (hash >= 0)
            value.truncate(hash);
        value = value.trimmed();
        if (!value.isEmpty())
            return robotsAddress.resolved(QUrl(value)).toString();
    }
    return {};
}

QString siteRoot(const QUrl &address, const QString &path)
{
    QUrl root;
    root.setScheme(address.scheme());
    root.setHost(address.host());
    root.setPort(address.port());
    root.setPath(path);
    return root.toString();
}

} // namespace FeedDiscovery
