#include "FakeDialogs.h"
#include "common/AppSettings.h"
#include "platform/Errors.h"
#include "platform/QueryText.h"
#include "platform/WebClient.h"
#include "query/SiteList.h"
#include "query/SiteQuery.h"
#include "support/FileSizeLimit.h"
#include "support/TestHttpServer.h"

#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

using Response = TestHttpServer::Response;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

const QString kStatic = QStringLiteral("img.test.invalid");

// Pages as the five services lay them out, by the start of the request target.
QMap<QByteArray, QByteArray> servicePages()
{
    return {
        {"/s?wd=site:", "<div><strong>找到相关结果数1,230个。</strong></div>"},
        {"/s?wd=domain:", "<p>百度为您找到相关结果约45个</p>"},
        {"/s?q=site:", "<p class=\"ws-total\">找到相关结果约 7 个</p>"},
        {"/s?q=domain:", "<p>找到相关结果约88个,另 9 个</p>"},
        {"/web?query=site:", "<div class=\"zz_ico\">找到约 <em>9,870</em> 条结果</div>"},
        {"/web?query=domain:", "<span id=\"scd_num\">321</span>"},
        {"/baidu/", "<img src=\"http://img.test.invalid/images/brs/3.gif\"> 预计百度来路:"
                    "<span class=\"red\">120</span> IP <a href=\"/baidu/example.com\"> "
                    "<span class=\"red\">\t56 </span></a>"},
        {"/baidusort.aspx?host=", "百度权重为 <font color=\"\">2</font> 预计从百度来访 "
                                  "<font color=\"blue\">340</font> 共找到 <font color=\"blue\"> 12\r\n</font>"},
    };
}

Response answerFrom(const QMap<QByteArray, QByteArray> &pages, const TestHttpServer::Request &request)
{
    for (auto it = pages.begin(); it != pages.end(); ++it)
        if (request.target.startsWith(it.key()))
            return Response::ok(it.value(), "text/html; charset=gb2312");
    return Response::status("HTTP/1.1 404 Not Found");
}

ServiceHosts hostsAt(const TestHttpServer &server)
{
    ServiceHosts hosts;
    hosts.baidu = hosts.so = hosts.sogou = hosts.aizhan = hosts.chinaz = server.base();
    hosts.aizhanstatic = kStatic;
    return hosts;
}

struct Boxes {
    QMap<QString, QString> values;
    SiteQuery::WriteBox writer()
    {
        return [this](const QString &box, const QString &value) { values[box] = value; };
    }
};

} // namespace

class TestSiteQuery : public QObject {
    Q_OBJECT
private slots:
    void meaningChangingCharactersAreEncoded()
    {
        QCOMPARE(encodeQueryValue("www.example.com"), QStringLiteral("www.example.com"));
        QCOMPARE(encodeQueryValue("site:a.cn/x?y=1;z@w~_-!$'()*,"),
                 QStringLiteral("site:a.cn/x?y=1;z@w~_-!$'()*,"));
        QCOMPARE(encodeQueryValue("a b&c#d+e%41"), QStringLiteral("a%20b%26c%23d%2Be%2541"));
        QCOMPARE(encodeQueryValue("中.cn\t\x7F"), QStringLiteral("%E4%B8%AD.cn%09%7F"));
        QCOMPARE(encodeQueryValue(""), QString());
    }

    void addressesTakeTheDomainAsTyped()
    {
        ServiceHosts hosts;
        hosts.baidu = "b.test";
        hosts.so = "https://s.test/";
        hosts.sogou = "g.test:81";
        hosts.aizhan = "a.test";
        hosts.chinaz = "c.test";
        QStringList addresses;
        for (const SiteLookup &lookup : siteLookups(hosts, " a b?#中"))
            addresses << lookup.address;
        QCOMPARE(addresses, QStringList({
                                "http://b.test/s?wd=site:%20a%20b?%23%E4%B8%AD",
                                "http://b.test/s?wd=domain:%20a%20b?%23%E4%B8%AD",
                                "https://s.test/s?q=site:%20a%20b?%23%E4%B8%AD",
                                "https://s.test/s?q=domain:%20a%20b?%23%E4%B8%AD",
                                "http://g.test:81/web?query=site:%20a%20b?%23%E4%B8%AD",
                                "http://g.test:81/web?query=domain:%20a%20b?%23%E4%B8%AD",
                                "http://a.test/baidu/%20a%20b%3F%23%E4%B8%AD/",
                                "http://c.test/baidusort.aspx?host=%20a%20b?%23%E4%B8%AD",
                            }));
        // The keyword marker holds the domain exactly as typed.
        QCOMPARE(siteLookups(hosts, " a b?#中").at(6).values.at(2).begin,
                 QStringLiteral("href=\"/baidu/ a b?#中\"> <span class=\"red\">"));
    }

