#include "cli/CommandLine.h"

#include "common/AppSettings.h"
#include "common/ProgramLocation.h"
#include "common/VersionText.h"
#include "cli/Commands.h"
#include "cli/ConsoleOutput.h"
#include "cli/Session.h"
#include "push/PushSecrets.h"
#include "store/SQLiteDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString ProgramName = QStringLiteral("wexly-cli");

// The CLI may run while the window works on the same file: a lock the other
// process holds is waited for up to this long instead of failing at once.
const int BusyTimeoutMs = 30000;

// The program directory when --dir is not given: the window's choice, its own
// folder when that is a portable program folder, else the per-user data
// folder, made and filled at first use.
QString defaultProgramDir(const QString &executablePath)
{
    return ProgramLocation::programDirFor(executablePath);
}

struct Parsed {
    bool help = false;
    bool version = false;
    QString dir;
    bool dirGiven = false;
    Invocation invocation;
};

// "--name=value" or "--name value"; the value of the option at arguments[i].
QString optionValue(const QStringList &arguments, qsizetype &i, const QString &name)
{
    const QString &argument = arguments.at(i);
    const qsizetype equals = argument.indexOf(u'=');
    if (equals >= 0)
        return argument.mid(equals + 1);
    if (i + 1 >= arguments.size())
        throw UsageError(QStringLiteral("option --") + name + QStringLiteral(" needs a value"));
    return arguments.at(++i);
}

Parsed parse(const QStringList &arguments)
{
    Parsed parsed;
    const Command *command = nullptr;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool isOption = !optionsEnded && argument.startsWith(u'-') && argument.size() > 1;
        if (!isOption) {
            if (!command) {
                command = findCommand(argument);
                if (!command)
                    throw UsageError(QStringLiteral("unknown command: ") + argument);
                parsed.invocation.command = argument;
            } else {
                parsed.invocation.arguments << argument;
            }
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = argument.startsWith(QLatin1String("--"))
            ? argument.mid(2).section(u'=', 0, 0)
            : QString();
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            parsed.help = true;
        } else if (argument == QLatin1String("-V") || argument == QLatin1String("--version")) {
            parsed.version = true;
        } else if (name == QLatin1String("dir")) {
            parsed.dir = optionValue(arguments, i, name);
            parsed.dirGiven = true;
        } else {
            const auto &options = command ? command->options : std::vector<CommandOption>();
            const auto found = std::find_if(options.begin(), options.end(),
                                            [&](const CommandOption &o) { return !name.isEmpty() && o.name == name; });
            if (found == options.end())
                throw UsageError(QStringLiteral("unknown option: ") + argument);
            const QString value = optionValue(arguments, i, name);
            if (found->check)
                found->check(value);
            parsed.invocation.options.insert(name, value);
        }
    }
    if (parsed.help || parsed.version)
        return parsed;
    if (!command)
        throw UsageError(QStringLiteral("no command given"));
    const qsizetype count = parsed.invocation.arguments.size();
    if (count < command->minArguments)
        throw UsageError(command->name + QStringLiteral(": missing argument"));
    if (command->maxArguments >= 0 && count > command->maxArguments)
        throw UsageError(command->name + QStringLiteral(": unexpected argument: ")
                         + parsed.invocation.arguments.at(command->maxArguments));
    if (command->checkArguments)
        command->checkArguments(parsed.invocation.arguments);
    return parsed;
}

int usageError(ConsoleOutput &out, const QString &message)
{
    out.error(ProgramName + QStringLiteral(": ") + message);
    out.error(usageText());
    return ExitUsage;
}

int failure(ConsoleOutput &out, const QString &message)
{
    out.error(ProgramName + QStringLiteral(": ") + message);
    return ExitFailed;
}

} // namespace

QString usageText()
{
    QString text = QStringLiteral("Usage: wexly-cli [--dir DIR] COMMAND [OPTIONS] [ARGUMENTS]\n"
                                  "Runs the steps of Wexly without a window, on the files of its program directory.\n"
                                  "\nCommands:\n");
    for (const Command &command : commandTable()) {
        const QString head = command.name + (command.synopsis.isEmpty() ? QString() : u' ' + command.synopsis);
        text += QStringLiteral("  ") + head;
        // A long synopsis gets a line of its own.
        text += head.size() > 22 ? QStringLiteral("\n") + QString(25, u' ') : QString(23 - head.size(), u' ');
        text += command.summary + u'\n';
        for (const CommandOption &option : command.options) {
            const QString optionHead = QStringLiteral("--") + option.name + u' ' + option.valueName;
            text += QStringLiteral("    ") + optionHead.leftJustified(20) + u' ' + option.help + u'\n';
        }
    }
    text += QStringLiteral(
        "\nOptions:\n"
        "  --dir DIR              the program directory (database.db, config.ini, rssurl.txt);\n"
        "                         without it, the folder of wexly-cli when it holds them,\n"
        "                         else the per-user data folder (~/.local/share/wexly/)\n"
        "  -h, --help             show this text\n"
        "  -V, --version          show the version\n"
        "\nStatus log lines go to standard output, errors to standard error. Exit status:\n"
        "0 when everything ran, 1 when a step reported an error (the others still ran),\n"
        "2 for a usage error.");
    return text;
}

int runCommandLine(const QStringList &arguments, const QString &executablePath, ConsoleOutput &out)
{
    Parsed parsed;
    try {
        parsed = parse(arguments);
    } catch (const UsageError &error) {
        return usageError(out, error.message());
    }
    if (parsed.help) {
        out.line(usageText());
        return ExitOk;
    }
    if (parsed.version) {
        out.line(ProgramName + u' ' + GetVersionString(executablePath));
        return ExitOk;
    }

    QString dirText = parsed.dir;
    if (!parsed.dirGiven) {
        try {
            dirText = defaultProgramDir(executablePath);
        } catch (const AppError &error) {
            return failure(out, error.message());
        }
    }
    const QFileInfo dirInfo(dirText);
    if (dirText.isEmpty() || !dirInfo.isDir())
        return failure(out, QStringLiteral("no such directory: ") + dirText);
    QString programDir = dirInfo.absoluteFilePath();
    if (!programDir.endsWith(u'/'))
        programDir += u'/';
    // Opening a missing store would leave an empty file without tables behind,
    // which the window would then take for the user's store.
    if (!QFileInfo(programDir + QStringLiteral("database.db")).isFile())
        return failure(out, QStringLiteral("no database.db in ") + programDir);
    // database.db is opened in the working directory, as by the window.
    parsed.invocation.startDirectory = QDir::currentPath();
    if (!QDir::setCurrent(programDir))
        return failure(out, QStringLiteral("cannot change to ") + programDir);
    TSQLiteDatabase::setBusyTimeout(BusyTimeoutMs);
    // The window's status log has this line at start; here it goes with the errors,
    // out of the way of what scripts read, and the command runs all the same.
    if (const QString exposed = exposedStoreWarning(QStringLiteral("database.db")); !exposed.isEmpty())
        out.error(exposed);

    AppSettings settings;
    try {
        LoadConfig(settings, programDir + QStringLiteral("config.ini"));
    } catch (const AppError &error) {
        return failure(out, QStringLiteral("config.ini: ") + error.message());
    }

    Session session(out, programDir, settings);
    try {
        const Command *command = findCommand(parsed.invocation.command);
        return command->run(session, parsed.invocation) ? ExitOk : ExitFailed;
    } catch (const UsageError &error) {
        return usageError(out, error.message());
    }
}
