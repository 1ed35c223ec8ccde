#include "about/ui/TfrmAbout.h"

TfrmAbout::TfrmAbout(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setFixedSize(317, 211);
}
