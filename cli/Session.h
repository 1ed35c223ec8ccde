#pragma once
#include "common/AppSettings.h"
#include "common/HandlerGuard.h"
#include "cli/ConsoleDialogs.h"
#include "ping/BatchRuns.h"
#include "ping/PingServices.h"
#include "platform/WebClient.h"

#include <QString>
#include <functional>
#include <memory>

class ConsoleOutput;

// What the subcommands of one run share, as the main window holds it for its
// handlers: the program directory (also the working directory, where
// database.db is opened), the settings of its config.ini, the message boxes
// and error handling, the feed client and the batch runs with their client.
class Session {
public:
    Session(ConsoleOutput &out, QString programDir, const AppSettings &settings);
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    ConsoleOutput &out;
    const QString programDir; // with a trailing "/"
    AppSettings settings;
    ConsoleDialogs dialogs;

    // Runs one step as a window handler runs: an error it raises, or an error
    // it shows as a message box, goes to standard error with `context` before
    // it. True when the step ran without either.
    bool runStep(const QString &context, const std::function<void()> &body);
    // A line saying something stopped that the user must act on, while the
    // step itself goes on: standard error, and the step fails.
    void reportProblem(const QString &line);

    // The feed client: it lives for the run, so its cookies gather as the
    // window's do.
    WebClient &feedClient() { return *m_feedClient; }
    // The same client shared, for the parts and pages the import fetches itself.
    const std::shared_ptr<WebClient> &sharedFeedClient() const { return m_feedClient; }
    // The batch ping and index check over the site filter's site (0: all).
    BatchRuns &batchRuns() { return m_batchRuns; }
    void setSiteFilter(qint32 site) { m_siteFilter = QString::number(site); }

private:
    RunWindow consoleRunWindow();

    HandlerGuard m_guard;
    bool m_problemReported = false;
    std::shared_ptr<WebClient> m_feedClient = std::make_shared<WebClient>();
    SharedWebClient m_sharedClient;
    PingServices m_services;
    QString m_siteFilter = QStringLiteral("0");
    BatchRuns m_batchRuns;
};
