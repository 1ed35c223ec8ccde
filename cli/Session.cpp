#include "cli/Session.h"

#include "cli/ConsoleOutput.h"

Session::Session(ConsoleOutput &out, QString programDir, const AppSettings &settings)
    : out(out), programDir(std::move(programDir)), settings(settings), dialogs(out), m_guard(dialogs),
      m_services(m_sharedClient, this->settings), m_batchRuns(consoleRunWindow(), m_services, this->settings)
{
}

RunWindow Session::consoleRunWindow()
{
    RunWindow window;
    // The status tab, the pause button and the status bar have no console
    // counterpart; the progress line shows the row in hand instead.
    window.showStatusLog = [] {};
    window.clearStatusLog = [] {};
    window.appendStatusLog = [this](const QString &line) { out.line(line); };
    window.setMessagePanel = [](const QString &) {};
    window.setPauseCaption = [](const QString &) {};
    window.siteFilter = [this] { return m_siteFilter; };
    window.rowStarted = [this](int index, int count, const QString &address) {
        out.progress(index, count, address);
    };
    window.reportProblem = [this](const QString &line) { reportProblem(line); };
    return window;
}

void Session::reportProblem(const QString &line)
{
    m_problemReported = true;
    out.error(line);
}

bool Session::runStep(const QString &context, const std::function<void()> &body)
{
    dialogs.setContext(context);
    dialogs.resetErrorShown();
    m_problemReported = false;
    m_guard.run(body);
    out.endProgress();
    const bool ok = !dialogs.errorShown() && !m_problemReported;
    dialogs.setContext({});
    return ok;
}
