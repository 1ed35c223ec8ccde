#include "TestHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

// One client connection: reads requests one after another (keep-alive) and
// writes each scripted response, piece by piece when it is slow.
class TestHttpConnection : public QObject {
public:
    TestHttpConnection(TestHttpServer *server, QTcpSocket *socket)
        : QObject(server), m_server(server), m_socket(socket)
    {
        socket->setParent(this);
        // As web servers do: an answer's body follows its head at once, not
        // after the peer's delayed acknowledgement of the head.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this] {
            m_input += m_socket->readAll();
            serveNext();
        });
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

private:
    void serveNext()
    {
        if (m_busy)
            return;
        const qsizetype headEnd = m_input.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        TestHttpServer::Request request;
        const QList<QByteArray> lines = m_input.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype bodyLength = request.header("Content-Length").toLongLong();
        if (m_input.size() < headEnd + 4 + bodyLength)
            return; // wait for the rest of the body
        request.body = m_input.mid(headEnd + 4, bodyLength);
        m_input.remove(0, headEnd + 4 + bodyLength);

        m_server->m_requests.append(request);
        const TestHttpServer::Response response
            = m_server->m_handler ? m_server->m_handler(request) : TestHttpServer::Response::ok();
        m_busy = true;
        if (!response.silent)
            send(response);
    }

    void send(const TestHttpServer::Response &response)
    {
        using Framing = TestHttpServer::Response::Framing;
        QByteArray head = response.statusLine + "\r\n";
        bool hasLength = false;
        for (const auto &[name, value] : response.headers) {
            hasLength = hasLength || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
            head += name + ": " + value + "\r\n";
        }
        if (response.framing == Framing::ContentLength && !hasLength)
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        else if (response.framing == Framing::Chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else if (response.framing == Framing::CloseDelimited)
            head += "Connection: close\r\n";
        head += "\r\n";

        // Split the body into pieces, then frame them for the wire.
        QList<QByteArray> pieces;
        const int count = qMax(1, response.pieces);
        const qsizetype step = (response.body.size() + count - 1) / count;
        for (qsizetype at = 0; at < response.body.size(); at += qMax<qsizetype>(1, step))
            pieces.append(response.body.mid(at, step));
        if (response.framing == Framing::Chunked) {
            for (QByteArray &piece : pieces)
                piece = QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
            pieces.append("0\r\n\r\n");
        }
        // A cut-off response stops after that many bytes behind the head.
        bool cut = false;
        if (response.cutAfter >= 0) {
            qsizetype left = response.cutAfter;
            QList<QByteArray> kept;
            for (const QByteArray &piece : pieces) {
                if (left <= 0)
                    break;
                kept.append(piece.left(left));
                left -= kept.last().size();
            }
            pieces = kept;
            cut = true;
        }
        m_socket->write(head);
        const bool close = cut || response.framing == Framing::CloseDelimited;
        sendPieces(pieces, response.pieceDelayMs, close);
    }

    void sendPieces(QList<QByteArray> pieces, int delayMs, bool close)
    {
        if (pieces.isEmpty()) {
            if (close) {
                m_socket->disconnectFromHost();
            } else {
                m_busy = false;
                serveNext();
            }
            return;
        }
        const auto next = [this, pieces, delayMs, close] {
            m_socket->write(pieces.first());
            m_socket->flush();
            sendPieces(pieces.mid(1), delayMs, close);
        };
        if (delayMs > 0)
            QTimer::singleShot(delayMs, this, next);
        else
            next();
    }

    TestHttpServer *m_server;
    QTcpSocket *m_socket;
    QByteArray m_input;
    bool m_busy = false;
};

QByteArray TestHttpServer::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool TestHttpServer::Request::hasHeader(const QByteArray &name) const
{
    for (const auto &entry : headers)
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TestHttpServer::Response TestHttpServer::Response::ok(const QByteArray &body, const QByteArray &contentType)
{
    Response response;
    response.body = body;
    if (!contentType.isEmpty())
        response.header("Content-Type", contentType);
    return response;
}

TestHttpServer::Response TestHttpServer::Response::status(const QByteArray &statusLine, const QByteArray &body)
{
    Response response;
    response.statusLine = statusLine;
    response.body = body;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::redirect(int code, const QByteArray &location)
{
    static const QHash<int, QByteArray> reasons{{301, "Moved Permanently"}, {302, "Found"}, {303, "See Other"},
                                                {307, "Temporary Redirect"}, {308, "Permanent Redirect"}};
    Response response;
    response.statusLine = "HTTP/1.1 " + QByteArray::number(code) + ' ' + reasons.value(code, "Redirect");
    response.header("Location", location);
    return response;
}

TestHttpServer::Response TestHttpServer::Response::never()
{
    Response response;
    response.silent = true;
    return response;
}

TestHttpServer::Response &TestHttpServer::Response::header(const QByteArray &name, const QByteArray &value)
{
    headers.append({name, value});
    return *this;
}

TestHttpServer::Response &TestHttpServer::Response::chunked(int chunks)
{
    framing = Framing::Chunked;
    pieces = chunks;
    return *this;
}

TestHttpServer::Response &TestHttpServer::Response::closeDelimited()
{
    framing = Framing::CloseDelimited;
    return *this;
}

TestHttpServer::Response &TestHttpServer::Response::slow(int pieceCount, int delayMs)
{
    pieces = pieceCount;
    pieceDelayMs = delayMs;
    return *this;
}

TestHttpServer::Response &TestHttpServer::Response::cutOff(qsizetype bodyBytes)
{
    cutAfter = bodyBytes;
    return *this;
}

TestHttpServer::TestHttpServer(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qWarning("TestHttpServer: cannot listen: %s", qPrintable(m_server.errorString()));
}

TestHttpServer::~TestHttpServer() = default;

QString TestHttpServer::base() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QString TestHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://") + base() + path;
}

void TestHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connections;
        new TestHttpConnection(this, socket);
    }
}
