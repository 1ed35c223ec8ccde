#pragma once
#include "platform/WebClient.h"

#include <QString>

class QMainWindow;

// What the subsystems' window tests read of the main window beyond its named
// controls, so that only the program's own tests see its class.
namespace MainWindowProbe {

QString messagePanel(QMainWindow *main);
bool isOnline(QMainWindow *main);
// The help topic the main window last opened.
int helpTopic(QMainWindow *main);
// The client of the pings and index checks.
SharedWebClient &pingClient(QMainWindow *main);

} // namespace MainWindowProbe
