#include "common/AppSettings.h"
#include "common/ApplicationTitle.h"
#include "common/HandlerGuard.h"
#include "common/ScreenFit.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TMainFrm.h"
#include "platform/OnlineTest.h"
#include "platform/ui/OpenInBrowser.h"
#include "platform/ui/WidgetDialogs.h"
#include "store/SQLiteDatabase.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(programIcon());
    // Lets the desktop match the windows with the menu entry wexly.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("wexly"));

    // wexly-cli and the daily timer write to the same store: a short write of
    // theirs is waited for, with the window still answering meanwhile.
    TSQLiteDatabase::setBusyTimeout(30000, TSQLiteDatabase::BusyWait::Pumped);

    AppSettings settings;
    WidgetDialogs dialogs;
    HandlerGuard guard(dialogs);
    AppContext context;
    context.dialogs = &dialogs;
    context.guard = &guard;
    context.settings = &settings;
    context.executablePath = QApplication::applicationFilePath();
    context.isOnline = systemIsOnline;
    context.openInBrowser = openInUserBrowser;
    context.windowStateFile = ScreenFit::rememberedFile();

    auto windows = createProgramWindows(context);
    dialogs.setParent(windows.get());
    windows->show();
    return app.exec();
}
