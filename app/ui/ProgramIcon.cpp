#include "app/ui/ProgramIcon.h"

QIcon programIcon()
{
    QIcon icon;
    for (int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/wexly-%1.png").arg(size), QSize(size, size));
    return icon;
}
