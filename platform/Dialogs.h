#pragma once
#include <QString>

// The message boxes the program shows. Logic classes get one of these instead of
// calling QMessageBox, so tests can answer and record every box.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A plain message under the application title with an OK button.
    virtual void showMessage(const QString &text) = 0;
    // The application's error box: error icon, application title, OK.
    virtual void showError(const QString &text) = 0;
    // OK / Cancel under the given caption; true for OK.
    virtual bool confirm(const QString &caption, const QString &text) = 0;
    // Yes / No under the given caption; true for Yes.
    virtual bool askYesNo(const QString &caption, const QString &text) = 0;
};
