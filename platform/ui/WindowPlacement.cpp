#include "platform/ui/WindowPlacement.h"

#include <QWidget>

void placeBesideMainWindow(QWidget *window, const QWidget *mainWindow)
{
    if (!window || !mainWindow)
        return;
    const QRect frame = mainWindow->frameGeometry();
    window->move(frame.left() + 450, frame.top() + 150);
}
