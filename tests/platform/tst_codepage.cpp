#include "platform/Codepage.h"

#include <QtTest>

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void gbkBytesFromAnotherProgramReadBack()
    {
        // "你好" as GBK writes it.
        QCOMPARE(Codepage::fromLegacy(QByteArray("\xC4\xE3\xBA\xC3")), QStringLiteral("你好"));
        QCOMPARE(Codepage::toLegacy(QStringLiteral("你好")), QByteArray("\xC4\xE3\xBA\xC3"));
    }
    void charactersOutsideGbkRoundTrip()
    {
        const QString text = QStringLiteral("标题 😀 €");
        QCOMPARE(Codepage::fromLegacy(Codepage::toLegacy(text)), text);
    }
    void textFilesHonourByteOrderMarks()
    {
        QCOMPARE(Codepage::decodeTextFile("\xEF\xBB\xBF\xE4\xBD\xA0"), QStringLiteral("你"));
        QCOMPARE(Codepage::decodeTextFile(QByteArray("\xFF\xFE\x60\x4F", 4)), QStringLiteral("你"));
        QCOMPARE(Codepage::decodeTextFile(QByteArray("\xFE\xFF\x4F\x60", 4)), QStringLiteral("你"));
        QCOMPARE(Codepage::decodeTextFile("\xC4\xE3"), QStringLiteral("你"));
    }
    void linesSplitAtEveryKindOfLineEnd()
    {
        QCOMPARE(Codepage::splitLines("a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
        QCOMPARE(Codepage::splitLines("a\r\n\r\nb\r\n"), QStringList({"a", "", "b"}));
        QCOMPARE(Codepage::splitLines(""), QStringList());
        QCOMPARE(Codepage::encodeLines({"a", "你"}), QByteArray("a\r\n\xC4\xE3\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCodepage)
#include "tst_codepage.moc"
