#include "query/ExtractBetween.h"

#include <QtTest>

class TestExtractBetween : public QObject {
    Q_OBJECT
private slots:
    void cut_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("begin");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("value");

        QTest::newRow("between the markers, blanks and commas kept")
            << "<strong>找到相关结果数 1,230 个。</strong>" << "<strong>找到相关结果数" << "个。</strong>"
            << " 1,230 ";
        QTest::newRow("first begin, then the next end after it")
            << "x个 [a] 12个 [b] 34个" << "[a]" << "个" << " 12";
        QTest::newRow("nothing between") << "<em></em>" << "<em>" << "</em>" << "";
        QTest::newRow("begin missing: page start up to the first end") << "head 5个 tail" << "<p>" << "个"
                                                                      << "head 5";
        QTest::newRow("end missing") << "<em>5" << "<em>" << "</em>" << "";
        QTest::newRow("end only before the begin") << "</em><em>5" << "<em>" << "</em>" << "";
        QTest::newRow("empty end marker") << "<em>5</em>" << "<em>" << "" << "";
        QTest::newRow("empty begin marker") << "5</em>" << "" << "</em>" << "5";
        QTest::newRow("letter case counts") << "<EM>5</em>" << "<em>" << "</em>" << "<EM>5";
        QTest::newRow("begin pieces in order") << "a1 b2 a3 c4|" << "a(*)c" << "|" << "4";
        QTest::newRow("later piece searched after the earlier one")
            << "b0 a1 b2|" << "a(*)b" << "|" << "2";
        QTest::newRow("missing begin piece passed over") << "a1 c2|" << "a(*)zz(*)c" << "|" << "2";
        QTest::newRow("end: cut at the first piece when the last occurs too")
            << "<i>12|x;" << "<i>" << "|(*)ignored(*);" << "12";
        QTest::newRow("end: last piece missing gives nothing") << "<i>12|x" << "<i>" << "|(*);" << "";
        QTest::newRow("end: last piece may lie before the first") << "<i>;12|" << "<i>" << "|(*);"
                                                                   << ";12";
        QTest::newRow("separator at the end of the begin marker") << "xa1|" << "a(*)" << "|" << "1";
    }
    void cut()
    {
        QFETCH(QString, page);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, value);
        QCOMPARE(ExtractBetween(page, begin, end), value);
    }
};

QTEST_APPLESS_MAIN(TestExtractBetween)
#include "tst_extractbetween.moc"
