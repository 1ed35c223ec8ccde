#include "platform/ui/WindowRole.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

constexpr const char *RoleProperty = "wexlyAccessibleRole";

// Asked for every object the accessibility tree meets, first with the most
// derived class name; answers only for the windows marked below.
QAccessibleInterface *windowInterface(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(RoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Role(role.toInt()));
}

} // namespace

void setAccessibleWindowRole(QWidget *window, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(RoleProperty, int(role));
}
