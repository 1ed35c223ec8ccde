#pragma once
#include <QString>

// Shown on the taskbar button and as the caption of every plain message box.
inline QString applicationTitle() { return QStringLiteral("Orvik 站长工具"); }
