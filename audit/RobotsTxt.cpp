#include "audit/RobotsTxt.h"

#include <QList>
#include <QVarLengthArray>

#include <algorithm>

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
    // Most paths need nothing: then they are shared, not copied.
    const bool asIs = std::none_of(path.begin(), path.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c == '%' || c <= 0x20 || c >= 0x7f;
    });
    if (asIs)
        return path;
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
    Rule rule{normalised, allow, !normalised.contains('*') && !normalised.endsWith('$'), {}};
    if (normalised.endsWith('$')) {
        const QByteArray body = normalised.chopped(1);
        rule.tail = body.mid(body.lastIndexOf('*') + 1);
    }
    m_rules.push_back(std::move(rule));
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
    // Within a node, once a rule is shorter than the best match so far, so are the rest.
    for (Node &node : *trie) {
        std::stable_sort(node.rules.begin(), node.rules.end(), [this](int a, int b) {
            return m_rules[size_t(a)].pattern.size() > m_rules[size_t(b)].pattern.size();
        });
    }
    m_trie = std::move(trie);
}

bool RobotsRules::matches(const Rule &rule, const QByteArray &text)
{
    // Anchored at the start; "$" at the end anchors at the end too, otherwise
    // the pattern need only match a start of the path.
    const QByteArray &pattern = rule.pattern;
    const bool anchored = pattern.endsWith('$');
    // Most such rules name an ending ("*.gif$"): a path without it is out at once.
    if (anchored && !text.endsWith(rule.tail))
        return false;
    const char *path = text.constData();
    const qsizetype length = text.size();
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
    // The nodes the path reaches, root first; each holds the rules whose
    // literal start is that much of the path.
    QVarLengthArray<int, 64> reached;
    int node = 0;
    for (qsizetype at = 0;; ++at) {
        if (!trie[size_t(node)].rules.empty())
            reached.append(node);
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
    // Deepest first: its rules are the likeliest longest matches, and the
    // shorter rules behind them are passed over without a match.
    qsizetype bestLength = -1;
    bool bestAllow = true;
    for (qsizetype depth = reached.size(); depth > 0;) {
        for (const int r : trie[size_t(reached[--depth])].rules) {
            const Rule &rule = m_rules[size_t(r)];
            const qsizetype length = rule.pattern.size();
            if (length < bestLength)
                break;
            // Of the same length only an allow changes the answer.
            if (length == bestLength && (bestAllow || !rule.allow))
                continue;
            // An ending the path lacks rules the rule out before any matching.
            if (!rule.tail.isEmpty() && (path.isEmpty() || path.back() != rule.tail.back()))
                continue;
            if (rule.plain || matches(rule, path)) {
                bestLength = length;
                bestAllow = rule.allow;
            }
        }
    }
    return bestAllow;
}
