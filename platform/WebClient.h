#pragma once
#include "platform/Errors.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// A response of any status, for callers that read error answers themselves.
struct WebAnswer {
    int status = 0;
    QString statusLine; // "HTTP/1.1 400 Bad Request"
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers; // as received (getForAnswer only)
    bool truncated = false; // the body was cut at the client's limit

    // Every value of the header name (without case), joined by ", ".
    QByteArray header(const QByteArray &name) const;
};

// A request that failed: its message is the response's status line
// ("HTTP/1.1 404 Not Found"), or a short description of a failure that came
// before any response ("Connection refused", "Read timed out").
class HttpError : public AppError {
public:
    using AppError::AppError;
};

// Reports the reading of a response body. begin(expected) once when the body
// starts, with its announced size or 0 when the response announces none;
// work(received) with the running total each time bytes arrive; end() once
// when the body is complete or the transfer stopped early.
struct WebProgress {
    std::function<void(qint64 expected)> begin;
    std::function<void(qint64 received)> work;
    std::function<void()> end;
};

// A blocking HTTP/1.1 client. get() and post() return the response body and
// wait in a local event loop meanwhile, so the program keeps dispatching
// events: any handler may run during the wait. The original switched its
// message pumping on "also outside idle moments" at the first feed download;
// nothing of the kind is needed here, the local loop always dispatches.
// Cookies set by servers are kept for the client's life and sent back;
// redirects are not followed; every status outside 2xx throws HttpError.
class WebClient {
public:
    static constexpr int DefaultTransferTimeoutMs = 60000;
    static constexpr qint64 DefaultMaxBodySize = 64LL * 1024 * 1024;
    // The services' whole-answer deadline (push, ping, index check, site query).
    static constexpr int ServiceAnswerDeadlineMs = 120000;

    WebClient();
    ~WebClient();
    WebClient(const WebClient &) = delete;
    WebClient &operator=(const WebClient &) = delete;

    QByteArray get(const QString &url);
    QByteArray post(const QString &url, const QByteArray &body);
    // As post(), but an answer outside 2xx is returned instead of thrown; only
    // a failure before the answer (or a success body broken off) throws.
    WebAnswer postForAnswer(const QString &url, const QByteArray &body);
    // A GET whose answer of any status (redirects included) is returned with
    // its headers; only a failure before the answer throws.
    WebAnswer getForAnswer(const QString &url);

    // Both stay in force for every later request of this client.
    void setUserAgent(const QString &userAgent) { m_userAgent = userAgent; }
    const QString &userAgent() const { return m_userAgent; }
    // Empty: none is sent with GET; POST then says form data.
    void setContentType(const QString &contentType) { m_contentType = contentType; }
    const QString &contentType() const { return m_contentType; }

    void setProgress(WebProgress progress) { m_progress = std::move(progress); }

    // A transfer with no progress for this long fails with "Read timed out".
    void setTransferTimeout(int msecs) { m_timeoutMs = msecs; }
    int transferTimeout() const { return m_timeoutMs; }
    // A request not answered in full this long after it was sent fails with
    // "应答超时", however steadily the server trickles; 0 (the default) sets no
    // such limit. A failure like any other of the transfer.
    void setAnswerDeadline(int msecs) { m_deadlineMs = msecs; }
    int answerDeadline() const { return m_deadlineMs; }
    // A body larger than this fails instead of filling the memory.
    void setMaxBodySize(qint64 bytes) { m_maxBodySize = bytes; }
    qint64 maxBodySize() const { return m_maxBodySize; }
    // Instead of failing, a larger body is cut at maxBodySize and the answer
    // marked truncated (readers that need only the start of a page).
    void setCutAtMaxBodySize(bool cut) { m_cutAtMax = cut; }

    // The status line of the last response received, empty before the first.
    const QString &lastStatusLine() const { return m_lastStatusLine; }

    // Drops kept-alive connections: the next request opens a new one. Called
    // while a request of this client still waits (from a handler run during
    // that wait), it takes effect when the request is done, which it leaves whole.
    void closeConnection();

private:
    QByteArray perform(const QString &url, const QByteArray *postBody, WebAnswer *answer = nullptr);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    QString m_userAgent;
    QString m_contentType;
    WebProgress m_progress;
    int m_timeoutMs = DefaultTransferTimeoutMs;
    int m_deadlineMs = 0;
    qint64 m_maxBodySize = DefaultMaxBodySize;
    bool m_cutAtMax = false;
    QString m_lastStatusLine;
    int m_inFlight = 0;
    bool m_closePending = false;
};

// The main window's shared client for the services (ping, index check). A
// caller takes current() and holds it for the length of its request; replace()
// installs a fresh default client for later callers, while a request still
// waiting on the old one finishes with it. Its clients have the services'
// answer deadline.
class SharedWebClient {
public:
    SharedWebClient() : m_client(make()) {}
    std::shared_ptr<WebClient> current() const { return m_client; }
    void replace() { m_client = make(); }

private:
    static std::shared_ptr<WebClient> make()
    {
        auto client = std::make_shared<WebClient>();
        client->setAnswerDeadline(WebClient::ServiceAnswerDeadlineMs);
        return client;
    }
    std::shared_ptr<WebClient> m_client;
};
