#pragma once
#include <QString>

// Makes a value typed by the user safe to put into a request address as it
// stands: every character that would change the address's meaning or that an
// address cannot hold is percent-encoded from its UTF-8 bytes. That covers
// blanks and control characters, "&" (the next query key), "#" (a fragment),
// "+" (read as a blank), "%" (an escape of its own), the characters an address
// never holds unescaped (" < > [ ] \ ^ ` { | }) and every non-ASCII character.
// Letters, digits and the punctuation "-._~!$'()*,;=:@/?" stay as typed, so
// "site:www.example.com/a" goes out unchanged.
QString encodeQueryValue(const QString &value);
