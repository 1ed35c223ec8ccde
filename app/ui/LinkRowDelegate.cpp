#include "app/ui/LinkRowDelegate.h"

#include "audit/ui/AuditMarks.h"

#include <QPainter>

QColor LinkRowDelegate::rowBackground(int row)
{
    return row % 2 == 0 ? QColor(239, 239, 239) : QColor(Qt::white);
}

bool LinkRowDelegate::rowIsIndexed(const QModelIndex &index)
{
    return index.siblingAtColumn(IndexedColumn).data().toString() == QStringLiteral("√");
}

QFont LinkRowDelegate::cellFont(const QModelIndex &index, const QFont &listFont)
{
    QFont font = listFont;
    if (rowIsIndexed(index))
        font.setBold(true);
    return font;
}

QColor LinkRowDelegate::cellTextColour(const QModelIndex &index, const QColor &listText)
{
    if (index.column() == 0 && index.data(AuditMarks::ProblemsRole).isValid())
        return AuditMarks::colour();
    return rowIsIndexed(index) ? QColor(0, 128, 0) : listText;
}

void LinkRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->font = cellFont(index, option->font);
    const QColor text = cellTextColour(index, option->palette.color(QPalette::Text));
    option->palette.setColor(QPalette::Text, text);
    option->palette.setColor(QPalette::HighlightedText,
                             rowIsIndexed(index) ? text
                                                 : option->palette.color(QPalette::HighlightedText));
}

void LinkRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    // The whole cell, the icon area included, takes the row colour first.
    painter->fillRect(option.rect, rowBackground(index.row()));
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(QColor(208, 208, 208));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

QSize LinkRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(RowHeight);
    return size;
}
