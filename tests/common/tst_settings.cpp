#include "common/AppSettings.h"
#include "common/IntervalOptions.h"
#include "platform/Errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ScratchIni.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace {
QString denied() { return QString::fromLocal8Bit(std::strerror(EACCES)); }
} // namespace

class TestSettings : public QObject, protected ScratchIni {
    Q_OBJECT

private:
    // The message of the error the load raises, or "(no error)".
    QString loadError(AppSettings &settings)
    {
        try {
            LoadConfig(settings, m_path);
        } catch (const EConvertError &e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

private slots:
    void init() { makeScratch(); }
    void cleanup() { dropScratch(); }

    void withoutAFileEverythingKeepsItsStartValue()
    {
        AppSettings s;
        QCOMPARE(loadError(s), QStringLiteral("(no error)"));
        QCOMPARE(s.PingSleep, 0);
        QCOMPARE(s.CheckInBaiduSleep, 0);
        QCOMPARE(s.UpdateUrl, QString());
        QCOMPARE(s.hosts.ping, QStringLiteral("ping.baidu.com"));
        QCOMPARE(s.hosts.baidu, QStringLiteral("www.baidu.com"));
        QCOMPARE(s.hosts.banner, s.hosts.product);
        QVERIFY(!QFile::exists(m_path));

        // Missing keys keep what the fields held before.
        put("[config]\r\nUpdateUrl=http://u.example/ver.txt\r\n");
        s.PingSleep = 7;
        s.CheckInBaiduSleep = -3;
        LoadConfig(s, m_path);
        QCOMPARE(s.PingSleep, 7);
        QCOMPARE(s.CheckInBaiduSleep, -3);
        QCOMPARE(s.UpdateUrl, QStringLiteral("http://u.example/ver.txt"));
    }

    void keysAreReadInAnyCase()
    {
        put("[CONFIG]\r\nPINGSLEEP=250\r\nCheckInBaiduSleep=-10\r\nupdateurl=http://u.example/v?a=1 \r\n");
        AppSettings s;
        LoadConfig(s, m_path);
        QCOMPARE(s.PingSleep, 250);
        QCOMPARE(s.CheckInBaiduSleep, -10);
        QCOMPARE(s.UpdateUrl, QStringLiteral("http://u.example/v?a=1"));
    }

    void anInvalidNumberStopsTheLoadAtItsKey_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("ping");
        QTest::newRow("letters in the ping entry") << QByteArray("pingSleep=abc\r\ncheckInbaiduSleep=5\r\n")
                                                   << "''abc'' is not a valid integer value" << 0;
        QTest::newRow("empty check entry") << QByteArray("pingSleep=9\r\ncheckInbaiduSleep=\r\n")
                                           << "'''' is not a valid integer value" << 9;
        QTest::newRow("beyond 32 bits") << QByteArray("pingSleep=9\r\ncheckInbaiduSleep=2147483648\r\n")
                                        << "''2147483648'' is not a valid integer value" << 9;
        QTest::newRow("a fraction") << QByteArray("pingSleep=1.5\r\n")
                                    << "''1.5'' is not a valid integer value" << 0;
    }
    void anInvalidNumberStopsTheLoadAtItsKey()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(int, ping);
        put("[config]\r\n" + file + "UpdateUrl=http://u.example/\r\n[hosts]\r\nping=127.0.0.1:1\r\n");
        AppSettings s;
        QCOMPARE(loadError(s), message);
        // What came before the bad key is assigned, nothing after it.
        QCOMPARE(s.PingSleep, ping);
        QCOMPARE(s.CheckInBaiduSleep, 0);
        QCOMPARE(s.UpdateUrl, QString());
        QCOMPARE(s.hosts.ping, QStringLiteral("ping.baidu.com"));
    }

