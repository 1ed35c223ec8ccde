#pragma once
#include <QByteArray>
#include <QDomDocument>
#include <QString>

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
