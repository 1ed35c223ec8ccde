#pragma once
#include "common/ProgramLocation.h"

#include <QString>
#include <functional>

class Dialogs;
class HandlerGuard;
struct AppSettings;

// What the windows share and what tests replace: the message boxes, the handler
// guard, the settings, and the few calls into the system.
struct AppContext {
    Dialogs *dialogs = nullptr;
    HandlerGuard *guard = nullptr;
    AppSettings *settings = nullptr;
    // Full path of the running executable; ProgramDir is taken from it.
    QString executablePath;
    // The program directory for that path (portable or per-user data folder).
    // Tests put their own temporary folder in its place.
    std::function<QString(const QString &)> locateProgramDir = ProgramLocation::programDirFor;
    // The file where the main window remembers its size, place and column
    // widths; empty: it remembers nothing (tests that do not ask for it).
    QString windowStateFile;
    // Does the computer have a network connection?
    std::function<bool()> isOnline;
    // Opens an address in the user's web browser.
    std::function<void(const QString &)> openInBrowser;
    // Asks where to save a file (caption, suggested path, file-type filter);
    // the empty text when the user cancels. Unset: the system's save dialog.
    std::function<QString(const QString &, const QString &, const QString &)> chooseSaveFile;
};
