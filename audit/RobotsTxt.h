#pragma once
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

// The rules of one robots.txt for one crawler, read as RFC 9309 reads them:
// the groups whose user-agent names the product token (without regard to
// case) together, else the "*" groups together, else no rules; the longest
// matching rule decides and "allow" wins a tie; "*" matches any run of
// characters and "$" at the end anchors; paths are compared with the
// percent-encoding normalised the RFC's way. "/robots.txt" itself is always
// allowed.
class RobotsRules {
public:
    // Every path allowed (no file, a 4xx answer, no group for the crawler).
    RobotsRules();
    // Every path forbidden (a 5xx answer or a network failure).
    static RobotsRules disallowAll();
    // The rules of the file's content (only its first MaxBytes count) for the
    // product token (such as "Baiduspider").
    static RobotsRules parse(const QByteArray &content, const QString &productToken);

    // path: the address's path with its query ("/a/b?c=d"); empty means "/".
    bool allowed(const QByteArray &path) const;
    bool allowed(const QString &path) const { return allowed(path.toUtf8()); }

    int ruleCount() const { return int(m_rules.size()); }

    // The RFC asks readers to take at least this much of a file.
    static constexpr qsizetype MaxBytes = 500 * 1024;

    // Percent-encoding as compared: bytes outside US-ASCII and blanks encoded,
    // encoded unreserved characters decoded, hexadecimal digits upper case.
    static QByteArray normalise(const QByteArray &path);

private:
    struct Rule {
        QByteArray pattern; // normalised, with "*" and a final "$"
        bool allow = false;
        bool plain = false; // no "*" and no "$": a prefix
        QByteArray tail;    // of an anchored pattern: what the path must end with
    };
    // Rules are found through a byte trie of their text before the first "*"
    // or "$": walking a path down it reaches every rule that can match.
    struct Node {
        std::vector<std::pair<unsigned char, int>> children;
        std::vector<int> rules; // longest first
    };

    void add(const QByteArray &pattern, bool allow);
    void build();
    static bool matches(const Rule &rule, const QByteArray &path);

    std::vector<Rule> m_rules;
    std::shared_ptr<std::vector<Node>> m_trie; // shared by copies; built once
    bool m_disallowAll = false;
};
