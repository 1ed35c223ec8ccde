#pragma once
#include <QString>

// Makes a value typed by the user safe to put into a request address as it
// stands: the characters that would change the address's meaning are
// percent-encoded from their UTF-8 bytes. Those are blanks and control
// characters, "&" (the next query key), "#" (a fragment), "+" (read as a
// blank), "%" (an escape of its own) and every non-ASCII character. Every other
// character stays as typed, so "site:www.example.com/a" goes out unchanged.
QString encodeQueryValue(const QString &value);
