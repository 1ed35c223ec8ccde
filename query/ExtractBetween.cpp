#include "query/ExtractBetween.h"

#include "common/mrv_fun.h"

#include <QStringList>
#include <QStringView>

namespace {
const QString kPieceSeparator = QStringLiteral("(*)");
}

QString ExtractBetween(const QString &page, const QString &beginMarker, const QString &endMarker)
{
    QStringView working(page);
    for (const QString &piece : SplitText(beginMarker, kPieceSeparator)) {
        const qsizetype at = working.indexOf(piece, 0, Qt::CaseSensitive);
        if (at >= 0)
            working = working.mid(at + piece.size());
    }

    const QStringList endPieces = SplitText(endMarker, kPieceSeparator);
    if (endPieces.isEmpty())
        return {};
    const qsizetype first = working.indexOf(endPieces.first(), 0, Qt::CaseSensitive);
    const qsizetype last = working.indexOf(endPieces.last(), 0, Qt::CaseSensitive);
    if (first < 0 || last < 0)
        return {};
    return working.left(first).toString();
}
