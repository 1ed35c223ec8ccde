// The document-wide bound on entity expansion (XmlLimits::expandsTooFar).
#include "platform/XmlLimits.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>

namespace XmlLimits {
namespace {

// Thrown as soon as the measure passes the bound.
struct TooFar {};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Characters that end a name in the places this reader looks at.
bool endsName(QChar c)
{
    return isBlank(c) || c == u';' || c == u'&' || c == u'%' || c == u'<' || c == u'>' || c == u'/'
        || c == u'"' || c == u'\'' || c == u'[' || c == u']' || c == u'=';
}

// Replacement texts and their lengths, measured the way the parser reads them:
// character references are read when the entity is declared, references to
// other entities when it is used (and may lead to further ones).
class Measure {
public:
    explicit Measure(QStringView text) : m_text(text) {}

    void run()
    {
        const QStringView text = m_text;
        qsizetype i = 0;
        while (i < text.size()) {
            const QChar c = text[i];
            if (c == u'&') {
                if (Entity *entity = reference(text, i))
                    add(length(*entity, 1));
            } else if (c != u'<') {
                ++i;
            } else if (at(text, i, u"<!--")) {
                i = past(text, i, u"-->");
            } else if (at(text, i, u"<?")) {
                i = past(text, i, u"?>");
            } else if (at(text, i, u"<![CDATA[")) {
                i = past(text, i, u"]]>");
            } else if (at(text, i, u"<!DOCTYPE")) {
                i = doctype(text, i + 9);
            } else {
                // A start tag gets the defaults its element's attributes declare.
                const qsizetype end = nameEnd(text, i + 1);
                if (!m_defaults.isEmpty())
                    add(m_defaults.value(text.mid(i + 1, end - i - 1).toString()));
                i = std::max(end, i + 1);
            }
        }
    }

private:
    struct Entity {
        QString value;
        qint64 length = -1; // of the replacement text once measured
        bool measuring = false;
    };

    static bool at(QStringView text, qsizetype i, QStringView what) { return text.mid(i).startsWith(what); }

    static qsizetype past(QStringView text, qsizetype from, QStringView end)
    {
        const qsizetype found = text.indexOf(end, from);
        return found < 0 ? text.size() : found + end.size();
    }

    static qsizetype nameEnd(QStringView text, qsizetype from)
    {
        while (from < text.size() && !endsName(text[from]))
            ++from;
        return from;
    }

    static qsizetype skipBlanks(QStringView text, qsizetype i)
    {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        return i;
    }

    // From a quote: the index past the matching one.
    static qsizetype pastQuoted(QStringView text, qsizetype i)
    {
        const qsizetype close = text.indexOf(text[i], i + 1);
        return close < 0 ? text.size() : close + 1;
    }

    // To the ">" that ends a declaration, quoted values skipped.
    static qsizetype declarationEnd(QStringView text, qsizetype i)
    {
        while (i < text.size() && text[i] != u'>')
            i = text[i] == u'"' || text[i] == u'\'' ? pastQuoted(text, i) : i + 1;
        return std::min(i + 1, text.size());
    }

    void add(qint64 length)
    {
        m_total += length;
        if (m_total > MaxEntityText)
            throw TooFar{};
    }

    // At "&": the declared general entity it names, null for other references
    // (the five of XML, characters, unknown names), which produce no more than
    // they take. Moves `i` past the reference.
    Entity *reference(QStringView text, qsizetype &i)
    {
        const qsizetype end = nameEnd(text, i + 1);
        if (end == i + 1 || end >= text.size() || text[end] != u';') {
            ++i;
            return nullptr;
        }
        const auto found = m_general.find(text.mid(i + 1, end - i - 1).toString());
        i = end + 1;
        return found == m_general.end() ? nullptr : &*found;
    }

    qint64 length(Entity &entity, int nesting)
    {
        if (entity.length >= 0)
            return entity.length;
        if (entity.measuring || nesting > MaxEntityNesting)
            throw TooFar{};
        entity.measuring = true;
        qint64 total = 0;
        const QStringView value = entity.value;
        for (qsizetype i = 0; i < value.size();) {
            if (value[i] == u'&') {
                const qsizetype from = i;
                Entity *inner = reference(value, i);
                total += inner ? length(*inner, nesting + 1) : i - from;
            } else {
                ++total;
                ++i;
            }
            if (total > MaxEntityText)
                throw TooFar{};
        }
        entity.measuring = false;
        entity.length = total;
        return total;
    }

    // After "<!DOCTYPE": the index past its closing ">".
    qsizetype doctype(QStringView text, qsizetype i)
    {
        while (i < text.size() && text[i] != u'>' && text[i] != u'[')
            i = text[i] == u'"' || text[i] == u'\'' ? pastQuoted(text, i) : i + 1;
        if (i < text.size() && text[i] == u'[')
            i = declarations(text, i + 1, 0);
        return declarationEnd(text, i);
    }

