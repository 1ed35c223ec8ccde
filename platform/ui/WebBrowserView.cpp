#include "platform/ui/WebBrowserView.h"

#include "platform/Codepage.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextDocument>

namespace {

constexpr int PageTimeoutMs = 30000;
constexpr qint64 MaxImageBytes = 4 * 1024 * 1024;
constexpr qint64 MaxPageBytes = 2 * 1024 * 1024;

// The margin a browser gives a body without one of its own.
constexpr int DefaultMargin = 8;

QString charsetOf(const QByteArray &contentType, const QByteArray &html)
{
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_:.-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = charset.match(QString::fromLatin1(contentType));
    if (!m.hasMatch())
        m = charset.match(QString::fromLatin1(html.left(2048)));
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

// Chinese pages mostly declare gb2312 or gbk; GB18030 reads both.
QString decodePage(const QByteArray &bytes, const QByteArray &contentType)
{
    const QString name = charsetOf(contentType, bytes);
    if (name == QLatin1String("gb2312") || name == QLatin1String("gbk") || name == QLatin1String("gb18030")
        || name == QLatin1String("x-gbk") || name == QLatin1String("cp936"))
        return Codepage::fromLegacy(bytes);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? Codepage::fromLegacy(bytes) : text;
}

// "0", "0px", "12px", "12": pixels; anything else gives the fallback.
int pixelsOf(const QString &length, int fallback)
{
    static const QRegularExpression px(QStringLiteral("^\\s*([0-9]+)(?:px)?\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = px.match(length);
    return m.hasMatch() ? m.captured(1).toInt() : fallback;
}

QNetworkRequest requestFor(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setRawHeader("User-Agent", "Mozilla/4.0 (compatible; Wexly)");
    // A browser follows redirects, though never from https down to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(PageTimeoutMs);
    return request;
}

} // namespace

WebBrowserView::WebBrowserView(QWidget *parent)
    : QTextBrowser(parent), m_network(std::make_unique<QNetworkAccessManager>())
{
    m_network->setProxy(QNetworkProxy::NoProxy);
    m_network->setCookieJar(new QNetworkCookieJar(m_network.get()));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, 0, 0, 0);
    m_body.onChange([this] { applyBody(); });
    applyBody();
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
        const QUrl target = m_location.resolved(link);
        if (target.scheme() != QLatin1String("javascript"))
            emit linkClicked(target);
    });
}

WebBrowserView::~WebBrowserView()
{
    // The replies belong to the manager; stop them quietly before it goes.
    dropLoads();
}

void WebBrowserView::dropLoads()
{
    QList<QPointer<QNetworkReply>> replies = m_imageReplies;
    replies.append(m_page);
    m_imageReplies.clear();
    m_page = nullptr;
    for (const auto &reply : std::as_const(replies))
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
}

void WebBrowserView::navigate(const QString &address)
{
    dropLoads();
    const QUrl url = QUrl::fromUserInput(address);
    QNetworkReply *reply = m_network->get(requestFor(url));
    m_page = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { pageFinished(reply); });
    // A banner is small: a page that keeps coming is cut off.
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > MaxPageBytes)
            reply->abort();
    });
}

void WebBrowserView::pageFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_page)
        return;
    m_page = nullptr;
    // Without any answer there is nothing to show: what is shown stays.
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return;
    const QString html = decodePage(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    m_location = reply->url();
    m_images.clear();
    document()->setBaseUrl(m_location);
    m_hasBody = HtmlBody::parse(html, m_body);
    if (!m_hasBody)
        m_body = HtmlBody();
    m_body.onChange([this] { applyBody(); });
    setHtml(html);
    applyBody();
    emit documentComplete(m_location);
}

void WebBrowserView::applyBody()
{
    // scroll="no" removes the scroll bars, "yes" always shows them.
    const QString scroll = m_body.attribute(QStringLiteral("scroll")).trimmed().toLower();
    const Qt::ScrollBarPolicy policy = scroll == QLatin1String("no") ? Qt::ScrollBarAlwaysOff
        : scroll == QLatin1String("yes")                             ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAsNeeded;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(policy == Qt::ScrollBarAlwaysOn ? Qt::ScrollBarAsNeeded : policy);

    // A page's own border is drawn as the view's frame; "none" or a zero width removes it.
    const QString border = m_body.style().property(QStringLiteral("border")).trimmed().toLower();
    if (border == QLatin1String("none") || border.startsWith(u'0'))
        setFrameShape(QFrame::NoFrame);
    else
        setFrameShape(QFrame::StyledPanel);

    const QString margin = m_body.style().property(QStringLiteral("margin"));
    document()->setDocumentMargin(pixelsOf(margin, DefaultMargin));
}

QVariant WebBrowserView::loadResource(int type, const QUrl &name)
{
    if (type != QTextDocument::ImageResource)
        return QTextBrowser::loadResource(type, name);
    const QUrl url = m_location.resolved(name);
    const auto cached = m_images.constFind(url);
    if (cached != m_images.constEnd())
        return *cached;
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        fetchImage(url);
    return {};
}

void WebBrowserView::fetchImage(const QUrl &url)
{
    m_images.insert(url, QVariant()); // asked once per page
    QNetworkReply *reply = m_network->get(requestFor(url));
    m_imageReplies.append(reply);
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > MaxImageBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        m_imageReplies.removeAll(reply);
        QImage image;
        if (reply->error() == QNetworkReply::NoError)
            image.loadFromData(reply->readAll());
        if (image.isNull())
            return;
        m_images.insert(url, image);
        // Lay the page out again so the picture takes its place.
        document()->markContentsDirty(0, document()->characterCount());
        viewport()->update();
    });
}
