#include "platform/ui/OpenInBrowser.h"

#include <QDesktopServices>
#include <QUrl>

void openInUserBrowser(const QString &address)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}
