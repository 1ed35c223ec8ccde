#pragma once
#include "platform/ui/HtmlBody.h"

#include <QHash>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// A small browser for a banner page: it fetches an HTML page with its own
// request, renders it (the rich-text subset Qt draws, images included), reports
// each completed document and hands link clicks to whoever listens instead of
// following them. The page's body element is kept as an object whose scroll
// attribute and inline border and margin the view renders.
class WebBrowserView : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebBrowserView(QWidget *parent = nullptr);
    ~WebBrowserView() override;

    // Starts loading the page; a load still running is dropped. Returns at once.
    void navigate(const QString &address);
    QUrl locationUrl() const { return m_location; }

    // The body of the document shown; null when there is none (nothing loaded
    // yet, or a page without a body tag).
    HtmlBody *body() { return m_hasBody ? &m_body : nullptr; }

signals:
    // A page has been loaded and shown (also an error page the server sent).
    void documentComplete(const QUrl &url);
    // A link of the page was clicked; the address is absolute.
    void linkClicked(const QUrl &url);

protected:
    QVariant loadResource(int type, const QUrl &name) override;

private:
    void dropLoads();
    void pageFinished(QNetworkReply *reply);
    void applyBody();
    void fetchImage(const QUrl &url);

    std::unique_ptr<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_page;
    QList<QPointer<QNetworkReply>> m_imageReplies;
    QHash<QUrl, QVariant> m_images; // a null QVariant: fetch failed, not asked again
    QUrl m_location;
    HtmlBody m_body;
    bool m_hasBody = false;
};
