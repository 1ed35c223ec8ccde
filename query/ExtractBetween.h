#pragma once
#include <QString>

// Cuts a value out of a page between a begin and an end marker. Either marker
// may consist of several pieces separated by "(*)"; every search finds the
// first occurrence and compares characters exactly, letter case included.
//
// The working text starts as the whole page. Each piece of the begin marker,
// in order, that occurs in the working text moves its start to just after that
// occurrence; a piece that does not occur is passed over. The first and the
// last piece of the end marker are then searched in the working text: when both
// occur the value is the working text before the first piece, otherwise it is
// empty. An empty end marker gives an empty value.
//
// With single-piece markers that is the text between the begin marker and the
// next end marker after it, or the page's text up to its first end marker when
// the begin marker is missing.
QString ExtractBetween(const QString &page, const QString &beginMarker, const QString &endMarker);
