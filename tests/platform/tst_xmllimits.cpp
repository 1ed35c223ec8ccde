#include "platform/XmlLimits.h"

#include <QElapsedTimer>
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

    void malformedShallowDocumentIsLeftToTheParser()
    {
        QVERIFY(!XmlLimits::tooDeep(QByteArray("<a><b></a>")));
        QVERIFY(!XmlLimits::tooDeep(QByteArray()));
    }
};

QTEST_GUILESS_MAIN(TestXmlLimits)
#include "tst_xmllimits.moc"
