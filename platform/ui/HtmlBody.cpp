#include "platform/ui/HtmlBody.h"

#include <QRegularExpression>

HtmlInlineStyle::HtmlInlineStyle(QString cssText)
{
    for (const QString &piece : cssText.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype colon = piece.indexOf(u':');
        if (colon <= 0)
            continue;
        const QString name = piece.left(colon).trimmed().toLower();
        if (!name.isEmpty())
            setProperty(name, piece.mid(colon + 1).trimmed());
    }
}

QString HtmlInlineStyle::property(const QString &name) const
{
    for (const auto &d : m_declarations)
        if (d.first.compare(name, Qt::CaseInsensitive) == 0)
            return d.second;
    return {};
}

void HtmlInlineStyle::setProperty(const QString &name, const QString &value)
{
    bool found = false;
    for (auto &d : m_declarations)
        if (d.first.compare(name, Qt::CaseInsensitive) == 0) {
            d.second = value;
            found = true;
        }
    if (!found)
        m_declarations.append({name.toLower(), value});
    if (m_changed)
        m_changed();
}

QString HtmlInlineStyle::cssText() const
{
    QStringList parts;
    for (const auto &d : m_declarations)
        parts << d.first + QStringLiteral(": ") + d.second;
    return parts.join(QStringLiteral("; "));
}

bool HtmlBody::parse(const QString &html, HtmlBody &body)
{
    static const QRegularExpression tag(QStringLiteral("<body(\\s[^>]*)?>"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([^\\s=/>\"']+)(?:\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+)))?"));
    const QRegularExpressionMatch m = tag.match(html);
    if (!m.hasMatch())
        return false;
    body = HtmlBody();
    auto it = attribute.globalMatch(m.captured(1));
    while (it.hasNext()) {
        const QRegularExpressionMatch a = it.next();
        QString value = a.captured(2);
        if (value.isEmpty())
            value = a.captured(3);
        if (value.isEmpty())
            value = a.captured(4);
        const QString name = a.captured(1).toLower();
        if (name == QLatin1String("style"))
            body.m_style = HtmlInlineStyle(value);
        if (!body.hasAttribute(name))
            body.m_attributes.append({name, value});
    }
    return true;
}

bool HtmlBody::hasAttribute(const QString &name) const
{
    for (const auto &a : m_attributes)
        if (a.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString HtmlBody::attribute(const QString &name) const
{
    if (name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0)
        return m_style.cssText();
    for (const auto &a : m_attributes)
        if (a.first.compare(name, Qt::CaseInsensitive) == 0)
            return a.second;
    return {};
}

void HtmlBody::setAttribute(const QString &name, const QString &value)
{
    if (name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0) {
        auto changed = m_style.m_changed;
        m_style = HtmlInlineStyle(value);
        m_style.m_changed = changed;
    }
    bool found = false;
    for (auto &a : m_attributes)
        if (a.first.compare(name, Qt::CaseInsensitive) == 0) {
            a.second = value;
            found = true;
        }
    if (!found)
        m_attributes.append({name.toLower(), value});
    if (m_changed)
        m_changed();
}

void HtmlBody::onChange(std::function<void()> changed)
{
    m_changed = changed;
    m_style.m_changed = std::move(changed);
}
