#pragma once
#include <QAccessible>

class QWidget;

// The secondary windows are plain widgets with window flags, which the
// accessibility tree would show as a mere pane: screen readers would not
// announce them and nothing could find them by role. This gives such a
// window the role of a dialog or a frame there; nothing else about it
// changes (a QDialog base would bring its own keys and placement).
void setAccessibleWindowRole(QWidget *window, QAccessible::Role role);
