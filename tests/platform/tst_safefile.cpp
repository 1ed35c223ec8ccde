#include "platform/Errors.h"
#include "platform/SafeFile.h"

#include "FileSizeLimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QString writeError(const QString &path, const QByteArray &bytes)
{
    try {
        SafeFile::write(path, bytes);
    } catch (const AppError &e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    void createsAndReplacesWholeFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rss.xml"));
        SafeFile::write(path, "first content, rather long");
        QCOMPARE(contents(path), QByteArray("first content, rather long"));
        SafeFile::write(path, "second");
        QCOMPARE(contents(path), QByteArray("second"));
        SafeFile::write(path, QByteArray());
        QCOMPARE(contents(path), QByteArray());
        QCOMPARE(FileSizeLimit::namesIn(dir.path()), QStringList{QStringLiteral("rss.xml")});
    }

    // The disk refuses the bytes: both a content that stays in the device's
    // buffer until the end and one that is written while it is handed over.
    void aRefusedWriteKeepsTheOldFileAndNamesTheReason_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("small") << 40;
        QTest::newRow("larger than any buffer") << 300000;
    }
    void aRefusedWriteKeepsTheOldFileAndNamesTheReason()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        const QByteArray before("[config]\r\npingSleep=100\r\n");
        SafeFile::write(path, before);
        QString error;
        {
            FileSizeLimit full(8);
            error = writeError(path, QByteArray(size, 'x'));
        }
        QCOMPARE(error, QStringLiteral("Unable to write to ") + path + QStringLiteral(": ")
                     + FileSizeLimit::reason());
        QCOMPARE(contents(path), before);
        QCOMPARE(FileSizeLimit::namesIn(dir.path()), QStringList{QStringLiteral("config.ini")});
    }

    void aFolderThatCannotBeWrittenIsReported()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("no such folder/site.txt"));
        const QString error = writeError(path, "a.com\r\n");
        const QString prefix = QStringLiteral("Unable to write to ") + path + QStringLiteral(": ");
        QVERIFY2(error.startsWith(prefix) && error.size() > prefix.size(), qPrintable(error));
        QVERIFY(!error.contains(QLatin1String("Unknown error")));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
