// wexly-cli: the steps of the program without a window. It links the logic
// library only, so it runs where there is no display at all.
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wexly-cli"));
    ConsoleOutput out = ConsoleOutput::forProcess();
    return runCommandLine(QCoreApplication::arguments().mid(1), QCoreApplication::applicationFilePath(), out);
}
