#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "FileSizeLimit.h"
#include "ScratchIni.h"

#include <unistd.h>

#include <memory>

class TestIniFile : public QObject, protected ScratchIni {
    Q_OBJECT

private:
    QString read(const QString &section, const QString &key) const
    {
        return IniFile(m_path).readString(section, key, QStringLiteral("(default)"));
    }
    QString writeError(const QString &path)
    {
        try {
            IniFile(path).writeString(QStringLiteral("config"), QStringLiteral("pingsleep"),
                                      QStringLiteral("1"));
        } catch (const AppError &e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

private slots:
    void init() { makeScratch(); }
    void cleanup() { dropScratch(); }

    void missingFileSectionOrKeyGiveTheDefault()
    {
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("(default)"));
        put("[other]\r\npingSleep=5\r\n[config]\r\nUpdateUrl=x\r\n");
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("(default)"));
        QCOMPARE(read("missing", "UpdateUrl"), QStringLiteral("(default)"));
        // An entry before every header belongs to no section.
        put("pingSleep=5\r\n[config]\r\n");
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("(default)"));
    }

    void namesMatchWithoutRegardToCase()
    {
        put("[CONFIG]\r\nPINGSLEEP=250\r\n[Hosts]\r\nPing=127.0.0.1:8080\r\n");
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("250"));
        QCOMPARE(read("Config", "pingsleep"), QStringLiteral("250"));
        QCOMPARE(read("hosts", "ping"), QStringLiteral("127.0.0.1:8080"));
    }

    void valuesKeepEqualsSignsAndInnerBlanks_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("equals in the value") << QByteArray("UpdateUrl=http://u.example/v?a=1&b=2")
                                             << "http://u.example/v?a=1&b=2";
        QTest::newRow("blanks around name and value") << QByteArray("  UpdateUrl \t=  a b  ")
                                                      << "a b";
        QTest::newRow("empty value") << QByteArray("UpdateUrl=") << "";
        QTest::newRow("only blanks") << QByteArray("UpdateUrl=   ") << "";
        QTest::newRow("semicolon inside a value") << QByteArray("UpdateUrl=a;b") << "a;b";
        QTest::newRow("ideographic space belongs to the value")
            << QByteArray("UpdateUrl=\xA1\xA1x") << QStringLiteral("\u3000x");
    }
    void valuesKeepEqualsSignsAndInnerBlanks()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, value);
        put("[config]\r\n" + line + "\r\n");
        QCOMPARE(read("config", "UpdateUrl"), value);
    }

    void commentsAndHeadersAreNoEntries()
    {
        put("[config]\r\n; pingSleep=1\r\n  ;checkInbaiduSleep=2\r\nnot an entry\r\n"
            "[ config2 ] ; trailing words\r\nUpdateUrl=u\r\n");
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("(default)"));
        QCOMPARE(read("config", "checkInbaiduSleep"), QStringLiteral("(default)"));
        QCOMPARE(read("config", "not an entry"), QStringLiteral("(default)"));
        QCOMPARE(read("config2", "UpdateUrl"), QStringLiteral("u"));
        QCOMPARE(read("config", "UpdateUrl"), QStringLiteral("(default)"));
    }

    void duplicatesAnswerWithTheFirstAndWritesUpdateIt()
    {
        put("[config]\r\npingSleep=1\r\nPINGSLEEP=2\r\n[config]\r\npingSleep=3\r\ncheckInbaiduSleep=4\r\n");
        QCOMPARE(read("config", "pingsleep"), QStringLiteral("1"));
        // A key found only in the repeated section is still found there.
        QCOMPARE(read("config", "checkInbaiduSleep"), QStringLiteral("4"));

        IniFile ini(m_path);
        ini.writeString("config", "pingsleep", "250");
        ini.writeString("config", "checkInbaiduSleep", "40");
        QCOMPARE(contents(), QByteArray("[config]\r\npingSleep=250\r\nPINGSLEEP=2\r\n"
                                        "[config]\r\npingSleep=3\r\ncheckInbaiduSleep=40\r\n"));
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("250"));
        QCOMPARE(read("config", "checkInbaiduSleep"), QStringLiteral("40"));
    }

    void writeUpdatesOneEntryInPlaceAndKeepsEveryOtherByte()
    {
        // Mixed line ends, a comment, another section with the same key, GBK
        // text, trailing blanks and an unterminated last line all stay as they are.
        const QByteArray before =
            "; \xD5\xBE\xB3\xA4\xB9\xA4\xBE\xDF settings\r\n"
            "[hosts]\npingSleep=7\n"
            "[config]\r\n"
            "pingSleep = 100   \r\n"
            "checkInbaiduSleep=3000\r\n"
            "UpdateUrl=http://u.example/v?a=b  \r\n"
            "\r\n"
            "[tail]\r\nx=1";
        put(before);
        IniFile(m_path).writeString("config", "pingsleep", "250");
        QByteArray expected = before;
        expected.replace("pingSleep = 100   \r\n", "pingSleep = 250\r\n");
        QCOMPARE(contents(), expected);
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("250"));
        QCOMPARE(read("hosts", "pingSleep"), QStringLiteral("7"));

        IniFile(m_path).writeString("CONFIG", "UPDATEURL", "-10");
        expected.replace("UpdateUrl=http://u.example/v?a=b  \r\n", "UpdateUrl=-10\r\n");
        QCOMPARE(contents(), expected);
    }

    void missingEntriesJoinTheirSection()
    {
        // New entries go after the section's last entry, before the blank line
        // and comment that introduce what follows, with the file's line ends.
        put("[config]\npingSleep=1\n\n; hosts follow\n[hosts]\nping=p\n");
        IniFile(m_path).writeString("config", "checkInbaiduSleep", "3000");
        QCOMPARE(contents(), QByteArray("[config]\npingSleep=1\ncheckInbaiduSleep=3000\n\n"
                                        "; hosts follow\n[hosts]\nping=p\n"));
        // A section with nothing in it gets the entry right after its header;
        // an unterminated last line is ended before anything follows it.
        put("[config]\r\n[hosts]\r\nping=p");
        IniFile(m_path).writeString("config", "pingsleep", "5");
        IniFile(m_path).writeString("hosts", "baidu", "b");
        QCOMPARE(contents(), QByteArray("[config]\r\npingsleep=5\r\n[hosts]\r\nping=p\r\nbaidu=b\r\n"));
    }

    void missingFileOrSectionIsCreated()
    {
        IniFile ini(m_path);
        ini.writeString("config", "pingsleep", "250");
        QCOMPARE(contents(), QByteArray("[config]\r\npingsleep=250\r\n"));
        QCOMPARE(read("config", "pingSleep"), QStringLiteral("250"));

        put("[hosts]\nping=p");
        ini.writeString("config", "pingsleep", "-10");
        QCOMPARE(contents(), QByteArray("[hosts]\nping=p\n\n[config]\npingsleep=-10\n"));

        put("; only a comment\r\n\r\n");
        ini.writeString("config", "pingsleep", "1");
        QCOMPARE(contents(), QByteArray("; only a comment\r\n\r\n[config]\r\npingsleep=1\r\n"));
    }

    void byteOrderMarksAndTheirEncodingAreKept()
    {
        put("\xEF\xBB\xBF[config]\r\nUpdateUrl=\xE4\xBD\xA0\r\n");
        QCOMPARE(read("config", "UpdateUrl"), QStringLiteral("你"));
        IniFile(m_path).writeString("config", "pingsleep", "好");
        QCOMPARE(contents(), QByteArray("\xEF\xBB\xBF[config]\r\nUpdateUrl=\xE4\xBD\xA0\r\npingsleep=\xE5\xA5\xBD\r\n"));

        const QString text = QStringLiteral("[config]\r\npingSleep=1\r\n");
        QByteArray utf16("\xFF\xFE");
        utf16 += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        put(utf16);
        QCOMPARE(read("config", "PINGSLEEP"), QStringLiteral("1"));
        IniFile(m_path).writeString("config", "pingsleep", "22");
        const QString after = QStringLiteral("[config]\r\npingSleep=22\r\n");
        QCOMPARE(contents(), QByteArray("\xFF\xFE")
                     + QByteArray(reinterpret_cast<const char *>(after.utf16()), after.size() * 2));
    }

    void writtenValuesStayOneLine()
    {
        IniFile ini(m_path);
        ini.writeString("config", "UpdateUrl", "a\r\n[evil]\nb");
        ini.writeString("config", "pingsleep", "  5  ");
        QCOMPARE(contents(), QByteArray("[config]\r\nUpdateUrl=a  [evil] b\r\npingsleep=5\r\n"));
        QCOMPARE(read("evil", "b"), QStringLiteral("(default)"));
    }

    void rewritingKeepsTheFilesModeAndLinks()
    {
        const QString target = m_dir->filePath(QStringLiteral("shared.ini"));
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[config]\npingSleep=1\n");
        }
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(target, mode));
        QVERIFY(QFile::link(target, m_path));
        IniFile(m_path).writeString("config", "pingsleep", "2");
        QVERIFY(QFileInfo(m_path).isSymLink());
        QCOMPARE(contents(), QByteArray("[config]\npingSleep=2\n"));
        QCOMPARE(QFile::permissions(target) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), mode);
    }

    void unwritableFileIsReportedAndLeftIntact()
    {
        const QByteArray before("[config]\r\npingSleep=100\r\n");
        put(before);
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadUser
                                                  | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QCOMPARE(writeError(m_path), QStringLiteral("Unable to write to %1: %2")
                                         .arg(m_path, QString::fromLocal8Bit(std::strerror(EACCES))));
        QCOMPARE(contents(), before);
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        const QString nowhere = m_dir->filePath(QStringLiteral("no such folder/config.ini"));
        QVERIFY(writeError(nowhere).startsWith(QStringLiteral("Unable to write to %1: ").arg(nowhere)));
        QVERIFY(!QFile::exists(nowhere));
    }

    // Once cut to a few bytes by a full disk; now the old file stays whole.
    void fullDiskKeepsTheFileAndNamesTheReason()
    {
        const QByteArray before("[config]\r\npingSleep=100\r\ncheckInbaiduSleep=200\r\nUpdateUrl=http://u/\r\n");
        put(before);
        QString error;
        {
            FileSizeLimit full(31);
            error = writeError(m_path);
        }
        QCOMPARE(error, QStringLiteral("Unable to write to %1: %2").arg(m_path, FileSizeLimit::reason()));
        QCOMPARE(contents(), before);
        QCOMPARE(FileSizeLimit::namesIn(m_dir->path()), QStringList{QStringLiteral("config.ini")});
    }

    // Writing in place could cut the file short; a folder that takes no new
    // file is a failure like any other.
    void aFolderThatTakesNoNewFileIsReported()
    {
        if (::geteuid() == 0)
            QSKIP("the superuser writes into any folder");
        const QByteArray before("[config]\r\npingSleep=100\r\n");
        put(before);
        const QString folder = m_dir->path();
        const auto mode = QFile::permissions(folder);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString error = writeError(m_path);
        QFile::setPermissions(folder, mode);
        QVERIFY2(error.startsWith(QStringLiteral("Unable to write to %1: ").arg(m_path)), qPrintable(error));
        QCOMPARE(contents(), before);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