    // The internal subset, or the declarations a parameter entity holds, to
    // its "]" or end.
    qsizetype declarations(QStringView text, qsizetype i, int nesting)
    {
        while (i < text.size()) {
            const QChar c = text[i];
            if (c == u']')
                return i + 1;
            if (at(text, i, u"<!--")) {
                i = past(text, i, u"-->");
            } else if (at(text, i, u"<?")) {
                i = past(text, i, u"?>");
            } else if (at(text, i, u"<!ENTITY")) {
                i = entityDeclaration(text, i + 8);
            } else if (at(text, i, u"<!ATTLIST")) {
                i = attributeList(text, i + 9);
            } else if (c == u'<') {
                i = declarationEnd(text, i);
            } else if (c == u'%') {
                i = parameterReference(text, i, nesting);
            } else {
                ++i;
            }
        }
        return i;
    }

    // The parser reads what a parameter entity holds as declarations in place.
    qsizetype parameterReference(QStringView text, qsizetype i, int nesting)
    {
        const qsizetype end = nameEnd(text, i + 1);
        if (end >= text.size() || text[end] != u';')
            return i + 1;
        const auto found = m_parameter.find(text.mid(i + 1, end - i - 1).toString());
        if (found != m_parameter.end()) {
            if (found->measuring || nesting >= MaxEntityNesting)
                throw TooFar{};
            add(found->value.size());
            found->measuring = true;
            const QString value = found->value; // the table may grow inside
            declarations(value, 0, nesting + 1);
            m_parameter[text.mid(i + 1, end - i - 1).toString()].measuring = false;
        }
        return end + 1;
    }

    qsizetype entityDeclaration(QStringView text, qsizetype i)
    {
        i = skipBlanks(text, i);
        bool parameter = false;
        if (i + 1 < text.size() && text[i] == u'%' && isBlank(text[i + 1])) {
            parameter = true;
            i = skipBlanks(text, i + 1);
        }
        const qsizetype nameStart = i;
        i = nameEnd(text, i);
        const QString name = text.mid(nameStart, i - nameStart).toString();
        i = skipBlanks(text, i);
        if (i < text.size() && (text[i] == u'"' || text[i] == u'\'')) {
            const qsizetype end = pastQuoted(text, i);
            QHash<QString, Entity> &table = parameter ? m_parameter : m_general;
            // The first declaration of a name is the one that counts.
            if (!name.isEmpty() && !table.contains(name))
                table.insert(name, Entity{withCharacters(text.mid(i + 1, end - i - 2)), -1, false});
            i = end;
        }
        return declarationEnd(text, i); // external entities are never read
    }

    // Every element of that name may get the default values: counted per start tag.
    qsizetype attributeList(QStringView text, qsizetype i)
    {
        i = skipBlanks(text, i);
        const qsizetype nameStart = i;
        i = nameEnd(text, i);
        const QString element = text.mid(nameStart, i - nameStart).toString();
        qint64 defaults = 0;
        while (i < text.size() && text[i] != u'>') {
            if (text[i] != u'"' && text[i] != u'\'') {
                ++i;
                continue;
            }
            const qsizetype end = pastQuoted(text, i);
            for (qsizetype j = i + 1; j < end - 1;) {
                if (text[j] == u'&') {
                    const qsizetype from = j;
                    Entity *entity = reference(text, j);
                    defaults += entity ? length(*entity, 1) : j - from;
                } else {
                    ++defaults;
                    ++j;
                }
            }
            i = end;
        }
        add(defaults); // read once where declared
        m_defaults[element] += defaults;
        return std::min(i + 1, text.size());
    }

    // An entity's literal value with its character references read.
    static QString withCharacters(QStringView literal)
    {
        QString out;
        out.reserve(literal.size());
        for (qsizetype i = 0; i < literal.size(); ++i) {
            if (literal[i] == u'&' && i + 2 < literal.size() && literal[i + 1] == u'#') {
                const qsizetype semicolon = literal.indexOf(u';', i + 2);
                if (semicolon > i + 2 && semicolon - i <= 12) {
                    const QStringView digits = literal.mid(i + 2, semicolon - i - 2);
                    bool ok = false;
                    const uint code = digits.startsWith(u'x') ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok);
                    if (ok && code > 0 && code <= 0x10FFFF) {
                        const char32_t c = char32_t(code);
                        out += QString::fromUcs4(&c, 1);
                        i = semicolon;
                        continue;
                    }
                }
            }
            out += literal[i];
        }
        return out;
    }

    QStringView m_text;
    QHash<QString, Entity> m_general;
    QHash<QString, Entity> m_parameter;
    QHash<QString, qint64> m_defaults; // by element name
    qint64 m_total = 0;
};

} // namespace

bool expandsTooFar(QStringView xml)
{
    // Nothing but declarations makes text grow; nearly every document has none.
    if (!xml.contains(u"<!ENTITY") && !xml.contains(u"<!ATTLIST"))
        return false;
    try {
        Measure(xml).run();
    } catch (const TooFar &) {
        return true;
    }
    return false;
}

bool expandsTooFar(const QByteArray &xml)
{
    // UTF-16 and UTF-32 are decoded; other encodings keep "<", "&" and the
    // declarations' letters as single bytes.
    const auto encoding = QStringConverter::encodingForData(xml, u'<');
    if (encoding && *encoding != QStringConverter::Utf8) {
        QStringDecoder decoder(*encoding);
        return expandsTooFar(QString(decoder.decode(xml)));
    }
    if (!xml.contains("<!ENTITY") && !xml.contains("<!ATTLIST"))
        return false;
    return expandsTooFar(QString::fromLatin1(xml));
}

} // namespace XmlLimits
