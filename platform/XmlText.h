#pragma once
#include <QDomElement>
#include <QString>

// Reading the documents the program loads (help.xml, rss.xml).
namespace XmlText {
// The first child element with exactly this name (no namespace prefix), or null.
QDomElement child(const QDomElement &parent, const QString &name);
// The element's text: its one text or CDATA child, or "" when it has no child.
// Any other content throws AppError. A null element gives "".
QString text(const QDomElement &element);
} // namespace XmlText
