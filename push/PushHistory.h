#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

namespace PushHistory {

// The earliest successful push of each address on any channel, by dataid;
// addresses never pushed successfully are absent. One statement for all of
// them (the rows of one list page). Opens database.db for the call.
QHash<QString, QString> firstPushTimes(const QStringList &dataids);

} // namespace PushHistory
