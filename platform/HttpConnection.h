#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class QTcpSocket;
struct WebProgress;

// One HTTP/1.1 connection to one host, kept open between requests, with
// Nagle's algorithm off and each request written in one piece. The network
// layer's own connections leave Nagle on and write a body in 16 KiB pieces:
// the last small piece then waits for the server's delayed acknowledgement,
// about 40 ms per request. Callers build the request's bytes themselves.
class HttpConnection {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Response {
        bool answered = false; // a status line and headers arrived
        int status = 0;
        QString reason;
        Headers headers;
        QByteArray body;
        bool broken = false; // the body stopped before its end
        QString failure;     // why nothing or not all arrived; empty when whole
        bool ownFailure = false; // we stopped it (timeout, size): fails even with an answer
    };

    struct Limits {
        int transferTimeoutMs = 60000;
        qint64 maxBodySize = 0;
        int answerDeadlineMs = 0; // the whole answer, however steadily it comes; 0: none
    };

    HttpConnection(QString host, quint16 port, bool tls);
    ~HttpConnection();
    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    bool serves(const QString &host, quint16 port, bool tls) const
    {
        return host == m_host && port == m_port && tls == m_tls;
    }
    // Sends the request and reads its answer, waiting in a local event loop.
    // A request on a kept connection that the server closed meanwhile is sent
    // once more on a new one, as the network layer does.
    Response exchange(const QByteArray &request, const Limits &limits, const WebProgress &progress);
    // False once the server or a failure closed the connection.
    bool reusable() const { return m_reusable; }

private:
    Response attempt(const QByteArray &request, const Limits &limits, const WebProgress &progress, bool &retry);
    void connectSocket();

    QString m_host;
    quint16 m_port;
    bool m_tls;
    std::unique_ptr<QTcpSocket> m_socket;
    bool m_reusable = true;
};
