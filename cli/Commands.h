#pragma once
#include "platform/Errors.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Session;

// An option of one subcommand: "--name VALUE".
struct CommandOption {
    QString name;      // without the dashes
    QString valueName; // shown in the usage text
    QString help;
    // Checks the value while the command line is read; UsageError when it is wrong.
    std::function<void(const QString &value)> check;
};

// A subcommand as given on the command line.
struct Invocation {
    QString command;
    QStringList arguments;           // the plain arguments, in order
    QHash<QString, QString> options; // the options given, by name
    // The working directory the program was started in. The run works in the
    // program directory, so a file name the user typed is resolved against this.
    QString startDirectory;

    bool has(const QString &name) const { return options.contains(name); }
    QString option(const QString &name) const { return options.value(name); }
};

// One row of the subcommand table. run() returns true when every step ran
// without an error; a usage mistake it finds itself it throws as UsageError.
struct Command {
    QString name;
    QString synopsis; // the arguments after the name in the usage text
    QString summary;  // one line
    std::vector<CommandOption> options;
    int minArguments = 0;
    int maxArguments = 0; // -1: any number
    std::function<bool(Session &, const Invocation &)> run;
    // Checks the plain arguments while the command line is read; UsageError
    // when one is wrong. Unset: any argument will do.
    std::function<void(const QStringList &arguments)> checkArguments = {};
};

// A mistake in the command line itself: exit status 2 with the usage text.
class UsageError : public AppError {
public:
    using AppError::AppError;
};

// Every subcommand, in the order of the usage text.
const std::vector<Command> &commandTable();
const Command *findCommand(const QString &name);

// The steps behind the subcommands; each reports its own errors and returns
// true when it ran without one.
bool runFetch(Session &session, const QStringList &addresses);
bool runPing(Session &session, qint32 site);
bool runCheck(Session &session, qint32 site);
bool runPush(Session &session, qint32 site);
bool runAudit(Session &session, qint32 site);
// path: the file as typed, resolved against startDirectory.
bool runExport(Session &session, qint32 site, const QString &search, const QString &path,
               const QString &startDirectory);
bool runStats(Session &session);
// One row per site: its number (what --site takes), name, feed address and
// the count of its addresses.
bool runSites(Session &session);
bool runDaily(Session &session);

// Inside a step: an AppError when the site number (other than 0) names no site.
void requireSite(qint32 site);

// A site number: decimal digits. UsageError otherwise.
qint32 parseSiteNumber(const QString &value);
// The value of --site: 0 (all sites) when absent.
qint32 siteOption(const Invocation &invocation);
