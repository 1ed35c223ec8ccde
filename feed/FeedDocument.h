#pragma once
#include <QByteArray>
#include <QDomDocument>
#include <QSet>
#include <QString>
#include <QStringDecoder>
#include <functional>
#include <memory>

// Turning the bytes of a downloaded feed into a document. Every failure throws
// AppError with a short description.
namespace FeedDocument {

// The text of the feed: a byte-order mark decides the encoding; without one
// the encoding named by the XML declaration (GB2312, GBK, GB18030, Big5, ...),
// UTF-8 when it names none. Bytes that are not valid in that encoding fail,
// so a wrongly labelled feed is refused instead of stored garbled.
QString decode(const QByteArray &bytes);

// Rewrites the HTML named entities that feeds use outside CDATA sections
// (&nbsp;, &rsquo;, &mdash;, &copy; ...) as numeric character references, so
// the XML parser reads them as their characters; a reference to a control
// character becomes that character (see parse). The five XML entities, names
// the document declares itself, and unknown names are left alone (an unknown
// one still fails to parse). Nothing inside CDATA sections, comments or
// processing instructions changes. A document type that declares an external
// entity (SYSTEM or PUBLIC) is refused: its text would come from a file or
// address the feed names, which is never loaded.
QString translateHtmlEntities(const QString &text);

// The same, piece by piece: what a piece that is not the last ends with and
// cannot be judged yet (a section or reference cut off) is left for the next.
class EntityTranslator {
public:
    // Translates text from its start; `consumed` says how much of it was taken.
    QString translate(const QString &text, bool last, qsizetype &consumed);

private:
    QSet<QString> m_declared;
};

// A document's text as decode() and translateHtmlEntities() give it, piece by
// piece as its bytes come from nextBytes (empty once they are done), so that
// a long document is never held whole as text.
class TextPieces {
public:
    explicit TextPieces(std::function<QByteArray()> nextBytes);
    ~TextPieces();
    TextPieces(const TextPieces &) = delete;
    TextPieces &operator=(const TextPieces &) = delete;

    // The next piece; empty once the document is done. Throws as decode() does.
    QString next();

private:
    std::function<QByteArray()> m_nextBytes;
    std::unique_ptr<QStringDecoder> m_decoder;
    QByteArray m_encodingName;
    QByteArray m_head;
    QString m_pending;
    EntityTranslator m_translator;
    bool m_finished = false;
};

// decode, translateHtmlEntities and parse. Whitespace-only text between
// elements is dropped; comments and processing instructions stay nodes.
// Entities declared inside the document expand within the bounds of XmlLimits.
// Control characters that XML does not allow (other than NUL), raw or as
// references, are read as themselves instead of refusing the document.
QDomDocument parse(const QByteArray &bytes);

// parse() of a file's content; a missing or unreadable file fails.
QDomDocument load(const QString &path);

// The code point of an HTML named entity, 0 when the name is not one.
char32_t htmlEntity(QStringView name);

} // namespace FeedDocument
