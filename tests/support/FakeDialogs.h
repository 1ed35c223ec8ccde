#pragma once
#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

// Records every message box and answers the questions from a script
// (true = OK / Yes); unscripted questions are answered with true.
class FakeDialogs : public Dialogs {
public:
    struct Box {
        QString kind; // "message", "error", "confirm", "ask"
        QString caption;
        QString text;
    };

    void showMessage(const QString &text) override { boxes << Box{"message", {}, text}; }
    void showError(const QString &text) override { boxes << Box{"error", {}, text}; }
    bool confirm(const QString &caption, const QString &text) override
    {
        boxes << Box{"confirm", caption, text};
        return nextAnswer();
    }
    bool askYesNo(const QString &caption, const QString &text) override
    {
        boxes << Box{"ask", caption, text};
        return nextAnswer();
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Box &b : boxes)
            out << b.text;
        return out;
    }
    QStringList textsOf(const QString &kind) const
    {
        QStringList out;
        for (const Box &b : boxes)
            if (b.kind == kind)
                out << b.text;
        return out;
    }

    QList<Box> boxes;
    QList<bool> answers;

private:
    bool nextAnswer() { return answers.isEmpty() ? true : answers.takeFirst(); }
};
