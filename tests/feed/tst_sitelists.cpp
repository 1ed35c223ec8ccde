#include "FakeFeedView.h"
#include "support/StoreRows.h"
#include "support/GzipData.h"
#include "ProgramFixture.h"
#include "feed/FeedFormats.h"
#include "feed/FeedImport.h"
#include "platform/WebClient.h"
#include "store/SQLiteDatabase.h"
#include "support/TestHttpServer.h"

#include <QHash>
#include <QStringEncoder>
#include <QtTest>

#include <zlib.h>

using Response = TestHttpServer::Response;

namespace {

const QString Placeholder = QStringLiteral("http://www.orvik.example/");
const QString Nothing = QStringLiteral("没有标题");


QByteArray sitemap(const QByteArray &urls)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\""
           " xmlns:news=\"http://www.google.com/schemas/sitemap-news/0.9\""
           " xmlns:image=\"http://www.google.com/schemas/sitemap-image/1.1\">\n"
        + urls + "</urlset>\n";
}

QByteArray url(const QByteArray &loc, const QByteArray &extra = {})
{
    return "  <url><loc>" + loc + "</loc><lastmod>2024-01-01</lastmod>" + extra + "</url>\n";
}

QByteArray sitemapIndex(const QStringList &locs)
{
    QByteArray index = "<?xml version=\"1.0\"?>\n<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const QString &loc : locs)
        index += "<sitemap><loc>" + loc.toUtf8() + "</loc></sitemap>\n";
    return index + "</sitemapindex>\n";
}

// A program directory with the tables, a local server answering by path, and
// the import under test using one client.
struct Importer {
    ProgramFixture f;
    FakeFeedView view;
    TestHttpServer server;
    QHash<QByteArray, Response> pages; // by request target; others get 404
    std::shared_ptr<WebClient> client = std::make_shared<WebClient>();
    FeedImport import{view, f.dialogs, f.dir(), Placeholder};

    Importer()
    {
        f.createDatabase();
        client->setTransferTimeout(5000);
        import.setClient(client);
        server.setHandler([this](const TestHttpServer::Request &request) {
            return pages.value(request.target, Response::status("HTTP/1.1 404 Not Found"));
        });
    }
    QString at(const QString &path) const { return server.url(path); }
    void run(const QByteArray &document, const QString &address)
    {
        view.panel.clear();
        f.writeFile(QStringLiteral("rss.xml"), document);
        import.ImportRss(address);
    }
    QStringList rows(const QString &sql) const { return storeRows(f.path(QStringLiteral("database.db")), sql); }
    QStringList items() const { return rows(QStringLiteral("select rssid,title,url from mrv_orvik_rssurl order by dataid")); }
    QStringList sites() const { return rows(QStringLiteral("select rssid,rssurl,sitename,siteurl from mrv_orvik_rss")); }
    QStringList requested() const
    {
        QStringList out;
        for (const TestHttpServer::Request &r : server.requests())
            out << QString::fromUtf8(r.target);
        return out;
    }
};

} // namespace

