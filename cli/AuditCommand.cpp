// The audit subcommand: the window's index audit, with the addresses that
// have problems on standard output.
#include "audit/AuditRun.h"
#include "audit/PageAudit.h"
#include "cli/Commands.h"
#include "cli/ConsoleOutput.h"
#include "cli/Session.h"

bool runAudit(Session &session, qint32 site)
{
    return session.runStep(QStringLiteral("audit"), [&] {
        requireSite(site);
        RunWindow window;
        // Only addresses with problems are worth a line; the others show on
        // the progress line of a terminal.
        window.appendStatusLog = [](const QString &) {};
        window.setMessagePanel = [](const QString &) {};
        window.reportProblem = [&session](const QString &line) { session.reportProblem(line); };
        window.rowStarted = [&session](int index, int count, const QString &address) {
            session.out.progress(index, count, address);
        };
        AuditRun run(std::move(window), session.settings);
        run.setAudited([&session](const QString &url, const AuditResult &result) {
            if (!result.ok())
                session.out.line(url + QStringLiteral("----") + result.text());
        });
        const AuditTotals totals = run.start(site);
        session.out.endProgress();
        if (totals.ran)
            session.out.line(QStringLiteral("诊断完成：") + QString::number(totals.audited) + QStringLiteral("条，有问题")
                         + QString::number(totals.withProblems) + QStringLiteral("条"));
    });
}
