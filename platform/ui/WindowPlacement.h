#pragma once
class QWidget;

// The secondary windows open beside the main window: their frame's left edge
// 450 and top edge 150 pixels from the main window's frame corner.
void placeBesideMainWindow(QWidget *window, const QWidget *mainWindow);

#include <Qt>

// The secondary windows' frame: a fixed-size dialog with a system menu and a
// minimise box.
inline Qt::WindowFlags fixedDialogFlags()
{
    return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}
