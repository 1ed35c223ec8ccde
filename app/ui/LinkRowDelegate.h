#pragma once
#include <QStyledItemDelegate>

// Draws the cells of the address list (GlobalDataCustomDrawSubItem): rows
// alternate light grey (even positions, from 0) and white, rows whose "收录"
// cell is "√" are written in bold green, every cell has grid lines, and rows
// are 20 pixels high.
class LinkRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int RowHeight = 20;
    static constexpr int IndexedColumn = 4;

    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor rowBackground(int row);
    static bool rowIsIndexed(const QModelIndex &index);
    // The font and text colour a cell is drawn with.
    static QFont cellFont(const QModelIndex &index, const QFont &listFont);
    static QColor cellTextColour(const QModelIndex &index, const QColor &listText);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
