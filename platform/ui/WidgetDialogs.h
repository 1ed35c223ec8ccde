#pragma once
#include "platform/Dialogs.h"

class QWidget;

// The program's message boxes as real modal QMessageBoxes.
class WidgetDialogs : public Dialogs {
public:
    explicit WidgetDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void showMessage(const QString &text) override;
    void showError(const QString &text) override;
    bool confirm(const QString &caption, const QString &text) override;
    bool askYesNo(const QString &caption, const QString &text) override;

private:
    QWidget *m_parent;
};
