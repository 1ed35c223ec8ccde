#pragma once
#include "audit/RobotsTxt.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

class WebClient;

// What the audit of one address found.
struct AuditResult {
    int httpStatus = 0; // of the last answer; 0 when none came
    QString finalUrl;   // where the redirects ended (or stopped)
    QStringList problems; // in the order of the verdict texts

    bool ok() const { return problems.isEmpty(); }
    // The problems joined by "；", or "正常".
    QString text() const;
};

namespace AuditTexts {
inline const QString Separator = QStringLiteral("；");
inline const QString Fine = QStringLiteral("正常");
// The kind a problem is counted under: the text without the address or
// error that follows its "：" ("跳转到：https://…" is "跳转到").
QString kindOf(const QString &problem);
} // namespace AuditTexts

// The audit of addresses as a search engine's crawler sees them: the host's
// robots.txt (read once per scheme, host and port for the auditor's life), the
// page's answer through up to five redirects, its robots meta tags and
// X-Robots-Tag header, and its canonical address.
class PageAuditor {
public:
    // agent: the crawler's product token and name ("Baiduspider").
    explicit PageAuditor(const QString &agent);
    ~PageAuditor();
    PageAuditor(const PageAuditor &) = delete;
    PageAuditor &operator=(const PageAuditor &) = delete;

    AuditResult audit(const QString &address);

    static constexpr int MaxRedirects = 5;
    static constexpr qint64 MaxPageBytes = 2 * 1024 * 1024;
    // "Mozilla/5.0 (compatible; Wexly/1.0.0.29)", from the built-in version.
    static QString userAgent();
    // The address as compared: scheme and host in lower case, no default port,
    // "/" for an empty path.
    static QString comparable(const QUrl &url);

private:
    struct Robots {
        RobotsRules rules;
        bool unreachable = false;
    };
    const Robots &robotsFor(const QUrl &url);

    QString m_agent;
    QStringList m_agentNames;
    std::unique_ptr<WebClient> m_client;
    QHash<QString, Robots> m_robots;
};
