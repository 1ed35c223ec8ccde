#include "audit/PageAudit.h"

#include "audit/HtmlSignals.h"
#include "platform/VersionRecord.h"
#include "platform/WebClient.h"

namespace {

constexpr int TransferTimeoutMs = 30000;

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QString originOf(const QUrl &url)
{
    return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() + u':'
        + QString::number(url.port(url.scheme().toLower() == QLatin1String("https") ? 443 : 80));
}

struct Followed {
    WebAnswer answer;
    QUrl url;
    bool tooMany = false;
};

// GETs url and follows up to MaxRedirects redirects by hand; a failure before
// an answer throws HttpError.
Followed follow(WebClient &client, QUrl url)
{
    for (int hops = 0;; ++hops) {
        Followed step{client.getForAnswer(url.toString(QUrl::FullyEncoded)), url, false};
        const QByteArray location = step.answer.header("Location").trimmed();
        if (!isRedirect(step.answer.status) || location.isEmpty())
            return step;
        if (hops == PageAuditor::MaxRedirects) {
            step.tooMany = true;
            return step;
        }
        url = url.resolved(QUrl::fromEncoded(location));
    }
}

} // namespace

QString AuditResult::text() const
{
    return problems.isEmpty() ? AuditTexts::Fine : problems.join(AuditTexts::Separator);
}

QString AuditTexts::kindOf(const QString &problem)
{
    const qsizetype colon = problem.indexOf(u'：');
    return colon > 0 ? problem.left(colon) : problem;
}

PageAuditor::PageAuditor(const QString &agent)
    : m_agent(agent.trimmed().isEmpty() ? QStringLiteral("Baiduspider") : agent.trimmed()),
      m_client(std::make_unique<WebClient>())
{
    m_agentNames << QStringLiteral("baiduspider");
    if (!m_agentNames.contains(m_agent, Qt::CaseInsensitive))
        m_agentNames << m_agent;
    m_client->setUserAgent(userAgent());
    m_client->setTransferTimeout(TransferTimeoutMs);
    m_client->setCutAtMaxBodySize(true);
}

PageAuditor::~PageAuditor() = default;

QString PageAuditor::userAgent()
{
    const VersionRecord v = builtInVersionRecord();
    return QStringLiteral("Mozilla/5.0 (compatible; Wexly/%1.%2.%3.%4)").arg(v.major).arg(v.minor).arg(v.release).arg(v.build);
}

QString PageAuditor::comparable(const QUrl &url)
{
    QUrl u = url;
    u.setScheme(u.scheme().toLower());
    u.setHost(u.host().toLower());
    const int defaultPort = u.scheme() == QLatin1String("https") ? 443 : u.scheme() == QLatin1String("http") ? 80 : -1;
    if (u.port() == defaultPort)
        u.setPort(-1);
    if (u.path().isEmpty())
        u.setPath(QStringLiteral("/"));
    return u.toString(QUrl::FullyEncoded);
}

const PageAuditor::Robots &PageAuditor::robotsFor(const QUrl &url)
{
    const QString origin = originOf(url);
    const auto known = m_robots.constFind(origin);
    if (known != m_robots.constEnd())
        return *known;
    Robots robots;
    QUrl file = url;
    file.setPath(QStringLiteral("/robots.txt"));
    file.setQuery(QString());
    file.setFragment(QString());
    file.setUserInfo(QString());
    m_client->setMaxBodySize(RobotsRules::MaxBytes);
    try {
        const Followed got = follow(*m_client, file);
        const int status = got.answer.status;
        if (status >= 200 && status <= 299 && !got.tooMany)
            robots.rules = RobotsRules::parse(got.answer.body, m_agent);
        else if (status >= 500)
            robots.unreachable = true;
        // 4xx, and a chain of more redirects than allowed: no file, nothing forbidden.
    } catch (const HttpError &) {
        robots.unreachable = true;
    }
    if (robots.unreachable)
        robots.rules = RobotsRules::disallowAll();
    return *m_robots.insert(origin, robots);
}

AuditResult PageAuditor::audit(const QString &address)
{
    AuditResult result;
    const QUrl start(address.trimmed());
    result.finalUrl = address.trimmed();
    const bool hasHost = start.isValid() && !start.host().isEmpty();
    if (hasHost) {
        const Robots &robots = robotsFor(start);
        if (robots.unreachable)
            result.problems << QStringLiteral("robots.txt无法访问");
        else if (!robots.rules.allowed(start.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority
                                                       | QUrl::RemoveFragment)))
            result.problems.prepend(QStringLiteral("robots.txt禁止抓取"));
    }

    // The page is read even when robots.txt forbids it: it is the user's own site.
    m_client->setMaxBodySize(MaxPageBytes);
    Followed got;
    try {
        if (!hasHost)
            throw HttpError(QStringLiteral("Invalid address: %1").arg(address));
        got = follow(*m_client, start);
    } catch (const HttpError &e) {
        result.problems << QStringLiteral("无法访问：") + e.message();
        return result;
    }
    const int status = got.answer.status;
    result.httpStatus = status;
    result.finalUrl = got.url.toString();
    if (got.tooMany) {
        result.problems << QStringLiteral("跳转过多");
        return result;
    }
    if (status >= 400 && status <= 599) {
        result.problems << QStringLiteral("页面返回") + QString::number(status);
        return result;
    }
    if (status < 200 || status > 299)
        return result;
    const QString finalComparable = comparable(got.url);
    if (finalComparable != comparable(start))
        result.problems << QStringLiteral("跳转到：") + result.finalUrl;

    const QByteArray contentType = got.answer.header("Content-Type");
    HtmlSignals page;
    if (PageSignals::isHtml(contentType, got.answer.body))
        page = PageSignals::readHtml(got.answer.body, contentType, got.url, m_agentNames);
    if (page.noindex)
        result.problems << QStringLiteral("noindex（meta）");
    QList<QByteArray> robotsHeaders;
    for (const auto &[name, value] : got.answer.headers) {
        if (name.compare("X-Robots-Tag", Qt::CaseInsensitive) == 0)
            robotsHeaders << value;
    }
    if (PageSignals::headerNoindex(robotsHeaders, m_agentNames))
        result.problems << QStringLiteral("noindex（X-Robots-Tag）");
    if (!page.canonical.isEmpty() && comparable(QUrl(page.canonical)) != finalComparable)
        result.problems << QStringLiteral("canonical指向：") + page.canonical;
    return result;
}
