#include "platform/IniFile.h"

#include "platform/Codepage.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringConverter>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// How the file's text is stored. Legacy and UTF-8 never hold the bytes CR or
// LF inside a character, so their lines can be cut in the raw bytes and kept
// untouched; UTF-16 lines are cut in the decoded text.
enum class Encoding { Legacy, Utf8, Utf16LE, Utf16BE };

Encoding encodingOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return Encoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return Encoding::Utf16BE;
    return Encoding::Legacy;
}

QByteArray encode(Encoding encoding, const QString &text)
{
    switch (encoding) {
    case Encoding::Legacy:
        return Codepage::toLegacy(text);
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf16LE: {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return encoder.encode(text);
    }
    case Encoding::Utf16BE: {
        QStringEncoder encoder(QStringConverter::Utf16BE);
        return encoder.encode(text);
    }
    }
    return {};
}

struct Line {
    QByteArray raw; // the bytes of the line without its line end
    QByteArray end; // "\r\n", "\n", "\r" or empty for an unterminated last line
    QString text;   // the decoded line
};

// The byte-order mark (kept as the file's first bytes) and the lines after it.
struct Document {
    Encoding encoding = Encoding::Legacy;
    QByteArray bom;
    std::vector<Line> lines;
};

Document parse(const QByteArray &bytes)
{
    Document doc;
    doc.encoding = encodingOf(bytes);
    const qsizetype bomSize = doc.encoding == Encoding::Legacy ? 0
        : doc.encoding == Encoding::Utf8                       ? 3
                                                               : 2;
    doc.bom = bytes.left(bomSize);
    if (doc.encoding == Encoding::Utf16LE || doc.encoding == Encoding::Utf16BE) {
        const QString text = Codepage::decodeTextFile(bytes);
        qsizetype start = 0;
        while (start < text.size()) {
            qsizetype at = start;
            while (at < text.size() && text.at(at) != u'\r' && text.at(at) != u'\n')
                ++at;
            qsizetype after = at;
            if (after < text.size())
                after += (text.at(after) == u'\r' && after + 1 < text.size()
                          && text.at(after + 1) == u'\n') ? 2 : 1;
            const QString lineText = text.mid(start, at - start);
            doc.lines.push_back({encode(doc.encoding, lineText),
                                 encode(doc.encoding, text.mid(at, after - at)), lineText});
            start = after;
        }
        return doc;
    }
    qsizetype start = bomSize;
    while (start < bytes.size()) {
        qsizetype at = start;
        while (at < bytes.size() && bytes.at(at) != '\r' && bytes.at(at) != '\n')
            ++at;
        qsizetype after = at;
        if (after < bytes.size())
            after += (bytes.at(after) == '\r' && after + 1 < bytes.size()
                      && bytes.at(after + 1) == '\n') ? 2 : 1;
        Line line;
        line.raw = bytes.mid(start, at - start);
        line.end = bytes.mid(at, after - at);
        line.text = doc.encoding == Encoding::Utf8 ? QString::fromUtf8(line.raw)
                                                   : Codepage::fromLegacy(line.raw);
        doc.lines.push_back(std::move(line));
        start = after;
    }
    return doc;
}

// Trims spaces and tabs only, as the profile functions of Windows do; other
// blanks such as the ideographic space belong to the name or value.
QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && (text.at(from) == u' ' || text.at(from) == u'\t'))
        ++from;
    while (to > from && (text.at(to - 1) == u' ' || text.at(to - 1) == u'\t'))
        --to;
    return text.mid(from, to - from);
}

// The section name of a header line, or nothing for any other line.
std::optional<QString> sectionOf(const QString &text)
{
    const QString t = trimBlanks(text);
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimBlanks(t.mid(1, close - 1));
}

bool isComment(const QString &text)
{
    return trimBlanks(text).startsWith(u';');
}

// The key of an entry line, or nothing when the line holds no entry.
std::optional<QString> keyOf(const QString &text)
{
    if (isComment(text) || sectionOf(text))
        return std::nullopt;
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    return trimBlanks(text.left(eq));
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the line holding key in section, or -1.
qsizetype findEntry(const Document &doc, const QString &section, const QString &key)
{
    bool inSection = false;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const QString &text = doc.lines[i].text;
        if (const auto name = sectionOf(text)) {
            inSection = sameName(*name, trimBlanks(section));
        } else if (inSection) {
            const auto k = keyOf(text);
            if (k && sameName(*k, trimBlanks(key)))
                return qsizetype(i);
        }
    }
    return -1;
}

