#include "query/ui/TfrmChaXun.h"

TfrmChaXun::TfrmChaXun(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmChaXun"));
    setWindowTitle(QStringLiteral("收录查询"));
    setFixedSize(488, 371);
}
