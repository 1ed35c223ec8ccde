#pragma once
#include <QElapsedTimer>
#include <QString>
#include <cstdio>

// Where the command line writes: plain lines to standard output, errors to
// standard error and, when standard output is a terminal, one progress line
// that is redrawn in place and cleared before anything else is written, so
// that it never stays among the plain lines. Output that is not a terminal (a
// log file, a pipe, the journal) gets the plain lines only.
class ConsoleOutput {
public:
    // width: columns of the terminal; 0 asks the terminal (80 when it cannot say).
    ConsoleOutput(std::FILE *out, std::FILE *err, bool terminal, int width = 0);
    // Standard output and standard error; a terminal when standard output is one.
    static ConsoleOutput forProcess();

    bool isTerminal() const { return m_terminal; }

    void line(const QString &text);
    void error(const QString &text);

    // "[done/total] address  detail", cut to the terminal's width. Nothing
    // when the output is not a terminal. A change of the detail alone is
    // drawn at most ten times a second: an import reports every element.
    void progress(qint64 done, qint64 total, const QString &address, const QString &detail = {});
    // A progress line of free text, such as a message panel's "推送进度：3/7";
    // drawn as progress() draws it.
    void showProgress(const QString &text);
    // Removes the progress line, if one is shown.
    void endProgress();

    // The progress text before it is cut (for tests as for drawing).
    static QString progressText(qint64 done, qint64 total, const QString &address, const QString &detail);
    // The longest start of text that fits into columns; East Asian wide
    // characters take two columns.
    static QString fitColumns(const QString &text, int columns);
    // The columns text takes on a terminal.
    static int displayWidth(const QString &text);

private:
    void write(std::FILE *stream, const QByteArray &bytes);
    void clearProgress();
    void drawProgress();
    // head: what makes a redraw due at once when it changes.
    void showProgressLine(const QString &head, const QString &text);

    std::FILE *m_out;
    std::FILE *m_err;
    bool m_terminal;
    int m_width;
    QString m_progress; // the text shown, empty when none
    QString m_progressHead; // "[done/total] address" of the text shown
    QElapsedTimer m_drawn;  // since the progress line was last drawn
};
