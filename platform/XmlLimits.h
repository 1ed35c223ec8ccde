#pragma once
#include <QByteArray>
#include <QString>
#include <QStringView>

// Bounds on the XML the program reads from outside (feeds, sitemaps, the ping
// service's answers, help.xml). A document tree is built recursively, and its
// cost grows far faster than the nesting depth: a deeply nested document is
// refused before any tree is built. The parser bounds each entity on its own,
// but a 4,000-character entity named 16,384 times in a 53 KB document made
// 65 million characters: the text all entities produce together is bounded too.
namespace XmlLimits {

// Real feeds nest under 30 levels; this leaves room for anything honest.
constexpr int MaxDepth = 1000;

// Characters that entity references (and attribute defaults of the document
// type) may produce in one document, all together.
constexpr qint64 MaxEntityText = 1024 * 1024;

// True when some element lies deeper than MaxDepth. One streaming pass, linear
// in the size; where the document is malformed before that depth, false, and
// the parser that follows reports the fault.
bool tooDeep(const QByteArray &xml);
bool tooDeep(const QString &xml);

// True when the references to the entities the document declares would, all
// together, produce more than MaxEntityText characters; also when entities
// refer to each other in a loop or more than MaxEntityNesting deep. Measured
// from the declarations and the references, expanding nothing, linear in the
// size. Bytes are read as Latin-1 unless a byte-order mark or zero bytes say
// UTF-16 or UTF-32, which only makes multi-byte characters count more.
bool expandsTooFar(QStringView xml);
bool expandsTooFar(const QByteArray &xml);
constexpr int MaxEntityNesting = 64;

// Why the document must not be parsed, "" when it may: entities that expand
// too far (measured first: the nesting pass would expand them) or nesting
// deeper than MaxDepth.
QString refusal(const QString &xml);
QString refusal(const QByteArray &xml);

} // namespace XmlLimits
