#include "platform/ui/WidgetDialogs.h"

#include "common/ApplicationTitle.h"

#include <QMessageBox>

void WidgetDialogs::showMessage(const QString &text)
{
    QMessageBox::information(m_parent, applicationTitle(), text, QMessageBox::Ok);
}

void WidgetDialogs::showError(const QString &text)
{
    QMessageBox::critical(m_parent, applicationTitle(), text, QMessageBox::Ok);
}

bool WidgetDialogs::confirm(const QString &caption, const QString &text)
{
    return QMessageBox::question(m_parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool WidgetDialogs::askYesNo(const QString &caption, const QString &text)
{
    return QMessageBox::question(m_parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}
