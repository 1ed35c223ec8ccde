#pragma once
#include <QString>
#include <QtGlobal>
#include <functional>

class PingServices;
class RunLock;
struct AppSettings;

// What the batch runs show and read in the main window.
struct RunWindow {
    std::function<void()> showStatusLog;
    std::function<void()> clearStatusLog;
    std::function<void(const QString &)> appendStatusLog;
    std::function<void(const QString &)> setMessagePanel; // the progress text
    std::function<void(const QString &)> setPauseCaption;
    std::function<QString()> siteFilter; // lblRssid's caption
    // True once the user has asked to close the program: a long wait gives up.
    // Optional; without it nothing closes.
    std::function<bool()> closing;
    // Optional: a row's turn begins (row index from 0, row count, its address).
    // The window leaves it empty; the command line draws its progress line.
    std::function<void(int index, int count, const QString &address)> rowStarted;
    // Optional: a run that does not start because another process runs its
    // kind reports the line here instead of in the status log. The command
    // line writes it on standard error and fails the step.
    std::function<void(const QString &)> reportProblem;
};

// Takes the run's lock, or, when another process holds it, shows the busy
// line on the window's message panel and reports it: false then.
bool takeRunLock(RunLock &lock, const RunWindow &window);

// The run state shared by both runs and the pause button, zero at start-up.
struct RunState {
    qint32 RunKind = 0; // 0 batch ping, 1 batch index check: the kind the pause button acts on
    qint32 PingPaused = 0;
    qint32 CheckPaused = 0;
    qint32 PingResumeIndex = 0;
    qint32 CheckResumeIndex = 0;
};

// The batch ping and the batch index check over the stored addresses of the
// site filter's site (all sites for 0), newest first, with a wait after each
// address during which the window keeps working, and the pause button.
//
// Everything runs on the one thread: the pause button and the other start
// button run inside a run's waits. A walk of a kind that is still going is
// never started a second time; a run of the other kind may run inside it.
// Across processes each walk holds its kind's RunLock on the program
// directory (the working directory): a start that finds it taken says
// "另一个程序正在执行…" and does nothing.
// Errors leave the run through the caller with the run state as it was; a
// record that cannot be written after its request first gets its own line
// "记录失败：" + address + "：" + reason in the status log.
class BatchRuns {
public:
    BatchRuns(RunWindow window, PingServices &services, const AppSettings &settings);

    void startPing();       // "批量Ping"
    void startCheck();      // "批量检测收录"
    void pauseOrResume();   // the pause button

    // The wait after each address and each second of a verification back-off,
    // delay() unless replaced (tests count the waits).
    void setWait(std::function<void(qint32 msecs)> wait) { m_wait = std::move(wait); }

    const RunState &state() const { return m_state; }
    bool pingWalking() const { return m_pingWalking; }
    bool checkWalking() const { return m_checkWalking; }

    // The longest back-off, and how many verification pages in a row end the run.
    static constexpr qint32 MaxBackoffSeconds = 3600;
    static constexpr int VerificationPagesToGiveUp = 6;

private:
    enum class BackoffEnd { Retry, Paused, Closing };

    void waitAfterRow(qint32 msecs);
    void progress(int index, int count);
    // False, after saying so, when another process runs this kind.
    // Writes a row's record; a failure is logged with the address and passed on.
    void record(const QString &url, const std::function<void()> &write);
    // After a verification page for url: ends the run with the error (back-off
    // off, or too many pages in a row), or waits out the block, counting down
    // the seconds in the message panel, and says how the wait ended.
    BackoffEnd waitOutVerification(const QString &url);

    RunWindow m_window;
    PingServices &m_services;
    const AppSettings &m_settings;
    std::function<void(qint32)> m_wait;
    RunState m_state;
    bool m_pingWalking = false;
    bool m_checkWalking = false;
    // Verification pages in a row since the last real answer; a paused check
    // keeps the count for its resumption.
    int m_verificationPages = 0;
    bool m_keepVerificationCount = false;
};
