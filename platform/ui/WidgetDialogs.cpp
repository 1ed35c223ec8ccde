#include "platform/ui/WidgetDialogs.h"

#include "common/ApplicationTitle.h"

#include <QMessageBox>

namespace {

// Texts quote names, titles and addresses as they are: never taken for markup.
QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                const QString &text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton preferred)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(preferred);
    if (box.exec() == -1)
        return QMessageBox::Cancel;
    return box.standardButton(box.clickedButton());
}

} // namespace

void WidgetDialogs::showMessage(const QString &text)
{
    ask(m_parent, QMessageBox::Information, applicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
}

void WidgetDialogs::showError(const QString &text)
{
    ask(m_parent, QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool WidgetDialogs::confirm(const QString &caption, const QString &text)
{
    return ask(m_parent, QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Ok)
        == QMessageBox::Ok;
}

bool WidgetDialogs::askYesNo(const QString &caption, const QString &text)
{
    return ask(m_parent, QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes)
        == QMessageBox::Yes;
}
