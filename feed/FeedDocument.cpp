#include "feed/FeedDocument.h"

#include "platform/Errors.h"
#include "platform/XmlLimits.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringConverter>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>
#include <vector>

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

// Control characters that XML 1.0 does not allow (NUL stays refused).
bool isForbiddenControl(uint c)
{
    return c >= 1 && c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
}

// Titles of real feeds carry stray control characters (pasted text, old
// editors), which XML does not allow, raw or as references. Rather than
// refuse the whole feed, parse() stands each one in for a private-use
// character of a block of 32 the document does not use, and puts the
// originals back into the tree afterwards. Returns the block's first code
// point, 0 when the text has no such character (or no block is free, and the
// parser then refuses the text as before).
char16_t protectControls(QString &text)
{
    const auto forbidden = [](QChar c) { return isForbiddenControl(c.unicode()); };
    if (std::none_of(text.cbegin(), text.cend(), forbidden))
        return 0;
    const char16_t first = 0xE000;
    const int blocks = (0xF900 - 0xE000) / 32;
    std::vector<bool> used(blocks, false);
    for (const QChar c : text) {
        if (c.unicode() >= first && c.unicode() < first + blocks * 32)
            used[(c.unicode() - first) / 32] = true;
    }
    const auto freeBlock = std::find(used.begin(), used.end(), false);
    if (freeBlock == used.end())
        return 0;
    const char16_t base = char16_t(first + 32 * (freeBlock - used.begin()));
    for (QChar &c : text) {
        if (forbidden(c))
            c = QChar(char16_t(base + c.unicode()));
    }
    return base;
}

QString restored(QString value, char16_t base)
{
    for (QChar &c : value) {
        if (c.unicode() >= base && c.unicode() < base + 32)
            c = QChar(char16_t(c.unicode() - base));
    }
    return value;
}

bool holdsStandIns(const QString &value, char16_t base)
{
    return std::any_of(value.cbegin(), value.cend(),
                       [base](QChar c) { return c.unicode() >= base && c.unicode() < base + 32; });
}

void restoreControls(QDomNode node, char16_t base)
{
    for (; !node.isNull(); node = node.nextSibling()) {
        if (node.isText() || node.isCDATASection() || node.isComment() || node.isProcessingInstruction()) {
            if (holdsStandIns(node.nodeValue(), base))
                node.setNodeValue(restored(node.nodeValue(), base));
        } else if (node.isElement()) {
            const QDomNamedNodeMap attributes = node.attributes();
            for (int i = 0; i < attributes.count(); ++i) {
                QDomNode attribute = attributes.item(i);
                if (holdsStandIns(attribute.nodeValue(), base))
                    attribute.setNodeValue(restored(attribute.nodeValue(), base));
            }
            restoreControls(node.firstChild(), base);
        }
    }
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
        if (i + 1 < text.size() && text.at(i + 1) == u'#') {
            // A reference to a control character becomes the character itself,
            // which parse() carries through the parser.
            const qsizetype semicolon = text.indexOf(u';', i + 2);
            if (semicolon > i + 2 && semicolon - i <= 8) {
                QStringView digits = QStringView(text).mid(i + 2, semicolon - i - 2);
                bool ok = false;
                const uint value = digits.startsWith(u'x') ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok, 10);
                if (ok && isForbiddenControl(value)) {
                    out += QStringView(text).mid(copied, i - copied);
                    out += QChar(char16_t(value));
                    copied = semicolon + 1;
                    i = semicolon + 1;
                    continue;
                }
            }
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
    QString text = translateHtmlEntities(decode(bytes));
    const char16_t standIns = protectControls(text);
    // Building the tree costs far more than linear time in the nesting depth:
    // a hostile document of 200,000 levels would hold the window for hours;
    // entities named many times would fill the memory. (Checked on the text
    // the parser gets, stand-ins included, so that no character the checks
    // stop at lets such a document through.)
    const QString refused = XmlLimits::refusal(text);
    if (!refused.isEmpty())
        throw AppError(refused);
    // The reader gets text, so the declaration's encoding is not applied twice.
    // It never fetches an external document type or entity, and it stops an
    // internal entity that expands beyond the limit (nested definitions); the
    // text of all of them together was bounded above.
    QXmlStreamReader reader(text);
    reader.setEntityExpansionLimit(4096);
    QDomDocument document;
    QString error;
    int line = 0;
    int column = 0;
    if (!document.setContent(&reader, false, &error, &line, &column))
        throw AppError(QStringLiteral("Line %1, column %2: %3").arg(line).arg(column).arg(error));
    if (standIns)
        restoreControls(document.firstChild(), standIns);
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
