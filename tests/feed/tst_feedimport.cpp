#include "FakeFeedView.h"
#include "support/StoreRows.h"
#include "ProgramFixture.h"
#include "feed/FeedDocument.h"
#include "feed/FeedImport.h"
#include "platform/Codepage.h"
#include "platform/XmlLimits.h"
#include "store/SQLiteDatabase.h"

#include <QStringEncoder>
#include <QtTest>

#include <sys/resource.h>

namespace {

const QString Placeholder = QStringLiteral("http://www.orvik.example/");

QByteArray rss(const QString &channel)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\">\n<channel>\n")
            + channel + QStringLiteral("\n</channel>\n</rss>\n"))
        .toUtf8();
}

QString item(const QString &title, const QString &link)
{
    return QStringLiteral("  <item><title>%1</title><link>%2</link></item>\n").arg(title, link);
}

// A program directory with the tables, a recording view and the import under test.
struct Importer {
    ProgramFixture f;
    FakeFeedView view;
    FeedImport import{view, f.dialogs, f.dir(), Placeholder};

    Importer(bool tables = true)
    {
        if (tables)
            f.createDatabase();
    }
    void run(const QByteArray &feed, const QString &address = QStringLiteral("http://a.cn/rss.xml"))
    {
        f.writeFile(QStringLiteral("rss.xml"), feed);
        import.ImportRss(address);
    }
    QStringList rows(const QString &sql) const { return storeRows(f.path(QStringLiteral("database.db")), sql); }
    QStringList items() const { return rows(QStringLiteral("select rssid,title,url from mrv_orvik_rssurl order by dataid")); }
    QStringList sites() const { return rows(QStringLiteral("select rssid,rssurl,sitename,siteurl from mrv_orvik_rss")); }
};

