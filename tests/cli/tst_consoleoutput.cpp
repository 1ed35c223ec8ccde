// The console's progress line: drawn on a terminal only, redrawn in place,
// never left among the plain lines.
#include "cli/ConsoleOutput.h"

#include <QtTest>
#include <cstdio>

namespace {

// A stream in memory that can be read back.
struct Capture {
    Capture() : file(std::tmpfile()) {}
    ~Capture() { std::fclose(file); }
    QByteArray text() const
    {
        std::fflush(file);
        const long size = std::ftell(file);
        QByteArray bytes(size, '\0');
        std::rewind(file);
        const size_t read = std::fread(bytes.data(), 1, size_t(size), file);
        std::fseek(file, 0, SEEK_END);
        return bytes.left(qsizetype(read));
    }
    std::FILE *file;
};

} // namespace

class TestConsoleOutput : public QObject {
    Q_OBJECT
private slots:
    void progressIsRedrawnInPlaceAndClearedAroundLines()
    {
        Capture out, err;
        ConsoleOutput console(out.file, err.file, true, 40);
        console.progress(0, 3, QStringLiteral("http://a/1"));
        console.progress(1, 3, QStringLiteral("http://a/2"), QStringLiteral("已下载:1K字节"));
        console.line(QStringLiteral("http://a/1----PING成功"));
        console.error(QStringLiteral("Error executing SQL.\rError [1]: x."));
        console.endProgress();
        console.line(QStringLiteral("done"));

        const QByteArray shown = "[1/3] http://a/2  " + QStringLiteral("已下载:1K字节").toUtf8();
        QCOMPARE(out.text(), "\r\x1b[K[0/3] http://a/1"
                             "\r\x1b[K" + shown
                             + "\r\x1b[K" + QStringLiteral("http://a/1----PING成功").toUtf8() + "\n" + shown
                             + "\r\x1b[K" + shown  // cleared for the error, drawn again
                             + "\r\x1b[K"          // the end
                             + "done\n");
        // A carriage return inside a message would overwrite its own line.
        QCOMPARE(err.text(), QByteArray("Error executing SQL.\nError [1]: x.\n"));
    }

    void aChangingDetailIsDrawnAtMostTenTimesASecond()
    {
        Capture out, err;
        ConsoleOutput console(out.file, err.file, true, 80);
        console.progress(0, 1, QStringLiteral("a"), QStringLiteral("读取xml:0/2"));
        console.progress(0, 1, QStringLiteral("a"), QStringLiteral("读取xml:1/2"));
        console.progress(0, 1, QStringLiteral("a"), QStringLiteral("读取xml:2/2"));
        QCOMPARE(out.text(), "\r\x1b[K" + QStringLiteral("[0/1] a  读取xml:0/2").toUtf8());
        // Whatever is drawn next shows the latest text.
        console.line(QStringLiteral("x"));
        QVERIFY(out.text().endsWith("x\n" + QStringLiteral("[0/1] a  读取xml:2/2").toUtf8()));
        // A new row is drawn at once.
        console.progress(1, 1, QStringLiteral("b"));
        QVERIFY(out.text().endsWith("\r\x1b[K[1/1] b"));
    }

    void noProgressWhenNotATerminal()
    {
        Capture out, err;
        ConsoleOutput console(out.file, err.file, false, 40);
        console.progress(0, 2, QStringLiteral("http://a/1"));
        console.line(QStringLiteral("line"));
        console.endProgress();
        QCOMPARE(out.text(), QByteArray("line\n"));
    }

    void theLineFitsTheTerminal()
    {
        Capture out, err;
        ConsoleOutput console(out.file, err.file, true, 12);
        // Eleven columns are free; wide characters take two, and a control
        // character in an address is no line break.
        console.progress(2, 9, QStringLiteral("站点\n甲乙"));
        QCOMPARE(out.text(), "\r\x1b[K" + QStringLiteral("[2/9] 站点 ").toUtf8());
        QCOMPARE(ConsoleOutput::fitColumns(QStringLiteral("ab甲c"), 3), QStringLiteral("ab"));
        QCOMPARE(ConsoleOutput::fitColumns(QStringLiteral("ab\U00020000"), 4), QStringLiteral("ab\U00020000"));
        QCOMPARE(ConsoleOutput::fitColumns(QStringLiteral("ab\U00020000"), 3), QStringLiteral("ab"));
    }

    void aPanelTextIsAProgressLineOfItsOwn()
    {
        Capture out, err;
        ConsoleOutput console(out.file, err.file, true, 12);
        console.showProgress(QStringLiteral("推送进度：1/2"));
        console.showProgress(QStringLiteral("推送进度：2/2"));
        console.line(QStringLiteral("ok"));
        console.endProgress();
        // Each new text at once, cut to eleven columns; gone before a line and at the end.
        const QByteArray second = QStringLiteral("推送进度：2").toUtf8();
        QCOMPARE(out.text(), "\r\x1b[K" + QStringLiteral("推送进度：1").toUtf8() + "\r\x1b[K" + second
                                 + "\r\x1b[Kok\n" + second + "\r\x1b[K");

        Capture plain, plainErr;
        ConsoleOutput log(plain.file, plainErr.file, false, 12);
        log.showProgress(QStringLiteral("导出：1/2"));
        log.endProgress();
        QVERIFY(plain.text().isEmpty());

        QCOMPARE(ConsoleOutput::displayWidth(QStringLiteral("已Ping")), 6);
        QCOMPARE(ConsoleOutput::displayWidth(QStringLiteral("a\U00020000b")), 4);
        QCOMPARE(ConsoleOutput::displayWidth(QString()), 0);
    }
};

QTEST_GUILESS_MAIN(TestConsoleOutput)
#include "tst_consoleoutput.moc"
