#include "platform/XmlText.h"

#include "platform/Errors.h"

namespace XmlText {

QDomElement child(const QDomElement &parent, const QString &name)
{
    for (QDomNode n = parent.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement() && n.nodeName() == name)
            return n.toElement();
    }
    return {};
}

QString text(const QDomElement &element)
{
    if (element.isNull())
        return {};
    const QDomNodeList children = element.childNodes();
    if (children.isEmpty())
        return {};
    const QDomNode only = children.at(0);
    if (children.size() == 1 && (only.isText() || only.isCDATASection()))
        return only.nodeValue();
    throw AppError(QStringLiteral("The element <%1> holds more than one text").arg(element.nodeName()));
}

} // namespace XmlText
