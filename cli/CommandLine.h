#pragma once
#include <QString>
#include <QStringList>

class ConsoleOutput;

// Exit statuses of wexly-cli.
enum ExitStatus {
    ExitOk = 0,    // everything ran
    ExitFailed = 1, // a step reported an error; the others still ran
    ExitUsage = 2,  // unknown subcommand or option, or a missing or extra argument
};

// The whole program behind main(): reads the command line (without the
// program name), settles the program directory and runs the subcommand.
int runCommandLine(const QStringList &arguments, const QString &executablePath, ConsoleOutput &out);

// The usage text, made from the subcommand table.
QString usageText();
