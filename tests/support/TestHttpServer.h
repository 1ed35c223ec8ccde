#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <functional>

// A scripted HTTP server on 127.0.0.1 for tests, running on the test's own
// thread: it answers while the code under test waits in a local event loop.
// Every request is recorded; a handler decides each response.
class TestHttpConnection;

class TestHttpServer : public QObject {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        QByteArray target; // exactly as on the request line
        Headers headers;   // in the order received
        QByteArray body;
        // The value of the first header of that name, names compared without case.
        QByteArray header(const QByteArray &name) const;
        bool hasHeader(const QByteArray &name) const;
    };

    struct Response {
        enum class Framing { ContentLength, Chunked, CloseDelimited };

        QByteArray statusLine = "HTTP/1.1 200 OK";
        Headers headers;
        QByteArray body;
        Framing framing = Framing::ContentLength;
        int pieces = 1;       // the body is sent in this many pieces (chunks when chunked)
        int pieceDelayMs = 0; // pause before every piece after the head
        qsizetype cutAfter = -1; // close the connection after this many body bytes
        bool silent = false;     // read the request, never answer

        static Response ok(const QByteArray &body = {}, const QByteArray &contentType = "text/html");
        static Response status(const QByteArray &statusLine, const QByteArray &body = {});
        static Response redirect(int code, const QByteArray &location);
        static Response never();

        Response &header(const QByteArray &name, const QByteArray &value);
        Response &setCookie(const QByteArray &cookie) { return header("Set-Cookie", cookie); }
        Response &chunked(int chunks = 1);
        Response &closeDelimited();
        Response &slow(int pieceCount, int delayMs);
        Response &cutOff(qsizetype bodyBytes);
    };

    using Handler = std::function<Response(const Request &)>;

    // Answers every request with `handler`; by default an empty 200 page.
    explicit TestHttpServer(Handler handler = {}, QObject *parent = nullptr);
    ~TestHttpServer() override;

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    quint16 port() const { return m_server.serverPort(); }
    QString base() const; // "127.0.0.1:PORT"
    QString url(const QString &path = QStringLiteral("/")) const;

    const QList<Request> &requests() const { return m_requests; }
    Request lastRequest() const { return m_requests.isEmpty() ? Request() : m_requests.last(); }
    int connectionCount() const { return m_connections; }

private:
    void accept();

    QTcpServer m_server;
    Handler m_handler;
    QList<Request> m_requests;
    int m_connections = 0;

    friend class TestHttpConnection;
};