    void indexCheckSwitchesLoadWithTheirDefaultsAndSaveAsOneOrZero()
    {
        AppSettings s;
        put("[config]\r\npingSleep=5\r\n");
        LoadConfig(s, m_path);
        QVERIFY(s.checkBackoff);
        QCOMPARE(s.checkBackoffSeconds, 300);
        QVERIFY(!s.skipIndexed);

        put("[config]\r\nCHECKBACKOFF=0\r\ncheckBackoffSeconds=45\r\nskipindexed=1\r\n");
        LoadConfig(s, m_path);
        QVERIFY(!s.checkBackoff);
        QCOMPARE(s.checkBackoffSeconds, 45);
        QVERIFY(s.skipIndexed);

        // A switch that is not a number stops the load like an interval does.
        put("[config]\r\ncheckBackoff=1\r\ncheckBackoffSeconds=soon\r\nskipIndexed=0\r\n");
        QCOMPARE(loadError(s), QStringLiteral("''soon'' is not a valid integer value"));
        QVERIFY(s.checkBackoff);
        QVERIFY(s.skipIndexed);
        put("[config]\r\nskipIndexed=yes\r\n");
        QCOMPARE(loadError(s), QStringLiteral("''yes'' is not a valid integer value"));

        put("[config]\r\ncheckbackoff=1\r\nUpdateUrl=u\r\n");
        IntervalOptions::storeSwitches(s, false, true, m_path);
        QCOMPARE(contents(), QByteArray("[config]\r\ncheckbackoff=0\r\nUpdateUrl=u\r\nskipIndexed=1\r\n"));
        AppSettings loaded;
        LoadConfig(loaded, m_path);
        QVERIFY(!loaded.checkBackoff);
        QVERIFY(loaded.skipIndexed);
    }

    void extremeIntervalsLoadAndSaveAsPlainDecimals()
    {
        AppSettings s;
        s.PingSleep = -2147483647 - 1;
        s.CheckInBaiduSleep = 2147483647;
        SavePingSleep(s, m_path);
        SaveCheckInBaiduSleep(s, m_path);
        QCOMPARE(contents(), QByteArray("[config]\r\npingsleep=-2147483648\r\ncheckInbaiduSleep=2147483647\r\n"));
        AppSettings loaded;
        LoadConfig(loaded, m_path);
        QCOMPARE(loaded.PingSleep, s.PingSleep);
        QCOMPARE(loaded.CheckInBaiduSleep, s.CheckInBaiduSleep);
    }

    void savingReplacesTheEntryWhateverItsSpellingAndKeepsTheRest()
    {
        const QByteArray before = "[config]\r\npingSleep=100\r\ncheckInbaiduSleep=3000\r\nUpdateUrl=\r\n\r\n"
                                  ";[hosts]\r\n;ping=127.0.0.1:8080\r\n";
        put(before);
        AppSettings s;
        s.PingSleep = 250;
        s.CheckInBaiduSleep = 3000;
        SavePingSleep(s, m_path);
        QByteArray expected = before;
        expected.replace("pingSleep=100", "pingSleep=250");
        QCOMPARE(contents(), expected);
        SaveCheckInBaiduSleep(s, m_path);
        QCOMPARE(contents(), expected);

        AppSettings loaded;
        LoadConfig(loaded, m_path);
        QCOMPARE(loaded.PingSleep, 250);
        QCOMPARE(loaded.UpdateUrl, QString());
    }

