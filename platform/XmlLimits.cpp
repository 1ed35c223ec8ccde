#include "platform/XmlLimits.h"

#include <QXmlStreamReader>

namespace XmlLimits {
namespace {

bool deeperThanBound(QXmlStreamReader &reader)
{
    // Entities are neither fetched nor expanded beyond a small bound here; the
    // pass only counts open elements.
    reader.setEntityExpansionLimit(4096);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > MaxDepth)
                return true;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

template <typename Xml>
QString refusalOf(const Xml &xml)
{
    if (expandsTooFar(xml))
        return QStringLiteral("Entities expand to more than %1 characters").arg(MaxEntityText);
    if (tooDeep(xml))
        return QStringLiteral("Elements nested deeper than %1 levels").arg(MaxDepth);
    return {};
}

} // namespace

bool tooDeep(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    return deeperThanBound(reader);
}

bool tooDeep(const QString &xml)
{
    QXmlStreamReader reader(xml);
    return deeperThanBound(reader);
}

QString refusal(const QString &xml)
{
    return refusalOf(xml);
}

QString refusal(const QByteArray &xml)
{
    return refusalOf(xml);
}

} // namespace XmlLimits