// One item, entry or url whose address names entity e `references` times, as
// each of the readers sees it.
QByteArray entityBomb(const QString &format, int references)
{
    const QByteArray refs = QByteArray("&e;").repeated(references);
    const QByteArray address = "http://a.cn/" + refs;
    QByteArray root;
    QByteArray body;
    if (format == u"rss") {
        root = "rss";
        body = "<rss version=\"2.0\"><channel><title>T</title><link>http://a.cn/</link><item><title>t</title><link>"
            + address + "</link></item></channel></rss>";
    } else if (format == u"atom") {
        root = "feed";
        body = "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title><entry><title>t</title><link href=\""
            + address + "\"/></entry></feed>";
    } else if (format == u"rss 1.0") {
        root = "rdf:RDF";
        body = "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\">"
               "<channel><title>T</title><link>http://a.cn/</link></channel><item><title>t</title><link>"
            + address + "</link></item></rdf:RDF>";
    } else {
        root = "urlset";
        body = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>" + address + "</loc></url></urlset>";
    }
    return "<?xml version=\"1.0\"?><!DOCTYPE " + root + " [<!ENTITY e \"" + QByteArray("x").repeated(4000) + "\">]>"
        + body;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestFeedImport : public QObject {
    Q_OBJECT
private slots:
    void storesSiteAndEveryItemThenShowsFirstPage()
    {
        Importer t;
        // 14 children: title, link, description, a comment and ten items.
        QString channel = QStringLiteral("<title>站点 &amp; \"甲\"</title><link>http://a.cn/</link>"
                                         "<description>d</description><!-- note -->\n");
        channel += item(QStringLiteral("<![CDATA[<b>粗</b> & it's]]>"), QStringLiteral("http://a.cn/1"));
        channel += item(QString(), QStringLiteral("http://a.cn/2"));
        channel += QStringLiteral("<item><link>http://a.cn/3</link></item>");
        channel += QStringLiteral("<item><title>no link</title><link></link></item>");
        channel += item(QStringLiteral("a&nbsp;b&rsquo;c&mdash;&copy;&Omega;&#x1F600;"), QStringLiteral("http://a.cn/5"));
        channel += item(QStringLiteral("back\\slash 'q' \"d\" tab\there"), QStringLiteral("http://a.cn/6?a=1&amp;b='2'"));
        channel += QStringLiteral("<item><atom:link xmlns:atom=\"x\" href=\"h\"/><link>http://a.cn/7</link>"
                                  "<title> spaced </title><link>second</link></item>");
        // Control characters that XML refuses, raw and as references, in text and in CDATA.
        channel += item(QStringLiteral("t8\u0001&#x1F;&#8;\uE001"), QStringLiteral("http://a.cn/8"));
        channel += item(QStringLiteral("<![CDATA[t9\u0002&#1;]]>"), QStringLiteral("http://a.cn/9"));
        channel += item(QStringLiteral("t10"), QStringLiteral("http://a.cn/10"));
        t.run(rss(channel), QStringLiteral(" http://a.cn/rss.xml "));

        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1| http://a.cn/rss.xml |站点 & \"甲\"|http://a.cn/")});
        QCOMPARE(t.rows(QStringLiteral("select count(*) from mrv_orvik_rss where lastgettime like '20__-__-__ __:__:__'")),
                 QStringList{QStringLiteral("1")});
        QCOMPARE(t.items(), (QStringList{
            QStringLiteral("1|<b>粗</b> & it's|http://a.cn/1"),
            QStringLiteral("1|没有标题|http://a.cn/2"),
            QStringLiteral("1|没有标题|http://a.cn/3"),
            QStringLiteral("1|no link|") + Placeholder,
            QStringLiteral("1|a\u00A0b\u2019c\u2014\u00A9\u03A9\U0001F600|http://a.cn/5"),
            QStringLiteral("1|back\\slash 'q' \"d\" tab\there|http://a.cn/6?a=1&b='2'"),
            QStringLiteral("1| spaced |http://a.cn/7"),
            QStringLiteral("1|t8\u0001\u001F\u0008\uE001|http://a.cn/8"),
            QStringLiteral("1|t9\u0002&#1;|http://a.cn/9"),
            QStringLiteral("1|t10|http://a.cn/10")}));
        QCOMPARE(t.rows(QStringLiteral("select typeof(rssid) from mrv_orvik_rssurl limit 1")),
                 QStringList{QStringLiteral("integer")});
        QCOMPARE(t.view.panel.size(), 14);
        QCOMPARE(t.view.panel.first(), QStringLiteral("读取xml:0/13"));
        QCOMPARE(t.view.panel.last(), QStringLiteral("读取xml:13/13"));
        QCOMPARE(t.view.caption, QStringLiteral("站点 & \"甲\""));
        QCOMPARE(t.view.firstPageShown, 1);
    }

    void reimportAddsOnlyNewItemsUnderTheFeedsOwnSite()
    {
        Importer t;
        t.run(rss(QStringLiteral("<title>A</title><link>http://a.cn/</link>") + item("a1", "http://a.cn/1")
                  + QStringLiteral("<item><title>no link</title></item>")));
        t.f.exec(QStringLiteral("update mrv_orvik_rss set lastgettime='2020-01-01 00:00:00'"));
        // Site B shares a1 and has no-link items too; both are stored once, under A.
        t.run(rss(QStringLiteral("<title>B</title><link>http://b.cn/</link>") + item("b1", "http://b.cn/1")
                  + item("shared", "http://a.cn/1") + QStringLiteral("<item><title>nolink B</title></item>")),
              QStringLiteral("http://b.cn/rss.xml"));
        // A again, renamed and with a new item: the newer site B does not get it.
        t.run(rss(QStringLiteral("<title>A2</title><link>http://a2.cn/</link>") + item("a1", "http://a.cn/1")
                  + item("a2", "http://a.cn/2")));

        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), (QStringList{QStringLiteral("1|http://a.cn/rss.xml|A|http://a.cn/"),
                                          QStringLiteral("2|http://b.cn/rss.xml|B|http://b.cn/")}));
        QCOMPARE(t.rows(QStringLiteral("select lastgettime from mrv_orvik_rss where rssid=1")),
                 QStringList{QStringLiteral("2020-01-01 00:00:00")});
        QCOMPARE(t.items(), (QStringList{QStringLiteral("1|a1|http://a.cn/1"),
                                          QStringLiteral("1|no link|") + Placeholder,
                                          QStringLiteral("2|b1|http://b.cn/1"),
                                          QStringLiteral("1|a2|http://a.cn/2")}));
        QCOMPARE(t.view.caption, QStringLiteral("A2"));
        QCOMPARE(t.view.firstPageShown, 3);
    }

    void badFeedStoresNothing_data()
    {
        QTest::addColumn<QByteArray>("feed");
        const QString ok = QStringLiteral("<title>T</title><link>http://t/</link>") + item("i", "http://t/1");
        QTest::newRow("empty body") << QByteArray();
        QTest::newRow("truncated") << rss(ok).left(90);
        QTest::newRow("html page") << QByteArray("<!DOCTYPE html><html><body><p>Hello<br></body></html>");
        QTest::newRow("well-formed html") << QByteArray("<html><body><channel>x</channel></body></html>");
        // Atom is recognised by its namespace; a feed root without it is no Atom feed.
        QTest::newRow("feed outside the atom namespace") << QByteArray("<feed><title>T</title>"
                                            "<link href=\"http://t/\"/><entry><title>e</title></entry></feed>");
        QTest::newRow("empty channel title") << rss(QStringLiteral("<title></title><link>http://t/</link>") + item("i", "http://t/1"));
        QTest::newRow("prefixed link only") << rss(QStringLiteral("<title>T</title><atom:link xmlns:atom=\"x\">http://t/</atom:link>"));
        QTest::newRow("title with markup") << rss(QStringLiteral("<title>T<b>x</b></title><link>http://t/</link>"));
        QTest::newRow("nul reference") << rss(QStringLiteral("<title>T&#0;</title><link>http://t/</link>"));
        QTest::newRow("unknown entity") << rss(QStringLiteral("<title>T&bogus;</title><link>http://t/</link>"));
        QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE rss [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><rss><channel>"
                          "<title>T&x;</title><link>http://t/</link></channel></rss>");
        QTest::newRow("entity bomb")
            << QByteArray("<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
                          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                          "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><rss><channel><title>&d;</title>"
                          "<link>http://t/</link></channel></rss>");
        QTest::newRow("invalid utf-8") << rss(ok).replace("<title>T", "<title>\xC3\x28");
        QTest::newRow("unknown encoding") << rss(ok).replace("utf-8", "x-nonesuch");
    }
    void badFeedStoresNothing()
    {
        QFETCH(QByteArray, feed);
        Importer t;
        t.run(feed);
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QVERIFY(t.sites().isEmpty());
        QVERIFY(t.items().isEmpty());
        QCOMPARE(t.view.caption, QStringLiteral("Rss地址列表"));
        QCOMPARE(t.view.firstPageShown, 1);
    }

    // A tree is built in far worse than linear time in the depth: such a
    // document is refused before, like any feed that cannot be read.
    void deeplyNestedFeedIsRefusedAtOnce_data()
    {
        QTest::addColumn<int>("levels");
        QTest::newRow("1,001") << 1001;
        QTest::newRow("200,000") << 200000;
    }
    void deeplyNestedFeedIsRefusedAtOnce()
    {
        QFETCH(int, levels);
        Importer t;
        t.run(rss(QStringLiteral("<title>T</title><link>http://t/</link>") + item("one", "http://t/1")));
        // rss, channel and item make three levels; the title holds the rest.
        const int inner = levels - 3;
        const QString deep = QStringLiteral("<item><title>") + QStringLiteral("<d>").repeated(inner - 1)
            + QStringLiteral("</d>").repeated(inner - 1) + QStringLiteral("</title><link>http://t/2</link></item>");
        QElapsedTimer clock;
        clock.start();
        t.run(rss(QStringLiteral("<title>T</title><link>http://t/</link>") + deep));
        // Loose: the tree builder took hours for this document.
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|one|http://t/1")});
        QCOMPARE(t.sites().size(), 1);

        // A document exactly at the bound is still read.
        const QString deepest = QStringLiteral("<d>").repeated(XmlLimits::MaxDepth - 4)
            + QStringLiteral("</d>").repeated(XmlLimits::MaxDepth - 4);
        QVERIFY(!FeedDocument::parse(rss(QStringLiteral("<item><title>") + deepest + QStringLiteral("</title></item>")))
                     .isNull());
    }

    // Entities named many times once made one address of 65 million
    // characters out of 53 KB; the text of all of them together is bounded.
    void entityExpansionIsBoundedInEveryReader_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("references");
        for (const char *format : {"rss", "atom", "rss 1.0", "sitemap"}) {
            QTest::addRow("%s, 53 KB", format) << QString::fromLatin1(format) << 16384;
            QTest::addRow("%s, 200 KB", format) << QString::fromLatin1(format) << 65536;
        }
    }
    void entityExpansionIsBoundedInEveryReader()
    {
        QFETCH(QString, format);
        QFETCH(int, references);
        Importer t;
        const QByteArray document = entityBomb(format, references);
        const long peakBefore = peakKilobytes();
        QElapsedTimer clock;
        clock.start();
        t.run(document, QStringLiteral("http://a.cn/list.xml"));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(peakKilobytes() - peakBefore < 100 * 1024, qPrintable(QString::number(peakKilobytes() - peakBefore)));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QVERIFY(t.sites().isEmpty());
        QVERIFY(t.items().isEmpty());
    }

    void declaredEntitiesNamedAFewTimesReadAsBefore()
    {
        Importer t;
        t.run("<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY site \"甲站\">]><rss><channel><title>&site;</title>"
              "<link>http://a.cn/</link><item><title>&site; &amp; &#x4e2d;&nbsp;!</title><link>http://a.cn/1</link></item>"
              "</channel></rss>");
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|甲站 & 中\u00A0!|http://a.cn/1")});
    }

    // An address past 2,048 characters is no address; titles and site names are cut.
    void overlongTextsAreSkippedOrCut_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("address");
        const QString longName = QStringLiteral("名").repeated(300);
        const QString longTitle = QStringLiteral("t").repeated(1023) + QStringLiteral("\U0001F600");
        const QString at2048 = QStringLiteral("http://a.cn/") + QStringLiteral("p").repeated(2048 - 12);
        const QString at2049 = at2048 + u'q';
        QTest::newRow("rss") << rss(QStringLiteral("<title>%1</title><link>http://a.cn/</link>").arg(longName)
                                    + item(longTitle, at2048) + item("over", at2049) + item("over too", at2049 + u'r')
                                    + item("short", "http://a.cn/1"))
                             << QStringLiteral("http://a.cn/rss.xml");
        QTest::newRow("atom") << QStringLiteral("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>%1</title>"
                                                "<entry><title>%2</title><link href=\"%3\"/></entry>"
                                                "<entry><title>over</title><link href=\"%4\"/></entry>"
                                                "<entry><title>over too</title><link href=\"%4r\"/></entry>"
                                                "<entry><title>short</title><link href=\"http://a.cn/1\"/></entry></feed>")
                                     .arg(longName, longTitle, at2048, at2049)
                                     .toUtf8()
                              << QStringLiteral("http://a.cn/atom.xml");
    }
    void overlongTextsAreSkippedOrCut()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, address);
        Importer t;
        t.run(feed, address);
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        // The character outside the BMP would be split at 1,024: it goes whole.
        QCOMPARE(t.items(), (QStringList{QStringLiteral("1|") + QStringLiteral("t").repeated(1023) + QStringLiteral("|http://a.cn/")
                                             + QStringLiteral("p").repeated(2048 - 12),
                                         QStringLiteral("1|short|http://a.cn/1")}));
        QCOMPARE(t.rows(QStringLiteral("select sitename from mrv_orvik_rss")), QStringList{QStringLiteral("名").repeated(256)});
        QCOMPARE(t.view.panel.last(), QStringLiteral("跳过2条过长的地址"));
        QCOMPARE(t.import.skippedText(), QStringLiteral("跳过2条过长的地址"));
        // The count is the last import's.
        t.run(rss(QStringLiteral("<title>A</title><link>http://a.cn/</link>") + item("x", "http://a.cn/2")));
        QVERIFY(t.import.skippedText().isEmpty());
        QVERIFY(!t.view.panel.last().startsWith(QStringLiteral("跳过")));
    }

    // Relative item addresses resolve against xml:base, else the channel's
    // link, else the feed's own address; absolute ones stay as written.
    void relativeItemLinksAreResolved_data()
    {
        QTest::addColumn<QString>("channelLink");
        QTest::addColumn<QString>("itemXml");
        QTest::addColumn<QString>("stored");
        QTest::newRow("rooted path") << "http://a.cn/blog/" << "<link>/2026/12/post.html</link>"
                                     << "http://a.cn/2026/12/post.html";
        QTest::newRow("relative path") << "http://a.cn/blog/" << "<link> post.html </link>" << "http://a.cn/blog/post.html";
        QTest::newRow("xml:base on the link") << "http://a.cn/" << "<link xml:base=\"http://b.cn/d/\">p.html</link>"
                                              << "http://b.cn/d/p.html";
        QTest::newRow("relative xml:base") << "http://a.cn/blog/" << "<link xml:base=\"../news/\">p.html</link>"
                                           << "http://a.cn/news/p.html";
        QTest::newRow("relative channel link") << "/home/" << "<link>p.html</link>" << "http://feeds.a.cn/home/p.html";
        QTest::newRow("scheme-relative") << "https://a.cn/" << "<link>//c.cn/p</link>" << "https://c.cn/p";
        QTest::newRow("absolute as written") << "http://a.cn/" << "<link>HTTP://A.cn/中文/a b.html?x=%7e</link>"
                                             << "HTTP://A.cn/中文/a b.html?x=%7e";
        QTest::newRow("other scheme as before") << "http://a.cn/" << "<link>mailto:me@a.cn</link>" << "mailto:me@a.cn";
        QTest::newRow("rooted guid") << "http://a.cn/" << "<guid>/p/1</guid>" << "http://a.cn/p/1";
        QTest::newRow("permalink guid") << "http://a.cn/b/" << "<guid isPermaLink=\"true\">p/1</guid>"
                                        << "http://a.cn/b/p/1";
        QTest::newRow("guid that is an id") << "http://a.cn/" << "<guid>12345</guid>" << Placeholder;
        QTest::newRow("guid not a permalink") << "http://a.cn/" << "<guid isPermaLink=\"false\">/p/1</guid>" << Placeholder;
    }
    void relativeItemLinksAreResolved()
    {
        QFETCH(QString, channelLink);
        QFETCH(QString, itemXml);
        QFETCH(QString, stored);
        Importer t;
        t.run(rss(QStringLiteral("<title>T</title><link>%1</link><item><title>i</title>%2</item>").arg(channelLink, itemXml)),
              QStringLiteral("http://feeds.a.cn/x/rss.xml"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|i|") + stored});
    }

    void missingFeedFileFailsLikeABadOne()
    {
        Importer t;
        t.import.ImportRss(QStringLiteral("http://a.cn/rss.xml"));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QVERIFY(t.sites().isEmpty());
    }

    void failureHalfwayKeepsWhatCameBefore()
    {
        // The rows are committed before the box shows: a handler that runs
        // while the box is open sees them and can write to the store.
        struct StoreReadingDialogs : FakeDialogs {
            const Importer *t = nullptr;
            QStringList seen;
            void showMessage(const QString &text) override
            {
                FakeDialogs::showMessage(text);
                seen = t->items();
                t->f.exec(QStringLiteral("update mrv_orvik_rss set sitename=sitename"));
            }
        } dialogs;
        Importer t;
        dialogs.t = &t;
        FeedImport import(t.view, dialogs, t.f.dir(), Placeholder);
        t.f.writeFile(QStringLiteral("rss.xml"),
                      rss(QStringLiteral("<title>T</title><link>http://t/</link>") + item("one", "http://t/1")
                          + item("two<!-- c -->", "http://t/2") + item("three", "http://t/3")));
        import.ImportRss(QStringLiteral("http://t/rss.xml"));
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QCOMPARE(dialogs.seen, QStringList{QStringLiteral("1|one|http://t/1")});
        QCOMPARE(t.sites().size(), 1);
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|one|http://t/1")});
        QCOMPARE(t.view.panel.last(), QStringLiteral("读取xml:3/4"));
        QCOMPARE(t.view.firstPageShown, 1);
    }

    void hugeFeedIsStoredWhole()
    {
        Importer t;
        const QString filler(240, u'x');
        QByteArray feed = rss(QStringLiteral("<title>Big</title><link>http://big/</link>%1"));
        QByteArray items;
        for (int i = 0; i < 100000; ++i)
            items += item(QStringLiteral("标题 %1 &amp; &hellip;").arg(i),
                          QStringLiteral("http://big/%1?%2").arg(i).arg(filler)).toUtf8();
        feed.replace("%1", items);
        QVERIFY(feed.size() > 30 * 1000 * 1000);
        t.run(feed);
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.rows(QStringLiteral("select count(*),min(rssid),max(rssid) from mrv_orvik_rssurl")),
                 QStringList{QStringLiteral("100000|1|1")});
        QCOMPARE(t.rows(QStringLiteral("select title from mrv_orvik_rssurl where dataid=100000")),
                 QStringList{QStringLiteral("标题 99999 & \u2026")});
        QCOMPARE(t.view.panel.last(), QStringLiteral("读取xml:100001/100001"));
    }

    void statementRejectedByTheStoreStopsTheItems()
    {
        Importer t(false);
        t.f.exec(QStringLiteral("create table mrv_orvik_rss(rssid integer primary key autoincrement,"
                                "rssurl text,sitename text,lastgettime text,siteurl text)"));
        t.run(rss(QStringLiteral("<title>T</title><link>http://t/</link>") + item("one", "http://t/1")));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QCOMPARE(t.sites().size(), 1);
    }

    void storeThatCannotBeReadReachesTheErrorBox()
    {
        Importer t(false);
        t.f.writeFile(QStringLiteral("rss.xml"), rss(QStringLiteral("<title>T</title><link>http://t/</link>")));
        QVERIFY_THROWS_EXCEPTION(ESQLiteException, t.import.ImportRss(QStringLiteral("http://t/rss.xml")));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.view.firstPageShown, 0);
        QCOMPARE(t.view.caption, QStringLiteral("Rss地址列表"));
    }

    void decodesByMarkOrDeclaration_data()
    {
        QTest::addColumn<QByteArray>("feed");
        const QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?><rss><channel><title>中文標題"
                                           "</title><link>http://t/</link></channel></rss>");
        QTest::newRow("gb2312 with gbk characters") << QByteArray(QStringEncoder("GB18030").encode(doc.arg("GB2312")));
        QTest::newRow("gbk") << QByteArray(QStringEncoder("GB18030").encode(doc.arg("gbk")));
        QTest::newRow("big5") << QByteArray(QStringEncoder("Big5").encode(QString(doc).replace("中文", "中華").arg("Big5")));
        QTest::newRow("utf-8 mark wins") << "\xEF\xBB\xBF" + doc.arg("GB2312").toUtf8();
        QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QTest::newRow("utf-16 mark") << QByteArray(utf16.encode(doc.arg("Big5")));
        QTest::newRow("no declaration") << doc.mid(doc.indexOf(QStringLiteral("?>")) + 2).toUtf8();
    }
    void decodesByMarkOrDeclaration()
    {
        QFETCH(QByteArray, feed);
        const QString title = FeedDocument::parse(feed).documentElement().firstChildElement().firstChildElement().text();
        QVERIFY2(title == QStringLiteral("中文標題") || title == QStringLiteral("中華標題"), qPrintable(title));
    }

    void htmlEntitiesTranslatedOnlyInMarkup()
    {
        using FeedDocument::translateHtmlEntities;
        QCOMPARE(translateHtmlEntities(QStringLiteral("<a t=\"&copy;\">&nbsp;&amp;nbsp;&lt;&#160;&nosuch;& x;</a>")),
                 QStringLiteral("<a t=\"&#169;\">&#160;&amp;nbsp;&lt;&#160;&nosuch;& x;</a>"));
        const QString untouched = QStringLiteral("<a><![CDATA[&nbsp;]]><!-- &nbsp; --><?pi &nbsp;?></a>");
        QCOMPARE(translateHtmlEntities(untouched), untouched);
        // A name the document declares keeps the document's meaning.
        const QDomDocument doc = FeedDocument::parse(
            "<!DOCTYPE a [<!ENTITY nbsp \"(own)\"> <!-- ] --> ]><a>&nbsp;&hellip;</a>");
        QCOMPARE(doc.documentElement().text(), QStringLiteral("(own)\u2026"));
        // An external document type is never fetched; its HTML entities read all the same.
        const QDomDocument old = FeedDocument::parse(
            "<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\" "
            "\"http://my.netscape.com/publish/formats/rss-0.91.dtd\"><rss>caf&eacute;</rss>");
        QCOMPARE(old.documentElement().text(), QStringLiteral("caf\u00E9"));
    }
};

QTEST_MAIN(TestFeedImport)
#include "tst_feedimport.moc"
