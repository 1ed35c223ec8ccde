#pragma once
#include <QByteArray>
#include <QString>

// Bounds on the XML the program reads from outside (feeds, sitemaps, the ping
// service's answers, help.xml). A document tree is built recursively, and its
// cost grows far faster than the nesting depth: a deeply nested document is
// refused before any tree is built.
namespace XmlLimits {

// Real feeds nest under 30 levels; this leaves room for anything honest.
constexpr int MaxDepth = 1000;

// True when some element lies deeper than MaxDepth. One streaming pass, linear
// in the size; where the document is malformed before that depth, false, and
// the parser that follows reports the fault.
bool tooDeep(const QByteArray &xml);
bool tooDeep(const QString &xml);

} // namespace XmlLimits
