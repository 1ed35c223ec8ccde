#include "platform/OnlineTest.h"

#include <QNetworkInterface>

bool systemIsOnline()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &nic : interfaces) {
        const auto flags = nic.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) || !flags.testFlag(QNetworkInterface::IsUp)
            || !flags.testFlag(QNetworkInterface::IsRunning))
            continue;
        if (!nic.addressEntries().isEmpty())
            return true;
    }
    return false;
}
