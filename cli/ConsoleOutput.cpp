#include "cli/ConsoleOutput.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Back to the start of the line and erase it.
const char ClearLine[] = "\r\x1b[K";

int terminalWidth(std::FILE *stream)
{
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

bool isWide(char32_t c)
{
    // Hangul Jamo, CJK radicals to Yi, Hangul syllables, compatibility
    // ideographs, vertical and fullwidth forms, and the supplementary ideographs.
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Store errors separate their lines with a carriage return, which a terminal
// would take as "back to the start of this line".
QByteArray asLines(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    return lines.toUtf8() + '\n';
}

} // namespace

ConsoleOutput::ConsoleOutput(std::FILE *out, std::FILE *err, bool terminal, int width)
    : m_out(out), m_err(err), m_terminal(terminal),
      m_width(width > 0 ? width : (terminal ? terminalWidth(out) : 80))
{
}

ConsoleOutput ConsoleOutput::forProcess()
{
    return ConsoleOutput(stdout, stderr, isatty(STDOUT_FILENO) == 1);
}

void ConsoleOutput::write(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    // Every line as it comes: a timer's journal shows the run as it goes.
    std::fflush(stream);
}

void ConsoleOutput::line(const QString &text)
{
    clearProgress();
    write(m_out, asLines(text));
    drawProgress();
}

void ConsoleOutput::error(const QString &text)
{
    // Both streams usually share the terminal: the progress line goes first.
    clearProgress();
    write(m_err, asLines(text));
    drawProgress();
}

QString ConsoleOutput::progressText(qint64 done, qint64 total, const QString &address, const QString &detail)
{
    QString text = u'[' + QString::number(done) + u'/' + QString::number(total) + QStringLiteral("] ") + address;
    if (!detail.isEmpty())
        text += QStringLiteral("  ") + detail;
    // A line break in an address would leave the line it cannot redraw.
    for (QChar &c : text) {
        if (c.unicode() < u' ')
            c = u' ';
    }
    return text;
}

namespace {

// Calls visit(units, columns) for each character of text until it returns false.
template<typename Visit>
void forEachCharacter(const QString &text, Visit visit)
{
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype units = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            units = 2;
        }
        if (!visit(units, isWide(c) ? 2 : 1))
            return;
        i += units;
    }
}

} // namespace

QString ConsoleOutput::fitColumns(const QString &text, int columns)
{
    int used = 0;
    qsizetype end = 0;
    forEachCharacter(text, [&](qsizetype units, int width) {
        if (used + width > columns)
            return false;
        used += width;
        end += units;
        return true;
    });
    return text.left(end);
}

int ConsoleOutput::displayWidth(const QString &text)
{
    int used = 0;
    forEachCharacter(text, [&](qsizetype, int width) {
        used += width;
        return true;
    });
    return used;
}

void ConsoleOutput::progress(qint64 done, qint64 total, const QString &address, const QString &detail)
{
    if (!m_terminal)
        return;
    showProgressLine(progressText(done, total, address, QString()), progressText(done, total, address, detail));
}

void ConsoleOutput::showProgress(const QString &text)
{
    if (!m_terminal)
        return;
    QString shown = text;
    for (QChar &c : shown) {
        if (c.unicode() < u' ')
            c = u' ';
    }
    showProgressLine(shown, shown);
}

void ConsoleOutput::showProgressLine(const QString &head, const QString &fullText)
{
    // The last column stays free: writing into it wraps on some terminals.
    const QString text = fitColumns(fullText, qMax(1, m_width - 1));
    const bool due = m_progress.isEmpty() || head != m_progressHead || !m_drawn.isValid() || m_drawn.hasExpired(100);
    // The text is kept either way: the next redraw shows the latest.
    m_progress = text;
    m_progressHead = head;
    if (!due)
        return;
    write(m_out, ClearLine + m_progress.toUtf8());
    m_drawn.start();
}

void ConsoleOutput::endProgress()
{
    clearProgress();
    m_progress.clear();
}

void ConsoleOutput::clearProgress()
{
    if (!m_progress.isEmpty())
        write(m_out, ClearLine);
}

void ConsoleOutput::drawProgress()
{
    if (!m_progress.isEmpty()) {
        write(m_out, m_progress.toUtf8());
        m_drawn.start();
    }
}
