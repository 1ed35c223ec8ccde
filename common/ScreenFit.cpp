#include "common/ScreenFit.h"

#include <QStandardPaths>

#include <algorithm>

namespace ScreenFit {

namespace {

// How much of the title edge must lie on a screen for the user to grab it.
constexpr int GrabWidth = 100;
constexpr int GrabHeight = 30;

bool grabbable(const QRect &window, const QRect &area)
{
    const QRect top(window.left(), window.top(), window.width(), std::min(GrabHeight, window.height()));
    const QRect shown = top.intersected(area);
    return window.top() >= area.top() && window.top() < area.bottom()
        && shown.width() >= std::min(GrabWidth, window.width());
}

QSize fitted(QSize size, const QRect &area, const QSize &minimum)
{
    size = size.boundedTo(area.size());
    return size.expandedTo(minimum);
}

} // namespace

QRect place(const QRect &remembered, const QList<QRect> &available, const QSize &minimum)
{
    if (available.isEmpty())
        return QRect(remembered.isValid() ? remembered.topLeft() : QPoint(),
                     (remembered.isValid() ? remembered.size() : PreferredSize).expandedTo(minimum));
    if (remembered.isValid()) {
        for (const QRect &area : available) {
            if (!grabbable(remembered, area))
                continue;
            QRect kept(remembered.topLeft(), fitted(remembered.size(), area, minimum));
            // Whatever hung over the area's edges comes back inside it.
            if (kept.right() > area.right())
                kept.moveRight(area.right());
            if (kept.bottom() > area.bottom())
                kept.moveBottom(area.bottom());
            kept.moveTopLeft(QPoint(std::max(kept.left(), area.left()), std::max(kept.top(), area.top())));
            return kept;
        }
    }
    const QRect &primary = available.first();
    QRect centred(QPoint(), fitted(remembered.isValid() ? remembered.size() : PreferredSize, primary, minimum));
    centred.moveCenter(primary.center());
    centred.moveTopLeft(QPoint(std::max(centred.left(), primary.left()), std::max(centred.top(), primary.top())));
    return centred;
}

QString rememberedFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/wexly/window.conf");
}

} // namespace ScreenFit
