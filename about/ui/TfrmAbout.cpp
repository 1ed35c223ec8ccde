#include "about/ui/TfrmAbout.h"
#include "app/ui/WindowPlacement.h"

TfrmAbout::TfrmAbout(QWidget *mainWindow)
    : QWidget(mainWindow, fixedDialogFlags())
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setFixedSize(317, 211);
}
