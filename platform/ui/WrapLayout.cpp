#include "platform/ui/WrapLayout.h"

#include <QWidget>

#include <algorithm>

WrapLayout::WrapLayout(QWidget *parent) : QLayout(parent) {}

WrapLayout::~WrapLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void WrapLayout::addItem(QLayoutItem *item) { m_items.append(item); }

int WrapLayout::count() const { return int(m_items.size()); }

QLayoutItem *WrapLayout::itemAt(int index) const { return m_items.value(index); }

QLayoutItem *WrapLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations WrapLayout::expandingDirections() const { return {}; }

bool WrapLayout::hasHeightForWidth() const { return true; }

int WrapLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

QSize WrapLayout::minimumSize() const
{
    // As narrow as the widest item, every item in a row of its own.
    QSize size;
    for (const QLayoutItem *item : m_items)
        size = size.expandedTo(item->sizeHint().expandedTo(item->minimumSize()));
    const QMargins m = contentsMargins();
    const int width = size.width() + m.left() + m.right();
    return {width, heightForWidth(width)};
}

QSize WrapLayout::sizeHint() const
{
    // Everything in one row.
    int width = 0;
    int height = 0;
    for (const QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint().expandedTo(item->minimumSize());
        width += (width > 0 ? spacing() : 0) + hint.width();
        height = std::max(height, hint.height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void WrapLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int WrapLayout::arrange(const QRect &rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(spacing(), 0);
    int top = area.top();
    int from = 0;
    while (from < m_items.size()) {
        // The row: as many items as fit, at least one.
        QList<QLayoutItem *> row;
        QList<QSize> sizes;
        int used = 0;
        int height = 0;
        int next = from;
        for (; next < m_items.size(); ++next) {
            QLayoutItem *item = m_items.at(next);
            if (item->isEmpty())
                continue;
            const QSize hint = item->sizeHint().expandedTo(item->minimumSize());
            const int needed = used + (row.isEmpty() ? 0 : gap) + hint.width();
            if (!row.isEmpty() && needed > area.width())
                break;
            row << item;
            sizes << hint;
            used = needed;
            height = std::max(height, hint.height());
        }
        from = next;
        if (row.isEmpty())
            break;
        if (place) {
            // The strip's first item at the left edge, the rest against the right one.
            const bool first = top == area.top();
            int x = area.left();
            const int spare = std::max(0, area.width() - used);
            for (int i = 0; i < row.size(); ++i) {
                if (i == (first ? 1 : 0))
                    x += spare;
                const int width = std::min(sizes.at(i).width(), area.width());
                row.at(i)->setGeometry(QRect(x, top + (height - sizes.at(i).height()) / 2, width,
                                             sizes.at(i).height()));
                x += width + gap;
            }
        }
        top += height + gap;
    }
    const int used = top > area.top() ? top - gap - area.top() : 0;
    const QMargins m = contentsMargins();
    return used + m.top() + m.bottom();
}
