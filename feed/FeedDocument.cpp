#include "feed/FeedDocument.h"

#include "platform/Errors.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringConverter>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <optional>

namespace FeedDocument {

namespace {

// The encoding named by "<?xml ... encoding="..."?>" at the very start.
QByteArray declaredEncoding(const QByteArray &bytes)
{
    static const QRegularExpression declaration(
        QStringLiteral("^<\\?xml[^>]*?\\sencoding\\s*=\\s*[\"']([A-Za-z0-9._:-]+)[\"']"));
    const QString head = QString::fromLatin1(bytes.left(512));
    const QRegularExpressionMatch match = declaration.match(head);
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

// GB2312 and GBK feeds use GBK characters beyond their label all the time;
// GB18030 reads every one of them with the same bytes.
QByteArray decoderName(const QByteArray &declared)
{
    const QByteArray name = declared.toLower();
    if (name == "gb2312" || name == "gbk" || name == "gb18030" || name == "x-gbk" || name == "cp936"
        || name == "windows-936" || name == "euc-cn" || name == "gb_2312-80")
        return QByteArrayLiteral("GB18030");
    return declared;
}

bool startsAt(const QString &text, qsizetype at, QLatin1StringView what)
{
    return QStringView(text).mid(at).startsWith(what);
}

// Index just past `end` from `from`, or the text's end when it never comes.
qsizetype skipPast(const QString &text, qsizetype from, QLatin1StringView end)
{
    const qsizetype found = text.indexOf(end, from);
    return found < 0 ? text.size() : found + end.size();
}

bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

// Reads the document type declaration starting at `at` ("<!DOCTYPE"): returns
// the index past its closing ">", collects the general entities it declares,
// and refuses external ones.
qsizetype readDoctype(const QString &text, qsizetype at, QSet<QString> &declared)
{
    qsizetype i = at + 9;
    qsizetype subsetStart = -1;
    qsizetype subsetEnd = -1;
    QChar quote;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'[' && subsetStart < 0) {
            subsetStart = i + 1;
            // The internal subset: skip its comments and quoted values to find "]".
            for (++i; i < text.size(); ++i) {
                const QChar s = text.at(i);
                if (s == u'"' || s == u'\'') {
                    const qsizetype close = text.indexOf(s, i + 1);
                    i = close < 0 ? text.size() : close;
                } else if (startsAt(text, i, QLatin1StringView("<!--"))) {
                    i = skipPast(text, i, QLatin1StringView("-->")) - 1;
                } else if (s == u']') {
                    subsetEnd = i;
                    break;
                }
            }
        } else if (c == u'>') {
            ++i;
            break;
        }
    }
    if (subsetStart >= 0) {
        const QString subset = text.mid(subsetStart, (subsetEnd < 0 ? text.size() : subsetEnd) - subsetStart);
        static const QRegularExpression entity(
            QStringLiteral("<!ENTITY\\s+(%\\s+)?([^\\s%;]+)\\s+(SYSTEM|PUBLIC)?"));
        for (auto it = entity.globalMatch(subset); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (!m.captured(3).isEmpty())
                throw AppError(QStringLiteral("The feed declares the external entity %1").arg(m.captured(2)));
            if (m.captured(1).isEmpty())
                declared.insert(m.captured(2));
        }
    }
    return i;
}

} // namespace

QString decode(const QByteArray &bytes)
{
    // A byte-order mark wins over any declaration; so does UTF-16 or UTF-32
    // recognised from the zero bytes around the first "<".
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes, u'<');
    QStringDecoder decoder;
    QByteArray name;
    if (encoding) {
        decoder = QStringDecoder(*encoding); // drops the byte-order mark
        name = QStringConverter::nameForEncoding(*encoding);
    } else {
        const QByteArray declared = declaredEncoding(bytes);
        name = declared.isEmpty() ? QByteArrayLiteral("UTF-8") : declared;
        decoder = QStringDecoder(decoderName(name).constData());
        if (!decoder.isValid())
            throw AppError(QStringLiteral("Unknown encoding %1").arg(QString::fromLatin1(name)));
    }
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw AppError(QStringLiteral("The feed is not valid %1 text").arg(QString::fromLatin1(name)));
    return text;
}

QString translateHtmlEntities(const QString &text)
{
    QSet<QString> declared;
    QString out;
    qsizetype copied = 0; // text before this index is in `out` (or unchanged)
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'<') {
            if (startsAt(text, i, QLatin1StringView("<![CDATA[")))
                i = skipPast(text, i, QLatin1StringView("]]>"));
            else if (startsAt(text, i, QLatin1StringView("<!--")))
                i = skipPast(text, i, QLatin1StringView("-->"));
            else if (startsAt(text, i, QLatin1StringView("<?")))
                i = skipPast(text, i, QLatin1StringView("?>"));
            else if (startsAt(text, i, QLatin1StringView("<!DOCTYPE")))
                i = readDoctype(text, i, declared);
            else
                ++i;
            continue;
        }
        if (c != u'&') {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        if (end < text.size() && isNameStart(text.at(end))) {
            while (end < text.size() && isNameChar(text.at(end)))
                ++end;
        }
        if (end == i + 1 || end >= text.size() || text.at(end) != u';') {
            ++i;
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, end - i - 1);
        const bool xmlOwn = name == u"amp" || name == u"lt" || name == u"gt" || name == u"quot"
            || name == u"apos";
        const char32_t code = xmlOwn || declared.contains(name.toString()) ? 0 : htmlEntity(name);
        if (code != 0) {
            out += QStringView(text).mid(copied, i - copied);
            out += QStringLiteral("&#%1;").arg(uint(code));
            copied = end + 1;
        }
        i = end + 1;
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

QDomDocument parse(const QByteArray &bytes)
{
    const QString text = translateHtmlEntities(decode(bytes));
    // The reader gets text, so the declaration's encoding is not applied twice.
    // It never fetches an external document type or entity, and it stops an
    // internal entity that expands beyond the limit (nested definitions).
    QXmlStreamReader reader(text);
    reader.setEntityExpansionLimit(4096);
    QDomDocument document;
    QString error;
    int line = 0;
    int column = 0;
    if (!document.setContent(&reader, false, &error, &line, &column))
        throw AppError(QStringLiteral("Line %1, column %2: %3").arg(line).arg(column).arg(error));
    return document;
}

QDomDocument load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(file.errorString());
    return parse(file.readAll());
}

} // namespace FeedDocument