    void savingToAReadOnlyFileFails()
    {
        put("[config]\r\npingSleep=100\r\n");
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        AppSettings s;
        s.PingSleep = 5;
        try {
            SavePingSleep(s, m_path);
            QFAIL("the save succeeded");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to %1: %2").arg(m_path, denied()));
        }
        QCOMPARE(contents(), QByteArray("[config]\r\npingSleep=100\r\n"));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void storingFromTheOptionsStopsAtTheFirstFailure()
    {
        const QByteArray before("[config]\r\npingSleep=100\r\ncheckInbaiduSleep=200\r\n");
        put(before);
        AppSettings s;
        LoadConfig(s, m_path);
        auto failure = [&](const QString &ping, const QString &check) {
            try {
                IntervalOptions::store(s, ping, check, m_path);
            } catch (const AppError &e) {
                return e.message();
            }
            return QStringLiteral("(no error)");
        };
        // An empty first box changes nothing, in memory or in the file.
        QCOMPARE(failure("", "5"), QStringLiteral("'''' is not a valid integer value"));
        QCOMPARE(s.PingSleep, 100);
        QCOMPARE(s.CheckInBaiduSleep, 200);
        QCOMPARE(contents(), before);

        // A read-only file: the first value has changed in memory, the second is not reached.
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        QCOMPARE(failure("250", "300"), QStringLiteral("Unable to write to %1: %2").arg(m_path, denied()));
        QCOMPARE(s.PingSleep, 250);
        QCOMPARE(s.CheckInBaiduSleep, 200);
        QCOMPARE(contents(), before);
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        QCOMPARE(failure("0", "-10"), QStringLiteral("(no error)"));
        QCOMPARE(contents(), QByteArray("[config]\r\npingSleep=0\r\ncheckInbaiduSleep=-10\r\n"));
    }

    void theBoxesTakeDigitsBackspaceAndEnterOnly()
    {
        for (char16_t c = 0; c < 128; ++c) {
            const bool expected = c == 8 || c == 13 || (c >= u'0' && c <= u'9');
            QVERIFY2(IntervalOptions::acceptsTypedCharacter(QChar(c)) == expected, qPrintable(QString::number(c)));
        }
        // Digits of other scripts are no digits here: the conversion would refuse them.
        QVERIFY(!IntervalOptions::acceptsTypedCharacter(QChar(u'\uFF15'))); // fullwidth 5
        QVERIFY(!IntervalOptions::acceptsTypedCharacter(QChar(u'\u0665'))); // Arabic-Indic 5
    }

    void hostsAreReadAfterTheSettingsInAnyCase()
    {
        put("[config]\r\npingSleep=1\r\n[HOSTS]\r\nPing=127.0.0.1:8080\r\nbaidu=https://127.0.0.1:8443/\r\n"
            "so=\r\nSOGOU = 127.0.0.1:9 \r\naizhan=a\r\naizhanstatic=as\r\nchinaz=c\r\nproduct=p.example\r\n");
        AppSettings s;
        LoadConfig(s, m_path);
        QCOMPARE(s.hosts.ping, QStringLiteral("127.0.0.1:8080"));
        QCOMPARE(s.hosts.baidu, QStringLiteral("https://127.0.0.1:8443/"));
        QCOMPARE(s.hosts.so, QStringLiteral("www.so.com")); // an empty value keeps the built-in host
        QCOMPARE(s.hosts.sogou, QStringLiteral("127.0.0.1:9"));
        QCOMPARE(s.hosts.aizhan, QStringLiteral("a"));
        QCOMPARE(s.hosts.aizhanstatic, QStringLiteral("as"));
        QCOMPARE(s.hosts.chinaz, QStringLiteral("c"));
        QCOMPARE(s.hosts.product, QStringLiteral("p.example"));
        // The banner comes from the product site unless it has a host of its own.
        QCOMPARE(s.hosts.banner, QStringLiteral("p.example"));

        put("[hosts]\r\nproduct=p.example\r\nbanner=b.example:81\r\n");
        AppSettings own;
        LoadConfig(own, m_path);
        QCOMPARE(own.hosts.banner, QStringLiteral("b.example:81"));
    }

    void baseAddressesGetASchemeOnlyWhenTheyLackOne_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("base");
        QTest::newRow("host") << "ping.baidu.com" << "http://ping.baidu.com";
        QTest::newRow("host and port") << "127.0.0.1:8080" << "http://127.0.0.1:8080";
        QTest::newRow("own scheme") << "https://127.0.0.1:8443" << "https://127.0.0.1:8443";
        QTest::newRow("own scheme, trailing slashes") << "https://h.example//" << "https://h.example";
        QTest::newRow("host, trailing slash") << "127.0.0.1:8080/" << "http://127.0.0.1:8080";
    }
    void baseAddressesGetASchemeOnlyWhenTheyLackOne()
    {
        QFETCH(QString, host);
        QFETCH(QString, base);
        QCOMPARE(ServiceHosts::base(host), base);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
