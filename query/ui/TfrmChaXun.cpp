#include "query/ui/TfrmChaXun.h"
#include "app/ui/WindowPlacement.h"

TfrmChaXun::TfrmChaXun(QWidget *mainWindow)
    : QWidget(mainWindow, fixedDialogFlags())
{
    setObjectName(QStringLiteral("frmChaXun"));
    setWindowTitle(QStringLiteral("收录查询"));
    setFixedSize(488, 371);
}
