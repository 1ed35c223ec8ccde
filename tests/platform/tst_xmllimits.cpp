#include "platform/XmlLimits.h"

#include <QElapsedTimer>
#include <QStringEncoder>
#include <QtTest>

namespace {

QByteArray nested(int depth, const QByteArray &tail = QByteArray())
{
    QByteArray xml = "<?xml version=\"1.0\"?>";
    xml.reserve(depth * 7 + 64);
    for (int i = 0; i < depth; ++i)
        xml += "<a>";
    xml += tail;
    for (int i = 0; i < depth; ++i)
        xml += "</a>";
    return xml;
}

// A document whose internal subset is `subset` and whose root holds `body`.
QString withEntities(const QString &subset, const QString &body)
{
    return QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE r [") + subset + QStringLiteral("]><r>") + body
        + QStringLiteral("</r>");
}

QString entity(const QString &name, const QString &value)
{
    return QStringLiteral("<!ENTITY %1 \"%2\">").arg(name, value);
}

} // namespace

class TestXmlLimits : public QObject {
    Q_OBJECT
private slots:
    void limitIsInclusive()
    {
        QVERIFY(!XmlLimits::tooDeep(nested(XmlLimits::MaxDepth)));
        QVERIFY(XmlLimits::tooDeep(nested(XmlLimits::MaxDepth + 1)));
        QVERIFY(XmlLimits::tooDeep(QString::fromLatin1(nested(XmlLimits::MaxDepth + 1))));
    }

    void siblingsDoNotAddUp()
    {
        // Many elements side by side are shallow, however many there are.
        QByteArray xml = "<r>";
        for (int i = 0; i < 5000; ++i)
            xml += "<i><t>x</t></i>";
        xml += "</r>";
        QVERIFY(!XmlLimits::tooDeep(xml));
    }

    void hugeNestingIsRefusedQuickly()
    {
        const QByteArray xml = nested(200000);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(XmlLimits::tooDeep(xml));
        // Linear: a fraction of a second even on a busy machine; a quadratic
        // pass would take minutes.
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    // The text all references produce together is what counts: a 1 KiB entity
    // may be named 1,024 times, not 1,025, however the names are reached.
    void entityTextIsBoundedPerDocument_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<bool>("refused");
        const QString kib = entity(QStringLiteral("k"), QStringLiteral("x").repeated(1024));
        const QString ref = QStringLiteral("&k;");
        QTest::newRow("ordinary") << withEntities(entity(QStringLiteral("me"), QStringLiteral("Wexly &amp; co")),
                                                  QStringLiteral("&me; &amp; &#x4e2d; &lt;&me;"))
                                  << false;
        QTest::newRow("no entities, much text") << QStringLiteral("<r>%1</r>").arg(QStringLiteral("y").repeated(3 << 20))
                                                << false;
        QTest::newRow("at the bound") << withEntities(kib, ref.repeated(1024)) << false;
        QTest::newRow("one past") << withEntities(kib, ref.repeated(1025)) << true;
        QTest::newRow("quadratic, 53 KB")
            << withEntities(entity(QStringLiteral("e"), QStringLiteral("x").repeated(4000)),
                            QStringLiteral("&e;").repeated(16384))
            << true;
        QTest::newRow("in attribute values")
            << withEntities(kib, QStringLiteral("<a v=\"%1\"/>").arg(ref.repeated(600)).repeated(2)) << true;
        QTest::newRow("through another entity")
            << withEntities(kib + entity(QStringLiteral("t"), ref.repeated(10)), QStringLiteral("&t;").repeated(103))
            << true;
        QTest::newRow("declared by a parameter entity")
            << withEntities(QStringLiteral("<!ENTITY % p '%1'>%p;").arg(kib), ref.repeated(1025)) << true;
        QTest::newRow("made of character references")
            << withEntities(kib + entity(QStringLiteral("t"), QStringLiteral("&#38;k;").repeated(10)),
                            QStringLiteral("&t;").repeated(103))
            << true;
        QTest::newRow("in a loop")
            << withEntities(entity(QStringLiteral("a"), QStringLiteral("&b;")) + entity(QStringLiteral("b"), QStringLiteral("&a;")),
                            QStringLiteral("&a;"))
            << true;
        QTest::newRow("attribute defaults")
            << withEntities(QStringLiteral("<!ATTLIST a v CDATA \"%1\">").arg(QStringLiteral("z").repeated(4000)),
                            QStringLiteral("<a/>").repeated(300))
            << true;
        QTest::newRow("references inside CDATA are text")
            << withEntities(kib, QStringLiteral("<![CDATA[%1]]>").arg(ref.repeated(2000))) << false;
    }
    void entityTextIsBoundedPerDocument()
    {
        QFETCH(QString, xml);
        QFETCH(bool, refused);
        QCOMPARE(XmlLimits::expandsTooFar(xml), refused);
        QCOMPARE(XmlLimits::expandsTooFar(xml.toUtf8()), refused);
        // UTF-16 bytes are read as text too.
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QCOMPARE(XmlLimits::expandsTooFar(QByteArray(utf16.encode(xml))), refused);
        QCOMPARE(!XmlLimits::refusal(xml).isEmpty(), refused);
    }

    void malformedShallowDocumentIsLeftToTheParser()
    {
        QVERIFY(!XmlLimits::tooDeep(QByteArray("<a><b></a>")));
        QVERIFY(!XmlLimits::tooDeep(QByteArray()));
    }
};

QTEST_GUILESS_MAIN(TestXmlLimits)
#include "tst_xmllimits.moc"
