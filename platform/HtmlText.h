#pragma once
#include <QString>

// Reading HTML from outside with an HTML5 parser (libgumbo), which reads
// markup as browsers do: a "<" that opens no tag is text, a ">" inside a
// quoted attribute value belongs to the value.
namespace HtmlText {

// The text a reader sees: tags and comments dropped, the content of script and
// style elements dropped, character references read. A line break and the
// edges of block elements (paragraphs, list items, table cells, ...) separate
// words; runs of HTML whitespace become one space, and the ends are trimmed.
// Other blanks (such as U+00A0 from &nbsp;) stay as they are.
// The parser's time grows with the square of the nesting depth (2 s for
// 13,000 levels): text from strangers that needs no more should be cut first.
QString plainText(const QString &html);

} // namespace HtmlText
