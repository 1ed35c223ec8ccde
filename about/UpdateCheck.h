#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class Dialogs;

// What the update check needs from the program: the message boxes, the online
// test (which also records its answer), the running version's text, a GET
// through the shared web client, the user's browser and the program's end.
struct UpdateCheckPorts {
    Dialogs *dialogs = nullptr;
    std::function<bool()> testOnline;
    std::function<QString()> currentVersion;
    std::function<QByteArray(const QString &url)> get;
    std::function<void(const QString &address)> openInBrowser;
    std::function<void()> endProgram;
};

// Fetches the latest version number from updateUrl and compares it with the
// running version; offers to open downloadPage when it is newer. A body or a
// running version that is not a version raises EConvertError.
void runUpdateCheck(const UpdateCheckPorts &ports, const QString &updateUrl,
                    const QString &downloadPage);

// The numbers of a version as the update server writes it ("1.0.0.30"), blanks
// and line breaks around it ignored. Numbers are kept as digit strings without
// leading zeros, so no length limits them.
QStringList latestVersionFields(const QString &body);
// The numbers of the running version's text ("1.0.0 build 29", flag words in
// parentheses allowed after it).
QStringList runningVersionFields(const QString &text);
// <0, 0, >0 as a is older than, equal to or newer than b, field by field;
// a missing field counts as 0.
int compareVersionFields(const QStringList &a, const QStringList &b);
