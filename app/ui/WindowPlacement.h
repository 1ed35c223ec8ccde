#pragma once
class QWidget;

// The secondary windows open beside the main window: their frame's left edge
// 450 and top edge 150 pixels from the main window's frame corner.
void placeBesideMainWindow(QWidget *window, const QWidget *mainWindow);
