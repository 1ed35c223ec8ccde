// The search's comparison and the statements it goes into.
#include "platform/Codepage.h"
#include "store/LinkList.h"
#include "store/SQLiteDatabase.h"
#include "store/TextSearch.h"

#include "support/TestDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool found(const QString &text, const QString &needle)
{
    return TextSearch::contains(Codepage::toLegacy(text), Codepage::toLegacy(needle));
}

class RowsView : public LinkListView {
public:
    void clearRows() override { titles.clear(); }
    void addRow(const LinkRow &row) override { titles << row.title; }
    void showPosition(qint64 totalCount, qint64 currentPage, qint64 pageCount) override
    {
        total = totalCount;
        position = QStringLiteral("%1/%2").arg(currentPage).arg(pageCount);
    }
    QStringList titles;
    qint64 total = -1;
    QString position;
};

} // namespace

class TestTextSearch : public QObject {
    Q_OBJECT
private slots:
    void comparesCharactersNotBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Chinese prefix of a longer word") << "中国网站" << "中" << true;
        QTest::newRow("Chinese in the middle") << "我的中国网站" << "中国" << true;
        QTest::newRow("absent Chinese") << "中国网站" << "日本" << false;
        // 丁 is 0xB6 0xA1, 丂 0x81 0x40 and 丄 0x81 0x41 in the legacy code page:
        // trail bytes that read as "@" and "A".
        QTest::newRow("trail byte is no @") << "丂" << "@" << false;
        QTest::newRow("trail byte is no letter") << "丄" << "a" << false;
        QTest::newRow("bytes across two characters") << "丁丁" << Codepage::fromLegacy(QByteArray("\xA1\xB6")) << false;
        QTest::newRow("Latin case ignored") << "Hello World" << "wORLD" << true;
        QTest::newRow("Latin case ignored beside Chinese") << "标题ABC" << "abc" << true;
        QTest::newRow("percent is literal") << "100%" << "0%" << true;
        QTest::newRow("percent matches nothing else") << "1000" << "1%0" << false;
        QTest::newRow("underscore is literal") << "a_b" << "a_b" << true;
        QTest::newRow("underscore is no wildcard") << "axb" << "a_b" << false;
        QTest::newRow("quote") << "it's" << "t's" << true;
        QTest::newRow("empty needle") << "x" << "" << true;
    }
    void comparesCharactersNotBytes()
    {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(bool, expected);
        QCOMPARE(found(text, needle), expected);
    }

    void searchStatementsWithinTheSiteFilter()
    {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QVERIFY(!TestDatabase::create(dir.path()).isEmpty());
        const QString rows = QStringLiteral(
            "insert into mrv_orvik_rssurl(title,url,rssid) values "
            "('50%2 off','http://a/1',1),('it''s -1 here','http://a/2',1),"
            "('x_y','http://a/3',2),('xzy','http://a/4',1),('中国新闻','http://a/5',1),"
            "('plain','http://Example.com/中',2);");
        QVERIFY(TestDatabase::execRaw(QStringLiteral("database.db"), Codepage::toLegacy(rows)));
        LinkPager pager;
        RowsView view;
        auto search = [&](qint64 site, const QString &text) {
            pager.BindList(LinkStatements::firstPage(site, 25, text),
                           LinkStatements::count(site, true, text), 1, view);
            return view.titles;
        };
        QCOMPARE(search(0, "50%2"), QStringList({"50%2 off"}));
        QCOMPARE(search(0, "it's"), QStringList({"it's -1 here"}));
        QCOMPARE(search(0, "x_y"), QStringList({"x_y"}));
        QCOMPARE(search(1, "x_y"), QStringList());
        QCOMPARE(search(0, "中"), QStringList({"plain", "中国新闻"}));
        QCOMPARE(search(2, "EXAMPLE"), QStringList({"plain"}));
        QCOMPARE(view.total, 1);
        // The last page's limit is completed even when the text holds "-1".
        pager.BindList(LinkStatements::lastPage(0, "-1"), LinkStatements::count(0, true, "-1"), -1, view);
        QCOMPARE(view.titles, QStringList({"it's -1 here"}));
        QCOMPARE(view.position, QStringLiteral("1/1"));
        QDir::setCurrent(old);
    }
};

QTEST_GUILESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
