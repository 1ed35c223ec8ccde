#include "cli/ConsoleDialogs.h"

#include "cli/ConsoleOutput.h"

ConsoleDialogs::ConsoleDialogs(ConsoleOutput &out) : m_out(out) {}

QString ConsoleDialogs::withContext(const QString &text) const
{
    return m_context.isEmpty() ? text : m_context + QStringLiteral(": ") + text;
}

void ConsoleDialogs::showMessage(const QString &text)
{
    if (m_messagesAreErrors) {
        m_errorShown = true;
        m_out.error(withContext(text));
    } else {
        m_out.line(withContext(text));
    }
}

void ConsoleDialogs::showError(const QString &text)
{
    m_errorShown = true;
    m_out.error(withContext(text));
}

bool ConsoleDialogs::confirm(const QString &caption, const QString &text)
{
    m_out.error(withContext(caption + QStringLiteral(": ") + text + QStringLiteral(" -> no")));
    return false;
}

bool ConsoleDialogs::askYesNo(const QString &caption, const QString &text)
{
    return confirm(caption, text);
}
