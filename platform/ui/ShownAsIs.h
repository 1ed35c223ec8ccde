#pragma once
#include <QString>

// A text for a caption that takes "&" as the mark of a mnemonic (a group box's
// title, a button, a tab): every "&" doubled, so the text shows as it is.
inline QString shownAsIs(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
