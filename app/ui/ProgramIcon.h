#pragma once
#include <QIcon>

// The program's icon, drawn from desktop/wexly.svg at 48, 128 and 256 pixels
// by the build: the same picture as the desktop menu entry's.
QIcon programIcon();
