#pragma once
#include "platform/Dialogs.h"

#include <QString>

class ConsoleOutput;

// The message boxes of the logic, on the console. There is nobody to answer:
// a question is written out and answered "no", so nothing that asks first
// happens unasked. The boxes the fetch and the batch runs show all report
// failures, so plain messages count as errors unless a command says otherwise.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(ConsoleOutput &out);

    // Put before every text, such as the feed address a message is about.
    void setContext(const QString &context) { m_context = context; }
    // False: plain messages are news for standard output, not failures.
    void setMessagesAreErrors(bool errors) { m_messagesAreErrors = errors; }

    // Whether an error was shown since the last reset.
    bool errorShown() const { return m_errorShown; }
    void resetErrorShown() { m_errorShown = false; }

    void showMessage(const QString &text) override;
    void showError(const QString &text) override;
    bool confirm(const QString &caption, const QString &text) override;
    bool askYesNo(const QString &caption, const QString &text) override;

private:
    QString withContext(const QString &text) const;

    ConsoleOutput &m_out;
    QString m_context;
    bool m_messagesAreErrors = true;
    bool m_errorShown = false;
};
