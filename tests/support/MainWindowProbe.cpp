#include "MainWindowProbe.h"

#include "app/ui/TMainFrm.h"

namespace MainWindowProbe {
namespace {

TMainFrm &program(QMainWindow *main)
{
    return *static_cast<TMainFrm *>(main);
}

} // namespace

QString messagePanel(QMainWindow *main)
{
    return program(main).messagePanel();
}

bool isOnline(QMainWindow *main)
{
    return program(main).isOnline();
}

int helpTopic(QMainWindow *main)
{
    return program(main).helpTopic();
}

SharedWebClient &pingClient(QMainWindow *main)
{
    return program(main).IdHTTP2;
}

} // namespace MainWindowProbe