// Index after the last entry of the first section named section (after its
// header when it holds none), or -1 when the file has no such section. Comments
// and blank lines after the last entry usually introduce what follows, so new
// entries go before them.
qsizetype endOfSection(const Document &doc, const QString &section)
{
    qsizetype end = -1;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const QString &text = doc.lines[i].text;
        if (const auto name = sectionOf(text)) {
            if (end >= 0)
                break;
            if (sameName(*name, trimBlanks(section)))
                end = qsizetype(i) + 1;
        } else if (end >= 0 && keyOf(text)) {
            end = qsizetype(i) + 1;
        }
    }
    return end;
}

// A line break inside a name or value would split the entry and change the
// file's structure, so it is written as a blank.
QString oneLine(const QString &text)
{
    QString out = text;
    out.replace(u'\r', u' ').replace(u'\n', u' ');
    return trimBlanks(out);
}

// The line end new lines get: the file's own style, CR LF for a new file.
QByteArray lineEndOf(const Document &doc)
{
    for (const Line &line : doc.lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return encode(doc.encoding, QStringLiteral("\r\n"));
}

[[noreturn]] void failWrite(const QString &path, const QString &reason)
{
    throw AppError(SafeFile::failureMessage(path, reason));
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const Document doc = parse(file.readAll());
    const qsizetype at = findEntry(doc, section, key);
    if (at < 0)
        return defaultValue;
    const QString &text = doc.lines[size_t(at)].text;
    return trimBlanks(text.mid(text.indexOf(u'=') + 1));
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Document doc;
    if (QFileInfo::exists(m_path)) {
        // A file marked read-only stays untouched, whoever runs the program:
        // replacing it through a new file would otherwise succeed. Only the
        // mode bits count here; WriteUser says yes to the superuser for any file.
        const auto writable =
            QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (!(QFile::permissions(m_path) & writable) || !QFileInfo(m_path).isWritable())
            failWrite(m_path, QString::fromLocal8Bit(std::strerror(EACCES)));
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            failWrite(m_path, file.errorString());
        doc = parse(file.readAll());
    }

    const QByteArray eol = lineEndOf(doc);
    const QString cleanValue = oneLine(value);
    const qsizetype at = findEntry(doc, section, key);
    if (at >= 0) {
        // Keep the key as the file spells it and everything up to the value.
        Line &line = doc.lines[size_t(at)];
        qsizetype valueStart = line.text.indexOf(u'=') + 1;
        while (valueStart < line.text.size()
               && (line.text.at(valueStart) == u' ' || line.text.at(valueStart) == u'\t'))
            ++valueStart;
        line.text = line.text.left(valueStart) + cleanValue;
        line.raw = encode(doc.encoding, line.text);
    } else {
        std::vector<Line> added;
        qsizetype insertAt = endOfSection(doc, section);
        if (insertAt < 0) {
            insertAt = qsizetype(doc.lines.size());
            // A blank line keeps the new section apart from the one before.
            if (!doc.lines.empty() && !trimBlanks(doc.lines.back().text).isEmpty())
                added.push_back({QByteArray(), eol, QString()});
            const QString header = QLatin1Char('[') + oneLine(section) + QLatin1Char(']');
            added.push_back({encode(doc.encoding, header), eol, header});
        }
        const QString entry = oneLine(key) + QLatin1Char('=') + cleanValue;
        added.push_back({encode(doc.encoding, entry), eol, entry});
        // An unterminated last line gets its line end before the new lines.
        if (insertAt > 0 && doc.lines[size_t(insertAt - 1)].end.isEmpty())
            doc.lines[size_t(insertAt - 1)].end = eol;
        doc.lines.insert(doc.lines.begin() + insertAt, added.begin(), added.end());
    }

    QByteArray out = doc.bom;
    for (const Line &line : doc.lines)
        out += line.raw + line.end;

    // Never written in place, not even where the folder takes no new file:
    // a write cut short there would leave half the settings.
    SafeFile::write(m_path, out);
}
