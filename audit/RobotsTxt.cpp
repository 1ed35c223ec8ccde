#include "audit/RobotsTxt.h"

#include <QList>

namespace {

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendEncoded(QByteArray &out, unsigned char c)
{
    static const char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[c >> 4];
    out += digits[c & 15];
}

// The product token a user-agent line names: its leading letters, "_" and
// "-" ("Baiduspider/2.0" names "baiduspider"), in lower case; "*" for the
// catch-all group.
QByteArray agentToken(const QByteArray &value)
{
    if (value.startsWith('*'))
        return QByteArrayLiteral("*");
    qsizetype end = 0;
    while (end < value.size()) {
        const char c = value.at(end);
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-'))
            break;
        ++end;
    }
    return value.left(end).toLower();
}

struct Group {
    QList<QByteArray> agents;
    QList<std::pair<QByteArray, bool>> rules;
};

QList<Group> readGroups(QByteArrayView content)
{
    QList<Group> groups;
    bool lastWasRule = true; // a user-agent line after a rule starts a new group
    qsizetype at = 0;
    if (content.startsWith("\xEF\xBB\xBF"))
        at = 3;
    while (at < content.size()) {
        qsizetype end = at;
        while (end < content.size() && content.at(end) != '\n' && content.at(end) != '\r')
            ++end;
        QByteArray line = content.sliced(at, end - at).toByteArray();
        at = end + 1;
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "user-agent") {
            if (lastWasRule || groups.isEmpty())
                groups.append(Group());
            groups.last().agents.append(agentToken(value));
            lastWasRule = false;
        } else if (key == "allow" || key == "disallow") {
            lastWasRule = true;
            // Rules before any user-agent line belong to no group; an empty
            // value matches nothing.
            if (!groups.isEmpty() && !value.isEmpty())
                groups.last().rules.append({value, key == "allow"});
        }
        // Other lines (sitemap, crawl-delay, ...) neither end nor start a group.
    }
    return groups;
}

} // namespace

RobotsRules::RobotsRules() : m_trie(std::make_shared<std::vector<Node>>(1)) {}

RobotsRules RobotsRules::disallowAll()
{
    RobotsRules rules;
    rules.m_disallowAll = true;
    return rules;
}

QByteArray RobotsRules::normalise(const QByteArray &path)
{
    QByteArray out;
    out.reserve(path.size() + 8);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path.at(i));
        if (c == '%') {
            const int high = i + 2 < path.size() ? hexValue(path.at(i + 1)) : -1;
            const int low = high >= 0 ? hexValue(path.at(i + 2)) : -1;
            if (low < 0) {
                appendEncoded(out, c); // a lone "%" stands for itself
                continue;
            }
            const auto decoded = static_cast<unsigned char>(high * 16 + low);
            if (isUnreserved(decoded))
                out += char(decoded);
            else
                appendEncoded(out, decoded);
            i += 2;
        } else if (c <= 0x20 || c >= 0x7f) {
            appendEncoded(out, c);
        } else {
            out += char(c);
        }
    }
    return out;
}

RobotsRules RobotsRules::parse(const QByteArray &content, const QString &productToken)
{
    const QList<Group> groups = readGroups(QByteArrayView(content).first(qMin(content.size(), MaxBytes)));
    const QByteArray token = productToken.trimmed().toLatin1().toLower();
    RobotsRules rules;
    // The crawler's own groups, all of them; only without one the "*" groups.
    for (const QByteArray &wanted : {token, QByteArrayLiteral("*")}) {
        bool found = false;
        for (const Group &group : groups) {
            if (!group.agents.contains(wanted))
                continue;
            found = true;
            for (const auto &[pattern, allow] : group.rules)
                rules.add(pattern, allow);
        }
        if (found)
            break;
    }
    rules.build();
    return rules;
}

void RobotsRules::add(const QByteArray &pattern, bool allow)
{
    const QByteArray normalised = normalise(pattern);
    m_rules.push_back({normalised, allow, !normalised.contains('*') && !normalised.endsWith('$')});
}

void RobotsRules::build()
{
    auto trie = std::make_shared<std::vector<Node>>(1);
    for (int r = 0; r < int(m_rules.size()); ++r) {
        const QByteArray &pattern = m_rules[size_t(r)].pattern;
        qsizetype literal = pattern.indexOf('*');
        if (literal < 0)
            literal = pattern.endsWith('$') ? pattern.size() - 1 : pattern.size();
        int node = 0;
        for (qsizetype i = 0; i < literal; ++i) {
            const auto c = static_cast<unsigned char>(pattern.at(i));
            int next = -1;
            for (const auto &[key, child] : (*trie)[size_t(node)].children) {
                if (key == c) {
                    next = child;
                    break;
                }
            }
            if (next < 0) {
                next = int(trie->size());
                (*trie)[size_t(node)].children.emplace_back(c, next);
                trie->emplace_back();
            }
            node = next;
        }
        (*trie)[size_t(node)].rules.push_back(r);
    }
    m_trie = std::move(trie);
}

bool RobotsRules::matches(const QByteArray &pattern, const char *path, qsizetype length)
{
    // Anchored at the start; "$" at the end anchors at the end too, otherwise
    // the pattern need only match a start of the path.
    const bool anchored = pattern.endsWith('$');
    const char *p = pattern.constData();
    const qsizetype plen = anchored ? pattern.size() - 1 : pattern.size();
    qsizetype i = 0, j = 0, star = -1, mark = 0;
    while (i < length) {
        if (!anchored && j == plen)
            return true;
        if (j < plen && p[j] == '*') {
            star = j++;
            mark = i;
        } else if (j < plen && p[j] == path[i]) {
            ++i;
            ++j;
        } else if (star >= 0) {
            j = star + 1;
            i = ++mark;
        } else {
            return false;
        }
    }
    while (j < plen && p[j] == '*')
        ++j;
    return j == plen;
}

bool RobotsRules::allowed(const QByteArray &rawPath) const
{
    const QByteArray path = normalise(rawPath.isEmpty() ? QByteArrayLiteral("/") : rawPath);
    if (path == "/robots.txt")
        return true;
    if (m_disallowAll)
        return false;
    const std::vector<Node> &trie = *m_trie;
    qsizetype bestLength = -1;
    bool bestAllow = true;
    int node = 0;
    for (qsizetype at = 0;; ++at) {
        for (const int r : trie[size_t(node)].rules) {
            const Rule &rule = m_rules[size_t(r)];
            const qsizetype length = rule.pattern.size();
            // Only a longer rule, or an allow of the same length, changes the answer.
            if (length < bestLength || (length == bestLength && (bestAllow || !rule.allow)))
                continue;
            if (rule.plain || matches(rule.pattern, path.constData(), path.size())) {
                bestLength = length;
                bestAllow = rule.allow;
            }
        }
        if (at == path.size())
            break;
        const auto c = static_cast<unsigned char>(path.at(at));
        int next = -1;
        for (const auto &[key, child] : trie[size_t(node)].children) {
            if (key == c) {
                next = child;
                break;
            }
        }
        if (next < 0)
            break;
        node = next;
    }
    return bestAllow;
}
