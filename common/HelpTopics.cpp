#include "common/HelpTopics.h"

#include "platform/Errors.h"
#include "platform/XmlLimits.h"
#include "platform/XmlText.h"

#include <QDomDocument>
#include <QFile>

void showHelpTopic(const QString &helpXmlPath, int topic, HelpTextSink &sink)
{
    QFile file(helpXmlPath);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot read %1").arg(helpXmlPath));
    const QByteArray bytes = file.readAll();
    // A deeply nested file would hold the window while its tree is built, and
    // entities named many times would fill the memory.
    const QString refused = XmlLimits::refusal(bytes);
    if (!refused.isEmpty())
        throw AppError(helpXmlPath + QStringLiteral(": ") + refused);
    QDomDocument doc;
    const auto parsed = doc.setContent(bytes);
    if (!parsed)
        throw AppError(QStringLiteral("%1 is not well-formed XML").arg(helpXmlPath));
    const QDomElement channel = XmlText::child(doc.documentElement(), QStringLiteral("channel"));
    if (channel.isNull())
        throw AppError(QStringLiteral("%1 has no channel").arg(helpXmlPath));

    const QString wanted = QString::number(topic);
    for (QDomNode n = channel.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (!n.isElement() || n.nodeName() != u"item")
            continue;
        const QDomElement item = n.toElement();
        const QString id = XmlText::text(XmlText::child(item, QStringLiteral("id")));
        const QDomElement titleElement = XmlText::child(item, QStringLiteral("title"));
        const QDomElement descriptionElement = XmlText::child(item, QStringLiteral("description"));
        if (id != wanted) {
            // Items visited on the way are read too: a broken one stops the visit.
            XmlText::text(titleElement);
            XmlText::text(descriptionElement);
            continue;
        }
        sink.clear();
        const QString title = XmlText::text(titleElement);
        if (title.isEmpty())
            throw AppError(QStringLiteral("Help topic %1 has no title").arg(topic));
        sink.appendLine(title);
        sink.appendLine(QString());
        const QString description = XmlText::text(descriptionElement);
        if (description.isEmpty())
            throw AppError(QStringLiteral("Help topic %1 has no description").arg(topic));
        sink.appendLine(description);
    }
}
