#include "common/VersionText.h"
#include "platform/VersionRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
VersionRecord record(quint16 major, quint16 minor, quint16 release, quint16 build, quint32 flags = 0,
                     quint32 mask = 0x3F)
{
    VersionRecord r;
    r.major = major;
    r.minor = minor;
    r.release = release;
    r.build = build;
    r.flags = flags;
    r.flagsMask = mask;
    return r;
}
} // namespace

class TestVersionString : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write");
        file.write(bytes);
        return path;
    }

private slots:
    void theBuildPlacesItsRecordInTheExecutable()
    {
        // This test program links the record like the program does.
        QCOMPARE(GetVersionString(QCoreApplication::applicationFilePath()), QStringLiteral("1.0.0 build 29"));
        const VersionRecord built = builtInVersionRecord();
        QCOMPARE(built, record(1, 0, 0, 29, 0, built.flagsMask));
    }

    void rendersNumbersAndFlagWords_data()
    {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0u << 0x3Fu << "2.1.0 build 7";
        QTest::newRow("debug pre-release") << 3u << 0x3Fu << "2.1.0 build 7 (debug pre-release)";
        QTest::newRow("patched debug") << 5u << 0x3Fu << "2.1.0 build 7 (patched debug)";
        QTest::newRow("all, fixed order") << 0x2Fu << 0x3Fu
                                          << "2.1.0 build 7 (patched debug private special pre-release)";
        // The words come from the flags whatever the record declares valid.
        QTest::newRow("flags outside the mask") << 8u << 0u << "2.1.0 build 7 (private)";
        QTest::newRow("bit without a word") << 16u << 0x3Fu << "2.1.0 build 7";
    }
    void rendersNumbersAndFlagWords()
    {
        QFETCH(quint32, flags);
        QFETCH(quint32, mask);
        QFETCH(QString, text);
        const QString path = write("flags", "prefix" + encodeVersionRecord(record(2, 1, 0, 7, flags, mask)) + "suffix");
        QCOMPARE(GetVersionString(path), text);
    }

    void fullRangeNumbersWithoutLeadingZeros()
    {
        const QString path = write("big", encodeVersionRecord(record(65535, 10, 0, 100)));
        QCOMPARE(GetVersionString(path), QStringLiteral("65535.10.0 build 100"));
    }

    void findsARecordAcrossTheReadingPieces()
    {
        // The file is read a MiB at a time: put the record across the first seam,
        // behind a stray marker without a record.
        const QByteArray encoded = encodeVersionRecord(record(3, 4, 5, 6));
        QByteArray bytes(1 << 20, 'x');
        bytes.replace(100, 16, encoded.left(16)); // marker only
        bytes.resize((1 << 20) - 7);
        bytes += encoded + QByteArray(5000, 'y');
        QCOMPARE(GetVersionString(write("seam", bytes)), QStringLiteral("3.4.5 build 6"));
    }

    void unreadableRecordsGiveAQuestionMark_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = encodeVersionRecord(record(1, 2, 3, 4));
        QByteArray damaged = good;
        damaged[22] = 9; // a number changed: the checksum no longer fits
        QTest::newRow("no record") << QByteArray("just some bytes of a program");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("marker only") << good.left(16);
        QTest::newRow("cut short") << good.left(39);
        QTest::newRow("damaged") << damaged;
    }
    void unreadableRecordsGiveAQuestionMark()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(GetVersionString(write("bad", bytes)), QStringLiteral("?"));
    }

    void missingFileGivesAQuestionMark()
    {
        QCOMPARE(GetVersionString(m_dir.filePath("nothing-here")), QStringLiteral("?"));
        QCOMPARE(GetVersionString(m_dir.path()), QStringLiteral("?"));
    }
};

QTEST_GUILESS_MAIN(TestVersionString)
#include "tst_versionstring.moc"