class TestSiteLists : public QObject {
    Q_OBJECT
private slots:
    void atomResolvesLinksAgainstBaseAndReadsHtmlTitles()
    {
        Importer t;
        const QByteArray atom = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"http://blog.cn/posts/\">\n"
            "  <title type=\"html\">Tom &amp;amp; &lt;b&gt;Jerry&lt;/b&gt;&amp;nbsp;博客</title>\n"
            "  <link rel=\"self\" href=\"http://blog.cn/atom.xml\"/>\n"
            "  <link href=\"../\"/>\n"
            "  <!-- a comment counts as a child -->\n"
            "  <entry>\n"
            "    <title>Plain &lt;not a tag&gt;</title>\n"
            "    <link rel=\"edit\" href=\"edit/1\"/>\n"
            "    <link rel=\"enclosure\" href=\"1.mp3\"/>\n"
            "    <link rel=\"alternate\" type=\"text/html\" href=\"1.html\"/>\n"
            "    <link rel=\"alternate\" href=\"1-copy.html\"/>\n"
            "  </entry>\n"
            "  <entry xml:base=\"/archive/\">\n"
            "    <title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">A <b>bold</b> one</div></title>\n"
            "    <link rel=\"replies\" href=\"2/comments\"/>\n"
            "    <link href=\"2.html\"/>\n"
            "  </entry>\n"
            "  <entry><link rel=\"self\" href=\"3.xml\"/></entry>\n"
            "  <entry><title></title><link href=\"http://other.cn/4\"/></entry>\n"
            "</feed>\n";
        t.run(atom, QStringLiteral("http://blog.cn/atom.xml"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|http://blog.cn/atom.xml|Tom & Jerry\u00A0博客|http://blog.cn/")});
        QCOMPARE(t.items(), (QStringList{QStringLiteral("1|Plain <not a tag>|http://blog.cn/posts/1.html"),
                                          QStringLiteral("1|A bold one|http://blog.cn/archive/2.html"),
                                          QStringLiteral("1|") + Nothing + QLatin1Char('|') + Placeholder,
                                          QStringLiteral("1|") + Nothing + QStringLiteral("|http://other.cn/4")}));
        QCOMPARE(t.view.caption, QStringLiteral("Tom & Jerry\u00A0博客"));
        // title, two links, the comment and four entries.
        QCOMPARE(t.view.panel.first(), QStringLiteral("读取xml:0/7"));
        QCOMPARE(t.view.panel.last(), QStringLiteral("读取xml:7/7"));
        QCOMPARE(t.view.firstPageShown, 1);

        // A second fetch, one entry new: only that one is added.
        QByteArray again = atom;
        again.replace("<entry><title></title>", "<entry><title>New</title><link href=\"5.html\"/></entry><entry><title></title>");
        t.run(again, QStringLiteral("http://blog.cn/atom.xml"));
        QCOMPARE(t.items().size(), 5);
        QCOMPARE(t.items().last(), QStringLiteral("1|New|http://blog.cn/posts/5.html"));
        QCOMPARE(t.sites().size(), 1);
    }

    // Titles marked as HTML are read by an HTML parser, as a browser would show them.
    void atomHtmlTitlesBecomeTheirText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("less-than") << "<title type=\"html\">1 &lt; 2 is true</title>" << "1 < 2 is true";
        QTest::newRow("starts with less-than") << "<title type=\"html\">&lt; 2 minutes</title>" << "< 2 minutes";
        QTest::newRow("> in an attribute") << "<title type=\"html\">&lt;img alt=\"a&gt;b\"&gt;Caption</title>"
                                           << "Caption";
        QTest::newRow("script, style, comment")
            << "<title type=\"html\">safe&lt;script&gt;alert(1);&lt;/script&gt;&lt;style&gt;p{}&lt;/style&gt;"
               "&lt;!-- note --&gt;!</title>"
            << "safe!";
        QTest::newRow("references") << "<title type=\"html\">caf&amp;eacute; &amp;#x4e2d;&amp;nbsp;&amp;amp;lt;</title>"
                                    << "caf\u00E9 \u4E2D\u00A0&lt;";
        QTest::newRow("whitespace and breaks") << "<title type=\"html\">\n  a \t&lt;br&gt;b&lt;p&gt;c&lt;/p&gt;  </title>"
                                               << "a b c";
        QTest::newRow("xhtml") << "<title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">x &amp;lt;"
                                  "<script>bad()</script> <i>y</i>\n</div></title>"
                               << "x &lt; y";
        QTest::newRow("plain text as written") << "<title>  1 &lt; 2 &lt;b&gt;  </title>" << "  1 < 2 <b>  ";
    }
    void atomHtmlTitlesBecomeTheirText()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        const FeedFormats::AddressList list = FeedFormats::readAtom(
            QStringLiteral("<feed xmlns=\"http://www.w3.org/2005/Atom\">%1<entry>%1</entry></feed>").arg(title), QUrl());
        QCOMPARE(list.siteName, text);
        QCOMPARE(list.entries.size(), size_t(1));
        QCOMPARE(list.entries.front().title, text);
    }

