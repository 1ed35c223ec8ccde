#pragma once
#include <QList>
#include <QString>

class QTreeWidget;

// The address list's columns. What a column shows decides its width: a fixed
// number of pixels, the width left over (the title), or a whole timestamp.
enum class ColumnRole { Fixed, Fill, Timestamp };

struct LinkListColumn {
    QString header;
    ColumnRole role;
    int width = 0; // Fixed only
};

// "编号" … "最后PING时间", in display order.
QList<LinkListColumn> linkListColumns();

// Gives the list its headers and widths. Every column but the one that fills
// can be widened by dragging its header edge; the filling one takes whatever
// width is left when the window grows or shrinks.
void setUpLinkListColumns(QTreeWidget *list, const QList<LinkListColumn> &columns);

// A whole "yyyy-mm-dd hh:nn:ss" in the bold font of indexed rows, with the
// cell's margins, and never narrower than the column's header.
int timestampColumnWidth(const QTreeWidget *list, int column);
