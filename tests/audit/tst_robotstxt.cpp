#include "audit/RobotsTxt.h"

#include <QTest>

class TestRobotsTxt : public QObject {
    Q_OBJECT
private slots:
    void decides_data();
    void decides();
    void percentEncodingComparesAsTheRfcSays_data();
    void percentEncodingComparesAsTheRfcSays();
    void onlyTheFirst500KiBCount();
};

namespace {

// The two examples that close RFC 9309.
const QByteArray SimpleExample = "User-Agent: *\n"
                                 "Disallow: *.gif$\n"
                                 "Disallow: /example/\n"
                                 "Allow: /publications/\n"
                                 "\n"
                                 "User-Agent: foobot\n"
                                 "Disallow:/\n"
                                 "Allow:/example/page.html\n"
                                 "Allow:/example/allowed.gif\n"
                                 "\n"
                                 "User-Agent: barbot\n"
                                 "User-Agent: bazbot\n"
                                 "Disallow: /example/page.html\n"
                                 "\n"
                                 "User-Agent: quxbot\n"
                                 "\n"
                                 "EOF\n";
const QByteArray LongestMatch = "User-Agent: foobot\n"
                                "Allow: /example/page/\n"
                                "Disallow: /example/page/disallowed.gif\n";

} // namespace

void TestRobotsTxt::decides_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("agent");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("foobot page") << SimpleExample << "foobot" << "/example/page.html" << true;
    QTest::newRow("foobot allowed gif") << SimpleExample << "foobot" << "/example/allowed.gif" << true;
    QTest::newRow("foobot elsewhere") << SimpleExample << "foobot" << "/other.html" << false;
    QTest::newRow("FooBot, case of the token") << SimpleExample << "FooBot" << "/other.html" << false;
    QTest::newRow("barbot page") << SimpleExample << "barbot" << "/example/page.html" << false;
    QTest::newRow("bazbot page") << SimpleExample << "bazbot" << "/example/page.html" << false;
    QTest::newRow("barbot elsewhere") << SimpleExample << "barbot" << "/example/other.html" << true;
    QTest::newRow("quxbot: empty group") << SimpleExample << "quxbot" << "/example/page.html" << true;
    QTest::newRow("other: gif") << SimpleExample << "Baiduspider" << "/a/b.gif" << false;
    QTest::newRow("other: gif with query") << SimpleExample << "Baiduspider" << "/a/b.gif?x=1" << true;
    QTest::newRow("other: example") << SimpleExample << "Baiduspider" << "/example/x" << false;
    QTest::newRow("other: publications") << SimpleExample << "Baiduspider" << "/publications/x" << true;
    QTest::newRow("other: root") << SimpleExample << "Baiduspider" << "/" << true;
    QTest::newRow("longest: folder") << LongestMatch << "foobot" << "/example/page/" << true;
    QTest::newRow("longest: gif") << LongestMatch << "foobot" << "/example/page/disallowed.gif" << false;

    const QByteArray groups = "User-agent: *\nDisallow: /\n\n"
                              "User-agent: Baiduspider/2.0\nDisallow: /private\n\n"
                              "User-agent: baiduspider\nDisallow: /drafts\n\n"
                              "User-agent: Baiduspider-image\nDisallow: /pages\n";
    QTest::newRow("own group, not the star") << groups << "Baiduspider" << "/pages/1" << true;
    QTest::newRow("own groups merged (1)") << groups << "Baiduspider" << "/private/a" << false;
    QTest::newRow("own groups merged (2)") << groups << "Baiduspider" << "/drafts/a" << false;
    QTest::newRow("fallback to star") << groups << "Sogou" << "/pages/1" << false;
    QTest::newRow("no group at all") << QByteArray("User-agent: x\nDisallow: /\n") << "Baiduspider" << "/a" << true;
    QTest::newRow("robots.txt itself") << groups << "Sogou" << "/robots.txt" << true;

    const QByteArray tie = "User-agent: *\nDisallow: /page\nAllow: /page\nDisallow: /a$\nAllow: /b*c\n"
                           "Disallow: /b\nDisallow: /x/*/y$\n# comment\nDisallow: /y # trailing\n";
    QTest::newRow("tie: allow wins") << tie << "bot" << "/page.html" << true;
    QTest::newRow("$ anchors") << tie << "bot" << "/a" << false;
    QTest::newRow("$ anchors: longer path") << tie << "bot" << "/ab" << true;
    QTest::newRow("* longer than prefix") << tie << "bot" << "/b1c" << true;
    QTest::newRow("* not matching") << tie << "bot" << "/b1d" << false;
    QTest::newRow("* and $") << tie << "bot" << "/x/1/2/y" << false;
    QTest::newRow("* and $, more after") << tie << "bot" << "/x/1/y/z" << true;
    QTest::newRow("comment stripped") << tie << "bot" << "/y" << false;
    QTest::newRow("empty disallow") << QByteArray("User-agent: *\nDisallow:\n") << "bot" << "/a" << true;
    QTest::newRow("CR line ends") << QByteArray("User-agent: *\rDisallow: /a\r") << "bot" << "/a" << false;
}

void TestRobotsTxt::decides()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, agent);
    QFETCH(QString, path);
    QFETCH(bool, allowed);
    QCOMPARE(RobotsRules::parse(file, agent).allowed(path), allowed);
}

void TestRobotsTxt::percentEncodingComparesAsTheRfcSays_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("compared");
    QTest::newRow("query kept") << QByteArray("/foo/bar?baz=quz") << QByteArray("/foo/bar?baz=quz");
    QTest::newRow("UTF-8 encoded") << QByteArray("/foo/bar/\xE3\x83\x84") << QByteArray("/foo/bar/%E3%83%84");
    QTest::newRow("encoded kept") << QByteArray("/foo/bar/%E3%83%84") << QByteArray("/foo/bar/%E3%83%84");
    QTest::newRow("lower hex") << QByteArray("/foo/bar/%e3%83%84") << QByteArray("/foo/bar/%E3%83%84");
    QTest::newRow("unreserved decoded") << QByteArray("/foo/bar/%62%61%7A") << QByteArray("/foo/bar/baz");
    QTest::newRow("reserved kept") << QByteArray("/a%2Fb") << QByteArray("/a%2Fb");
}

void TestRobotsTxt::percentEncodingComparesAsTheRfcSays()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, compared);
    QCOMPARE(RobotsRules::normalise(path), compared);
    // A rule written either way matches a path written either way.
    const RobotsRules rules = RobotsRules::parse("User-agent: *\nDisallow: " + path + "$\n", QStringLiteral("bot"));
    QVERIFY(!rules.allowed(compared));
}

void TestRobotsTxt::onlyTheFirst500KiBCount()
{
    QByteArray file = "User-agent: *\nDisallow: /early\n";
    file += QByteArray(RobotsRules::MaxBytes - file.size(), '#') + "\nDisallow: /late\n";
    const RobotsRules rules = RobotsRules::parse(file, QStringLiteral("bot"));
    QVERIFY(!rules.allowed(QStringLiteral("/early")));
    QVERIFY(rules.allowed(QStringLiteral("/late")));
}

QTEST_GUILESS_MAIN(TestRobotsTxt)
#include "tst_robotstxt.moc"
