#include "app/ui/TreeMenuFilter.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

TreeMenuFilter::TreeMenuFilter(QAbstractItemView *view)
    : QObject(view), m_view(view), m_viewport(view->viewport())
{
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

bool TreeMenuFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view && watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return watched == m_viewport
            && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu: {
        // From the mouse (on the viewport) or the menu key (on the view itself).
        if (m_menu)
            m_menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    default:
        return false;
    }
}
