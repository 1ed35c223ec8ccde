#include "platform/HtmlText.h"

#include <gumbo.h>

#include <memory>
#include <string>
#include <vector>

namespace HtmlText {
namespace {

bool separatesWords(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_BR:
    case GUMBO_TAG_P:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_TITLE:
        return true;
    default:
        return false;
    }
}

bool isHtmlBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

QString folded(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (isHtmlBlank(c)) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

struct OutputDeleter {
    void operator()(GumboOutput *output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

} // namespace

QString plainText(const QString &html)
{
    const QByteArray utf8 = html.toUtf8();
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // the errors are of no use here
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&options, utf8.constData(), size_t(utf8.size())));
    std::string text;
    // Depth-first, by hand: a hostile page can nest deeper than the stack allows.
    std::vector<const GumboNode *> pending{output->document};
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (!node) { // the end of a block element
            text += ' ';
            continue;
        }
        const GumboVector *children = nullptr;
        switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            text += node->v.text.text;
            break;
        case GUMBO_NODE_DOCUMENT:
            children = &node->v.document.children;
            break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            if (node->v.element.tag == GUMBO_TAG_SCRIPT || node->v.element.tag == GUMBO_TAG_STYLE)
                break;
            if (separatesWords(node->v.element.tag)) {
                text += ' ';
                pending.push_back(nullptr);
            }
            children = &node->v.element.children;
            break;
        case GUMBO_NODE_COMMENT:
            break;
        }
        if (children) {
            for (unsigned int i = children->length; i > 0; --i)
                pending.push_back(static_cast<const GumboNode *>(children->data[i - 1]));
        }
    }
    return folded(QString::fromStdString(text));
}

} // namespace HtmlText
