#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

// The inline style of an element: its declarations in the order written, names
// compared without case. Writing a property replaces it or appends it.
class HtmlInlineStyle {
public:
    explicit HtmlInlineStyle(QString cssText = {});

    QString property(const QString &name) const;
    void setProperty(const QString &name, const QString &value);
    QString cssText() const;

private:
    friend class HtmlBody;
    QList<QPair<QString, QString>> m_declarations;
    std::function<void()> m_changed;
};

// The body element of a loaded page: its attributes (names compared without
// case) and its inline style. The browser view applies what it renders itself
// (scroll, border, margin) whenever either changes.
class HtmlBody {
public:
    // Reads the first <body ...> tag of the page; nothing when it has none.
    static bool parse(const QString &html, HtmlBody &body);

    bool hasAttribute(const QString &name) const;
    QString attribute(const QString &name) const;
    void setAttribute(const QString &name, const QString &value);

    HtmlInlineStyle &style() { return m_style; }
    const HtmlInlineStyle &style() const { return m_style; }

    void onChange(std::function<void()> changed);

private:
    QList<QPair<QString, QString>> m_attributes;
    HtmlInlineStyle m_style;
    std::function<void()> m_changed;
};
