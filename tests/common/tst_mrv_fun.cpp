#include "common/mrv_fun.h"
#include "platform/Errors.h"

#include <QElapsedTimer>
#include <QtTest>

class TestMrvFun : public QObject {
    Q_OBJECT
private slots:
    void matchPattern_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("upper pattern found") << "ABC" << "xxabcxx" << true;
        QTest::newRow("upper text found") << "<b>x.cn</b>" << "..<B>X.CN</B>.." << true;
        QTest::newRow("host without bold") << "<b>x.cn</b>" << "x.cn" << false;
        QTest::newRow("empty text") << "abc" << "" << false;
        QTest::newRow("empty pattern") << "" << "" << true;
        QTest::newRow("only stars") << "**" << "" << true;
        QTest::newRow("question one char") << "a?c" << "xxabcxx" << true;
        QTest::newRow("question needs a char") << "a?c" << "xxacxx" << false;
        QTest::newRow("question at the end") << "ab?" << "ab" << false;
        QTest::newRow("star any run") << "a*c" << "a---c" << true;
        QTest::newRow("star empty run") << "a*c" << "ac" << true;
        QTest::newRow("order kept") << "c*a" << "a---c" << false;
        QTest::newRow("retry after partial") << "aab" << "aaab" << true;
        QTest::newRow("question after star") << "a*b?d" << "abxbcd" << true;
        QTest::newRow("other letters exact") << QStringLiteral("é") << QStringLiteral("É") << false;
        QTest::newRow("chinese exact") << QStringLiteral("百度") << QStringLiteral("x百度y") << true;
        QTest::newRow("question takes a pair") << "a?b" << QStringLiteral("a😀b") << true;
    }
    void matchPattern()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(MatchPattern(pattern, text), expected);
    }
    void matchPatternStaysFastOnHostileInput()
    {
        const QString text = QString(20000, u'a');
        const QString pattern = QString("*a").repeated(30) + "b";
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!MatchPattern(pattern, text));
        QVERIFY(!MatchPattern(QString(500, u'a') + "b", text));
        QVERIFY(timer.elapsed() < 2000);
    }

    void splitText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("three") << "ab/cd/ef" << "/" << QStringList{"ab", "cd", "ef"};
        QTest::newRow("empty last") << "ab/" << "/" << QStringList{"ab", ""};
        QTest::newRow("empty first") << "/ab" << "/" << QStringList{"", "ab"};
        QTest::newRow("none") << "ab" << "/" << QStringList{"ab"};
        QTest::newRow("empty text") << "" << "/" << QStringList{};
        QTest::newRow("long delimiter") << "ab(*)cd" << "(*)" << QStringList{"ab", "cd"};
        QTest::newRow("no overlap") << "aaa" << "aa" << QStringList{"", "a"};
        QTest::newRow("case counts") << "aXbxc" << "x" << QStringList{"aXb", "c"};
        QTest::newRow("empty delimiter") << "abc" << "" << QStringList{"abc"};
    }
    void splitText()
    {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(QStringList, pieces);
        QCOMPARE(SplitText(text, delimiter), pieces);
    }

    void timestampsReadAndWrite()
    {
        const QDateTime t = ParseTimestamp("2013-09-24 08:05:03");
        QCOMPARE(t.date(), QDate(2013, 9, 24));
        QCOMPARE(t.time(), QTime(8, 5, 3));
        QCOMPARE(ParseTimestamp("2013-9-4 8:5:3"), QDateTime(QDate(2013, 9, 4), QTime(8, 5, 3)));
        QCOMPARE(FormatTimestamp(t), QStringLiteral("2013-09-24 08:05:03"));
        QCOMPARE(ParseTimestamp(NowTimestamp()).date(), QDate::currentDate());
    }
    void badTimestampsRaiseConversionError_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("bad month") << "2013-13-01 00:00:00";
        QTest::newRow("bad day") << "2013-02-29 00:00:00";
        QTest::newRow("bad hour") << "2013-09-24 24:00:00";
        QTest::newRow("trailing") << "2013-09-24 08:00:00x";
        QTest::newRow("words") << "yesterday";
    }
    void badTimestampsRaiseConversionError()
    {
        QFETCH(QString, text);
        try {
            ParseTimestamp(text);
            QFAIL("no error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), QStringLiteral("''%1'' is not a valid date and time").arg(text));
        }
        if (!text.isEmpty())
            QVERIFY_THROWS_EXCEPTION(EConvertError, WithinOneDay(text, QDateTime::currentDateTime()));
    }

    void withinOneDay_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("expected");
        const QDate d(2013, 9, 25);
        QTest::newRow("one second short") << QDateTime(d, QTime(7, 59, 59)) << true;
        QTest::newRow("exactly a day") << QDateTime(d, QTime(8, 0, 0)) << false;
        QTest::newRow("same moment") << QDateTime(QDate(2013, 9, 24), QTime(8, 0)) << true;
        QTest::newRow("stored in the future") << QDateTime(QDate(2013, 9, 23), QTime(9, 0)) << true;
        QTest::newRow("a day in the future") << QDateTime(QDate(2013, 9, 23), QTime(8, 0)) << false;
        QTest::newRow("years later") << QDateTime(QDate(2020, 1, 1), QTime(0, 0)) << false;
    }
    void withinOneDay()
    {
        QFETCH(QDateTime, now);
        QFETCH(bool, expected);
        QCOMPARE(WithinOneDay("2013-09-24 08:00:00", now), expected);
        QVERIFY(!WithinOneDay("", now));
    }

    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint32>("value");
        QTest::newRow("plain") << "250" << true << 250;
        QTest::newRow("negative") << "-10" << true << -10;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("leading zeros") << "0000000000042" << true << 42;
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("min") << "-2147483648" << true << qint32(-2147483647 - 1);
        QTest::newRow("above max") << "2147483648" << false << 0;
        QTest::newRow("below min") << "-2147483649" << false << 0;
        QTest::newRow("huge") << QString(40, u'9') << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("blank") << " 5" << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("other digits") << QStringLiteral("١٢") << false << 0;
    }
    void strToInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint32, value);
        if (valid) {
            QCOMPARE(StrToInt(text), value);
            return;
        }
        try {
            StrToInt(text);
            QFAIL("no error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), QStringLiteral("''%1'' is not a valid integer value").arg(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestMrvFun)
#include "tst_mrv_fun.moc"
