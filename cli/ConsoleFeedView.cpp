#include "cli/ConsoleFeedView.h"

#include "cli/ConsoleOutput.h"
#include "cli/Session.h"
#include "platform/Codepage.h"

#include <QFile>

ConsoleFeedView::ConsoleFeedView(ConsoleOutput &out, const QString &programDir) : m_out(out)
{
    // As the window loads it at start-up: an absent file is an empty list.
    QFile list(programDir + QStringLiteral("rssurl.txt"));
    if (list.exists() && list.open(QIODevice::ReadOnly))
        m_addresses = Codepage::splitLines(Codepage::decodeTextFile(list.readAll()));
}

void ConsoleFeedView::setFeed(int index, int count, const QString &address)
{
    m_index = index;
    m_count = count;
    m_address = address;
    m_out.progress(index, count, address);
}

void ConsoleFeedView::setMessagePanel(const QString &text)
{
    m_out.progress(m_index, m_count, m_address, text);
}

void ConsoleFeedView::reportProblem(const QString &line)
{
    if (m_session)
        m_session->reportProblem(line);
    else
        m_out.error(line);
}
