#pragma once
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// Where the main window opens: pure geometry, so it is tested without screens.
namespace ScreenFit {

// The size the window asks for when nothing is remembered.
inline constexpr QSize PreferredSize{1100, 680};

// The window's rectangle for the screens' available areas (the first one is
// the primary screen). A remembered rectangle stays where it was when its top
// edge, where the title bar is grabbed, lies on one of the areas with enough
// of it showing; otherwise it comes back centred on the primary area. An
// empty `remembered` opens at `PreferredSize` centred on the primary area.
// Either way the size is cut to fit the area it ends up on, but never below
// `minimum`.
QRect place(const QRect &remembered, const QList<QRect> &available, const QSize &minimum);

// Where the window remembers its size, place and column widths between starts:
// "window.conf" in the program's folder of the user's configuration home
// (never config.ini, which is the user's own file).
QString rememberedFile();

} // namespace ScreenFit
