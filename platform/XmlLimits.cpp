#include "platform/XmlLimits.h"

#include <QXmlStreamReader>

namespace XmlLimits {
namespace {

bool tooDeep(QXmlStreamReader &reader)
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

} // namespace

bool tooDeep(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    return tooDeep(reader);
}

bool tooDeep(const QString &xml)
{
    QXmlStreamReader reader(xml);
    return tooDeep(reader);
}

} // namespace XmlLimits
