#include "report/ui/SaveFileDialog.h"

#include <QFileDialog>

QString chooseSaveFile(const AppContext &context, QWidget *parent, const QString &caption,
                       const QString &suggested, const QString &filter)
{
    if (context.chooseSaveFile)
        return context.chooseSaveFile(caption, suggested, filter);
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}