    void cleaning()
    {
        QCOMPARE(cleanValue(" <span class=\"red\">1</span>2</span> ", ValueCleaning::RemoveRedSpans),
                 QStringLiteral(" 12 "));
        QCOMPARE(cleanValue("<SPAN class=\"red\">1", ValueCleaning::RemoveRedSpans),
                 QStringLiteral("<SPAN class=\"red\">1"));
        QCOMPARE(cleanValue("\r\n\t 5 6\x01 ", ValueCleaning::Trim), QStringLiteral("5 6"));
        // Only blanks and control characters go, not the ideographic space.
        QCOMPARE(cleanValue(QStringLiteral("\u30007\u3000"), ValueCleaning::Trim),
                 QStringLiteral("\u30007\u3000"));
        QCOMPARE(cleanValue(" ", ValueCleaning::Trim), QString());
    }

    void eightLookupsFillTheirBoxes()
    {
        const auto pages = servicePages();
        TestHttpServer server([&](const auto &request) { return answerFrom(pages, request); });
        FakeDialogs dialogs;
        Boxes boxes;
        SiteQuery(dialogs, boxes.writer()).run(siteLookups(hostsAt(server), "example.com"));

        QMap<QString, QString> expected{
            {"EditBaidu", "1,230"}, {"EditBaidu2", "45"},   {"Edit360", " 7 "},
            {"Edit3602", "88"},     {"EditSougou", "9,870"}, {"EditSougou2", "321"},
            {"EditBR", "3"},        {"EditFromBaiduIP", "120 "}, {"EditAiZhanWord", "56"},
            {"EditChinazBR", "2"},  {"EditChinazFromBaiduIP", "340"}, {"EditChinaZWord", "12"},
        };
        QCOMPARE(boxes.values, expected);
        QVERIFY(dialogs.boxes.isEmpty());

        QList<QByteArray> targets;
        for (const auto &request : server.requests()) {
            targets << request.target;
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.header("User-Agent"), QByteArray(SiteQueryUserAgent));
            QCOMPARE(request.header("Accept"), QByteArray("text/html, */*"));
        }
        QCOMPARE(targets, QList<QByteArray>({"/s?wd=site:example.com", "/s?wd=domain:example.com",
                                             "/s?q=site:example.com", "/s?q=domain:example.com",
                                             "/web?query=site:example.com",
                                             "/web?query=domain:example.com", "/baidu/example.com/",
                                             "/baidusort.aspx?host=example.com"}));
    }

    void domainsReachTheServerAsTyped()
    {
        TestHttpServer server;
        FakeDialogs dialogs;
        Boxes boxes;
        SiteQuery query(dialogs, boxes.writer());
        query.run(siteLookups(hostsAt(server), ""));
        QCOMPARE(server.requests().size(), 8);
        QCOMPARE(server.requests().at(0).target, QByteArray("/s?wd=site:"));
        QCOMPARE(server.requests().at(1).target, QByteArray("/s?wd=domain:"));
        QCOMPARE(server.requests().at(6).target, QByteArray("/baidu//"));
        QCOMPARE(server.requests().at(7).target, QByteArray("/baidusort.aspx?host="));

        query.run(siteLookups(hostsAt(server), "a b&c+d%41中"));
        QCOMPARE(server.requests().at(8).target, QByteArray("/s?wd=site:a%20b%26c%2Bd%2541%E4%B8%AD"));
        QCOMPARE(server.requests().at(14).target, QByteArray("/baidu/a%20b%26c%2Bd%2541%E4%B8%AD/"));
        // What an address cannot hold as it is, the client escapes on the way out.
        query.run(siteLookups(hostsAt(server), "x\"<>{}|^`[]\\"));
        QCOMPARE(server.requests().at(16).target, QByteArray("/s?wd=site:x%22%3C%3E%7B%7D%7C%5E%60[]%5C"));
        QCOMPARE(server.requests().at(22).target, QByteArray("/baidu/x%22%3C%3E%7B%7D%7C%5E%60[]%5C/"));
        // Empty pages fail every guard: nothing is written.
        QVERIFY(boxes.values.isEmpty());
    }

    void pagesWithoutTheGuardKeepThePreviousValues()
    {
        auto pages = servicePages();
        TestHttpServer server([&](const auto &request) { return answerFrom(pages, request); });
        FakeDialogs dialogs;
        Boxes boxes;
        SiteQuery query(dialogs, boxes.writer());
        query.run(siteLookups(hostsAt(server), "example.com"));
        const auto first = boxes.values;

        // A verification page everywhere, and the Aizhan page with its values
        // but a weight image from another host: no box changes, also for another domain.
        for (auto &page : pages)
            page = "<html>请输入验证码 1个 </span> </font> .gif IP</html>";
        pages["/baidu/"] = "<img src=\"http://other.test/images/brs/9.gif\"> 预计百度来路:5 IP";
        query.run(siteLookups(hostsAt(server), "other.com"));
        QCOMPARE(boxes.values, first);
        QCOMPARE(server.requests().size(), 16);
    }

    void unguardedValuesCutFromThePageStartWhenTheirBeginIsMissing()
    {
        FakeDialogs dialogs;
        Boxes boxes;
        SiteQuery query(dialogs, boxes.writer());
        ServiceHosts hosts;
        hosts.aizhanstatic = kStatic;
        const QList<SiteLookup> lookups = siteLookups(hosts, "example.com");
        boxes.values = {{"EditFromBaiduIP", "old"}, {"EditAiZhanWord", "old"}};

        // Neither "预计百度来路:" nor the keyword marker: the first is cut from
        // the page start up to "IP", the second finds no "</span>" at all.
        query.showPage(lookups.at(6), "<b>ZIP</b><img src=\"http://img.test.invalid/images/brs/4.gif\">");
        QCOMPARE(boxes.values["EditBR"], QStringLiteral("4"));
        QCOMPARE(boxes.values["EditFromBaiduIP"], QStringLiteral("<b>Z"));
        QCOMPARE(boxes.values["EditAiZhanWord"], QString());

        // The guard ignores letter case, the cut does not.
        query.showPage(lookups.at(0), "<p><STRONG>找到相关结果数5个。</strong>");
        QCOMPARE(boxes.values["EditBaidu"], QStringLiteral("<p><STRONG>找到相关结果数5"));
        QVERIFY(dialogs.boxes.isEmpty());
    }

    void aConversionFailureSkipsOnlyItsLookup()
    {
        const auto pages = servicePages();
        TestHttpServer server([&](const auto &request) { return answerFrom(pages, request); });
        FakeDialogs dialogs;
        QStringList written;
        SiteQuery query(dialogs, [&](const QString &box, const QString &) {
            if (box == QLatin1String("EditSougou"))
                throw EConvertError("'x' is not a valid integer value");
            written << box;
        });
        const ServiceHosts hosts = hostsAt(server);
        query.run(siteLookups(hosts, "example.com"));
        QCOMPARE(dialogs.texts(),
                 QStringList({"http://" + server.base() + "/web?query=site:example.com出错"}));
        QCOMPARE(written.size(), 11);
        QCOMPARE(server.requests().size(), 8);
    }

    void otherFailuresEndTheQuery()
    {
        auto pages = servicePages();
        TestHttpServer server([&](const auto &request) {
            if (request.target.startsWith("/s?q=domain:"))
                return Response::redirect(302, "/elsewhere");
            return answerFrom(pages, request);
        });
        FakeDialogs dialogs;
        Boxes boxes;
        SiteQuery query(dialogs, boxes.writer());
        QString failure;
        try {
            query.run(siteLookups(hostsAt(server), "example.com"));
        } catch (const HttpError &error) {
            failure = error.message();
        }
        QCOMPARE(failure, QStringLiteral("HTTP/1.1 302 Found"));
        QCOMPARE(server.requests().size(), 4);
        QCOMPARE(boxes.values.keys(), QStringList({"Edit360", "EditBaidu", "EditBaidu2"}));
        QVERIFY(dialogs.boxes.isEmpty());
    }

    void siteListMissingEmptyAndUnwritable()
    {
        // Encodings and line ends are the window test's and the code page's.
        QTemporaryDir dir;
        const QString path = dir.filePath("site.txt");
        QVERIFY(!SiteList::read(path).has_value());
        SiteList::write(path, {});
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(SiteList::read(path), std::optional<QStringList>(QStringList()));
        QVERIFY_THROWS_EXCEPTION(AppError, SiteList::write(dir.filePath("no/such/site.txt"), {"x"}));

        // A full disk keeps the old list whole and names the reason.
        SiteList::write(path, {"a.com", "b.net"});
        const QByteArray before = contentsOf(path);
        try {
            FileSizeLimit full(4);
            SiteList::write(path, {"c.org", "d.cn"});
            QFAIL("the write succeeded");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + path + QStringLiteral(": ")
                         + FileSizeLimit::reason());
        }
        QCOMPARE(contentsOf(path), before);
        QCOMPARE(FileSizeLimit::namesIn(dir.path()), QStringList{QStringLiteral("site.txt")});
    }
};

QTEST_GUILESS_MAIN(TestSiteQuery)
#include "tst_sitequery.moc"
