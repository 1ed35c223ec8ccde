#include "app/ui/LinkListColumns.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

QList<LinkListColumn> linkListColumns()
{
    return {{QStringLiteral("编号"), ColumnRole::Fixed, 50},
            {QStringLiteral("标题"), ColumnRole::Fill},
            {QStringLiteral("地址"), ColumnRole::Fixed, 260},
            {QStringLiteral("rssid"), ColumnRole::Fixed, 50},
            {QStringLiteral("收录"), ColumnRole::Fixed, 40},
            {QStringLiteral("检测收录时间"), ColumnRole::Timestamp},
            {QStringLiteral("首次PING时间"), ColumnRole::Timestamp},
            {QStringLiteral("最后PING时间"), ColumnRole::Timestamp},
            // The push time goes last, after the columns the list always had.
            {QStringLiteral("推送时间"), ColumnRole::Timestamp}};
}

int timestampColumnWidth(const QTreeWidget *list, int column)
{
    // Measured in the list's own font made bold (the rows of indexed
    // addresses), with the widest digit in every place: fonts whose digits
    // differ in width still show every time whole.
    QFont bold = list->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QString pattern = QStringLiteral("yyyy-mm-dd hh:nn:ss");
    int text = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
        QString sample = pattern;
        for (QChar &c : sample) {
            if (c.isLetter())
                c = QChar(digit);
        }
        text = std::max(text, metrics.horizontalAdvance(sample));
    }
    // The item delegate keeps this margin on either side of the text; one
    // pixel more for the grid line and a little air.
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const int cell = text + 2 * margin + 1 + 4;
    return std::max(cell, list->header()->sectionSizeHint(column));
}

void setUpLinkListColumns(QTreeWidget *list, const QList<LinkListColumn> &columns)
{
    QStringList headers;
    for (const LinkListColumn &c : columns)
        headers << c.header;
    list->setColumnCount(int(columns.size()));
    list->setHeaderLabels(headers);
    QHeaderView *header = list->header();
    header->setStretchLastSection(false);
    for (int i = 0; i < columns.size(); ++i) {
        switch (columns[i].role) {
        case ColumnRole::Fill:
            header->setSectionResizeMode(i, QHeaderView::Stretch);
            break;
        case ColumnRole::Fixed:
            header->setSectionResizeMode(i, QHeaderView::Interactive);
            list->setColumnWidth(i, columns[i].width);
            break;
        case ColumnRole::Timestamp:
            header->setSectionResizeMode(i, QHeaderView::Interactive);
            list->setColumnWidth(i, timestampColumnWidth(list, i));
            break;
        }
    }
}
