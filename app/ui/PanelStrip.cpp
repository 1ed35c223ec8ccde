#include "app/ui/PanelStrip.h"

#include <QMouseEvent>

void PanelStrip::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void PanelStrip::mouseMoveEvent(QMouseEvent *event)
{
    emit hovered();
    QLabel::mouseMoveEvent(event);
}

void PanelStrip::leaveEvent(QEvent *event)
{
    emit left();
    QLabel::leaveEvent(event);
}