    void atomWithoutAlternateLinkUsesTheHostItCameFrom()
    {
        Importer t;
        t.run("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title><link rel=\"self\" href=\"x\"/>\n"
            "<entry><title>e</title><link href=\"/e\"/></entry></feed>",
              QStringLiteral("https://site.cn:8443/feeds/all.atom"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|https://site.cn:8443/feeds/all.atom|T|https://site.cn:8443/")});
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|e|https://site.cn:8443/e")});
    }

    void rss1StoresTheItemsBesideTheChannel()
    {
        Importer t;
        const QByteArray rdf = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
            "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\"\n"
            "         xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
            "  <channel rdf:about=\"http://portal.cn/\">\n"
            "    <title>门户</title><link>http://portal.cn/</link>\n"
            "    <items><rdf:Seq><rdf:li resource=\"http://portal.cn/1\"/></rdf:Seq></items>\n"
            "    <item><title>not an item: inside the channel</title><link>http://portal.cn/x</link></item>\n"
            "  </channel>\n"
            "  <item rdf:about=\"http://portal.cn/1\"><title>一</title><link>http://portal.cn/1</link></item>\n"
            "  <item rdf:about=\"http://portal.cn/2\"><dc:title>二</dc:title><link>http://portal.cn/2</link></item>\n"
            "  <item><title>no link</title></item>\n"
            "</rdf:RDF>\n";
        QStringEncoder toGb("GB18030");
        const QByteArray gb = toGb.encode(QString::fromUtf8(rdf));
        t.run(gb, QStringLiteral("http://portal.cn/rss.rdf"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|http://portal.cn/rss.rdf|门户|http://portal.cn/")});
        const QStringList expected{QStringLiteral("1|一|http://portal.cn/1"), QStringLiteral("1|二|http://portal.cn/2"),
                                   QStringLiteral("1|no link|") + Placeholder};
        QCOMPARE(t.items(), expected);
        QCOMPARE(t.view.panel.last(), QStringLiteral("读取xml:3/3"));
        t.run(gb, QStringLiteral("http://portal.cn/rss.rdf"));
        QCOMPARE(t.items(), expected);
        QCOMPARE(t.sites().size(), 1);
    }

    void sitemapTakesNewsOrImageTitles()
    {
        Importer t;
        const QByteArray map = sitemap(
            url("http://news.cn/1.html", "<news:news><news:publication><news:name>N</news:name></news:publication>"
                                         "<news:title>新闻 &amp; 标题</news:title></news:news>")
            + url("\n    http://news.cn/2.html\n  ")
            + url("http://news.cn/3.html", "<image:image><image:loc>http://news.cn/3.jpg</image:loc>"
                                           "<image:title>图片</image:title></image:image>")
            + "<url><lastmod>2024-01-01</lastmod></url>\n" + url("http://news.cn/1.html"));
        t.run(map, QStringLiteral("http://news.cn:8080/sitemap.xml"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|http://news.cn:8080/sitemap.xml|news.cn|http://news.cn:8080/")});
        const QStringList expected{QStringLiteral("1|新闻 & 标题|http://news.cn/1.html"),
                                   QStringLiteral("1|") + Nothing + QStringLiteral("|http://news.cn/2.html"),
                                   QStringLiteral("1|图片|http://news.cn/3.html")};
        QCOMPARE(t.items(), expected);
        QCOMPARE(t.view.caption, QStringLiteral("news.cn"));
        QCOMPARE(t.view.panel.last(), QStringLiteral("读取xml:4/4"));
        t.run(map, QStringLiteral("http://news.cn:8080/sitemap.xml"));
        QCOMPARE(t.items(), expected);
    }

    void unreadableListsStoreNothing_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("atom cut off") << QByteArray("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title>\n"
            "<entry><title>e</title><link href=\"http://a/e\"/></entry><entry>");
        QTest::newRow("atom without title") << QByteArray(
            "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><link href=\"http://a/e\"/></entry></feed>");
        QTest::newRow("rss 1.0 without channel link") << QByteArray(
            "<RDF xmlns=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><channel xmlns=\"http://purl.org/rss/1.0/\"><title>T</title></channel></RDF>");
        QByteArray deep = sitemap(url("http://a/1") + QByteArray("<x>").repeated(1001) + QByteArray("</x>").repeated(1001));
        QTest::newRow("sitemap nested too deep") << deep;
        // Entries are written as they are read: the break takes back the ones before it.
        QTest::newRow("sitemap cut off after entries") << sitemap(url("http://a/1") + url("http://a/2")).chopped(12);
        QByteArray external = sitemap(url("http://a/&e;"));
        external.replace("<urlset", "<!DOCTYPE urlset [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n<urlset");
        QTest::newRow("sitemap with an external entity") << external;
        QByteArray bomb = sitemap(url("http://a/&d;"));
        bomb.replace("<urlset", "<!DOCTYPE urlset [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
                                "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                                "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>\n<urlset");
        QTest::newRow("sitemap with an entity bomb") << bomb;
        const QByteArray packed = gzipped(sitemap(url("http://a/1")));
        QTest::newRow("gzip cut off") << packed.left(packed.size() - 12);
        QByteArray damaged = packed;
        damaged[20] = char(damaged[20] ^ 0x55);
        QTest::newRow("gzip damaged") << damaged;
        QTest::newRow("sitemap in a wrong encoding") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + sitemap(url("http://a/\xff\xfe")));
    }

    void unreadableListsStoreNothing()
    {
        QFETCH(QByteArray, document);
        Importer t;
        t.run(document, QStringLiteral("http://a/list.xml"));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QVERIFY(t.sites().isEmpty());
        QVERIFY(t.items().isEmpty());
        QCOMPARE(t.view.firstPageShown, 1);
    }

    void storeFailureHalfwayLeavesNothingOfTheList()
    {
        Importer t;
        t.f.exec(QStringLiteral("create trigger refuse before insert on mrv_orvik_rssurl when new.url like '%/bad'"
                                " begin select raise(abort, 'refused'); end"));
        t.run(sitemap(url("http://s.cn/1") + url("http://s.cn/bad") + url("http://s.cn/3")),
              QStringLiteral("http://s.cn/sitemap.xml"));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QVERIFY(t.sites().isEmpty());
        QVERIFY(t.items().isEmpty());

        // In an index only that part is lost; the site row comes with the next good one.
        t.f.dialogs.boxes.clear();
        t.pages["/1.xml"] = Response::ok(sitemap(url("http://s.cn/1") + url("http://s.cn/bad")), "text/xml");
        t.pages["/2.xml"] = Response::ok(sitemap(url("http://s.cn/2")), "text/xml");
        t.run(sitemapIndex({t.at("/1.xml"), t.at("/2.xml")}), QStringLiteral("http://s.cn/index.xml"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|http://s.cn/index.xml|s.cn|http://s.cn/")});
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|") + Nothing + QStringLiteral("|http://s.cn/2")});
    }

    void indexReadsEveryPartItCanIntoOneSite()
    {
        Importer t;
        t.pages["/a.xml.gz"] = Response::ok(gzipped(sitemap(url("http://s.cn/1") + url("http://s.cn/2"))),
                                            "application/x-gzip");
        t.pages["/b.xml"] = Response::ok(sitemap(url("http://s.cn/2") + url("http://s.cn/3")), "text/xml");
        t.pages["/page.html"] = Response::ok("<html><body>not a sitemap</body></html>");
        const QByteArray index = sitemapIndex({t.at("/a.xml.gz"), t.at("/gone.xml"), t.at("/page.html"),
                                               t.at("/b.xml")});
        // The index itself may come compressed too.
        t.run(gzipped(index), QStringLiteral("http://s.cn/sitemap_index.xml"));

        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|http://s.cn/sitemap_index.xml|s.cn|http://s.cn/")});
        const QStringList expected{QStringLiteral("1|") + Nothing + QStringLiteral("|http://s.cn/1"),
                                   QStringLiteral("1|") + Nothing + QStringLiteral("|http://s.cn/2"),
                                   QStringLiteral("1|") + Nothing + QStringLiteral("|http://s.cn/3")};
        QCOMPARE(t.items(), expected);
        QVERIFY(t.view.panel.contains(QStringLiteral("读取站点地图:1/4")));
        QVERIFY(t.view.panel.contains(QStringLiteral("读取站点地图:4/4")));
        QVERIFY(t.view.panel.contains(QStringLiteral("读取站点地图失败:") + t.at("/gone.xml")
                                      + QStringLiteral(" HTTP/1.1 404 Not Found")));
        QVERIFY(t.view.panel.filter(QStringLiteral("读取站点地图失败:") + t.at("/page.html")).size() == 1);
        QCOMPARE(t.view.firstPageShown, 1);

        // Again: every address is a duplicate, the site row is the same.
        t.run(gzipped(index), QStringLiteral("http://s.cn/sitemap_index.xml"));
        QCOMPARE(t.items(), expected);
        QCOMPARE(t.sites().size(), 1);
    }

    void indexWithoutAReadablePartStoresNoSite()
    {
        Importer t;
        QStringList parts;
        for (int i = 0; i <= FeedImport::MaxSitemapParts; ++i)
            parts << t.at(QStringLiteral("/gone%1.xml").arg(i));
        t.run(sitemapIndex(parts), QStringLiteral("http://s.cn/index.xml"));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QVERIFY(t.sites().isEmpty());
        // No more parts than the limit are asked for.
        QCOMPARE(t.requested().size(), FeedImport::MaxSitemapParts);
        QCOMPARE(t.requested().last(), QStringLiteral("/gone999.xml"));
        QVERIFY(t.view.panel.contains(QStringLiteral("读取站点地图:1000/1000")));
    }

    // A sitemap is written as it is read, a piece at a time: one of several
    // pieces goes in whole, in document order, or not at all.
    void longSitemapStoredWholeOrNotAtAll_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("stored");
        QByteArray urls;
        for (int i = 1; i <= 12000; ++i)
            urls += url("http://a/" + QByteArray::number(i));
        const QByteArray whole = sitemap(urls);
        QVERIFY(whole.size() > 2 * 256 * 1024);
        const QByteArray cut = whole.chopped(20);
        QTest::newRow("plain") << whole << 12000;
        QTest::newRow("gzip") << gzipped(whole) << 12000;
        QTest::newRow("plain, cut off in the last entry") << cut << 0;
        QTest::newRow("gzip, cut off in the last entry") << gzipped(cut) << 0;
    }
    void longSitemapStoredWholeOrNotAtAll()
    {
        QFETCH(QByteArray, document);
        QFETCH(int, stored);
        Importer t;
        t.run(document, QStringLiteral("http://a/sitemap.xml"));
        const QStringList items = t.items();
        QCOMPARE(items.size(), stored);
        if (stored > 0) {
            QVERIFY(items.first().endsWith(QStringLiteral("|http://a/1")));
            QVERIFY(items.last().endsWith(QStringLiteral("|http://a/12000")));
        }
    }

    void gzipBombGetsTheSizeLimitsMessage_data()
    {
        QTest::addColumn<QByteArray>("bomb");
        QTest::newRow("blanks") << gzipped(QByteArray(WebClient::DefaultMaxBodySize + 1, ' '));
        // Read as it is unpacked: the limit takes back the entries written before it.
        QTest::newRow("sitemap padded past the limit")
            << gzipped(sitemap(url("http://s.cn/1") + QByteArray(WebClient::DefaultMaxBodySize, ' ') + url("http://s.cn/2")));
    }
    void gzipBombGetsTheSizeLimitsMessage()
    {
        QFETCH(QByteArray, bomb);
        Importer t;
        QVERIFY(bomb.size() < 1024 * 1024);
        const QString limit = QStringLiteral("Response body larger than 67108864 bytes");

        t.run(bomb, QStringLiteral("http://s.cn/sitemap.xml.gz"));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QCOMPARE(t.view.panel, QStringList{limit});
        QVERIFY(t.sites().isEmpty());

        // As a part of an index it is skipped with the same words.
        t.f.dialogs.boxes.clear();
        t.pages["/bomb.xml.gz"] = Response::ok(bomb, "application/x-gzip");
        t.pages["/ok.xml"] = Response::ok(sitemap(url("http://s.cn/ok")), "text/xml");
        t.run(sitemapIndex({t.at("/bomb.xml.gz"), t.at("/ok.xml")}), QStringLiteral("http://s.cn/index.xml"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QVERIFY(t.view.panel.contains(QStringLiteral("读取站点地图失败:") + t.at("/bomb.xml.gz") + u' ' + limit));
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|") + Nothing + QStringLiteral("|http://s.cn/ok")});
    }

    void homePageLeadsToItsFeed()
    {
        Importer t;
        t.pages["/feeds/atom.xml"] = Response::ok("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Home</title>\n"
            "<link href=\"/\"/><entry><title>a</title><link href=\"/a.html\"/></entry></feed>", "application/atom+xml");
        const QByteArray page = "<!DOCTYPE html>\n"
            "<html><head><meta charset=utf-8>\n"
            "<!-- <link rel=\"alternate\" type=\"application/rss+xml\" href=\"/old.xml\"> -->\n"
            "<link rel=\"stylesheet\" href=\"/s.css\">\n"
            "<link rel=\"alternate\" hreflang=\"en\" href=\"/en/\">\n"
            "<LINK REL=\"Alternate\" TYPE=\"application/atom+xml; charset=utf-8\" HREF='feeds/atom.xml' title=Feed>\n"
            "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss.xml\">\n"
            "</head><body><p>unclosed<br></body></html>";
        const QString home = t.at("/");
        t.run(page, home);
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QVERIFY(t.view.panel.contains(QStringLiteral("找到订阅：") + t.at("/feeds/atom.xml")));
        // The row keeps the typed address, so the next fetch goes the same way.
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|") + home + QStringLiteral("|Home|") + home});
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|a|") + t.at("/a.html")});
        QCOMPARE(t.requested(), QStringList{QStringLiteral("/feeds/atom.xml")});
        t.run(page, home);
        QCOMPARE(t.items().size(), 1);
        QCOMPARE(t.sites().size(), 1);
    }

    void homePageWithoutFeedLinkTriesRobotsThenSitemap()
    {
        Importer t;
        t.pages["/robots.txt"] = Response::ok("User-agent: *\r\nDisallow: /admin\r\n# Sitemap: /commented.xml\r\n"
                                              "sitemap:  /maps/one.xml  \r\nSitemap: /maps/two.xml\r\n",
                                              "text/plain");
        t.pages["/maps/one.xml"] = Response::ok(sitemap(url("http://r.cn/1")), "text/xml");
        const QByteArray page = "<html><head><title>x</title></head><body>no feed</body></html>";
        t.run(page, t.at("/index.html"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QVERIFY(t.view.panel.contains(QStringLiteral("找到站点地图：") + t.at("/maps/one.xml")));
        QCOMPARE(t.sites(), QStringList{QStringLiteral("1|") + t.at("/index.html") + QStringLiteral("|127.0.0.1|")
                                        + t.at("/")});
        QCOMPARE(t.items(), QStringList{QStringLiteral("1|") + Nothing + QStringLiteral("|http://r.cn/1")});

        // No robots.txt: the usual place, named before it is asked for.
        t.pages.remove("/robots.txt");
        t.pages["/sitemap.xml"] = Response::ok(sitemap(url("http://r.cn/2")), "text/xml");
        QString panelAtRequest;
        t.server.setHandler([&](const TestHttpServer::Request &request) {
            if (request.target == "/sitemap.xml" && !t.view.panel.isEmpty())
                panelAtRequest = t.view.panel.last();
            return t.pages.value(request.target, Response::status("HTTP/1.1 404 Not Found"));
        });
        t.run(page, t.at("/index.html"));
        QCOMPARE(panelAtRequest, QStringLiteral("找到站点地图：") + t.at("/sitemap.xml"));
        QCOMPARE(t.items().last(), QStringLiteral("1|") + Nothing + QStringLiteral("|http://r.cn/2"));

        // Neither: the page fails as before, after asking for both.
        t.pages.remove("/sitemap.xml");
        const qsizetype asked = t.server.requests().size();
        t.run(page, t.at("/index.html"));
        QCOMPARE(t.f.dialogs.texts(), QStringList{QStringLiteral("无法获取！")});
        QCOMPARE(t.view.panel.last(), QStringLiteral("无法获取！"));
        QCOMPARE(t.requested().mid(asked), (QStringList{QStringLiteral("/robots.txt"), QStringLiteral("/sitemap.xml")}));
        QCOMPARE(t.items().size(), 2);
    }

    void rssItemsWithoutLinkTakeTheirPermalinkGuid()
    {
        Importer t;
        const QByteArray feed = "<rss version=\"2.0\" xmlns:d=\"http://purl.org/dc/elements/1.1/\"><channel>\n"
            "<title>R</title><link>http://r.cn/</link>\n"
            "<item><title>g1</title><guid>http://r.cn/?p=1</guid></item>\n"
            "<item><title>g2</title><guid isPermaLink=\"true\"> https://r.cn/?p=2 </guid></item>\n"
            "<item><title>not a link</title><guid isPermaLink=\"false\">http://r.cn/?p=3</guid></item>\n"
            "<item><title>not an address</title><guid>tag:r.cn,2024:4</guid></item>\n"
            "<item><title>中文</title><guid>HTTP://r.cn/文章/8</guid></item>\n"
            "<item><title>blank inside</title><guid>http://r.cn/a b</guid></item>\n"
            "<item><d:title>dc title</d:title><link>http://r.cn/5</link></item>\n"
            "<item><title></title><d:title>dc loses to an empty title</d:title><link>http://r.cn/6</link></item>\n"
            "<item><title>link wins</title><link>http://r.cn/7</link><guid>http://r.cn/?p=7</guid></item>\n"
            "</channel></rss>";
        t.run(feed, QStringLiteral("http://r.cn/feed"));
        QVERIFY(t.f.dialogs.boxes.isEmpty());
        QCOMPARE(t.items(), (QStringList{QStringLiteral("1|g1|http://r.cn/?p=1"), QStringLiteral("1|g2|https://r.cn/?p=2"),
                                          QStringLiteral("1|not a link|") + Placeholder,
                                          QStringLiteral("1|中文|HTTP://r.cn/文章/8"),
                                          QStringLiteral("1|dc title|http://r.cn/5"),
                                          QStringLiteral("1|") + Nothing + QStringLiteral("|http://r.cn/6"),
                                          QStringLiteral("1|link wins|http://r.cn/7")}));
    }
};

QTEST_GUILESS_MAIN(TestSiteLists)
#include "tst_sitelists.moc"
