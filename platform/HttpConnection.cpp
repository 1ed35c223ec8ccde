#include "platform/HttpConnection.h"

#include "platform/WebClient.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

namespace {

// The same short texts the web client gives for failures before an answer.
QString describe(QAbstractSocket::SocketError error, const QString &fallback)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return QStringLiteral("Connection refused");
    case QAbstractSocket::HostNotFoundError: return QStringLiteral("Host not found");
    case QAbstractSocket::RemoteHostClosedError: return QStringLiteral("Connection closed gracefully");
    case QAbstractSocket::SocketTimeoutError: return QStringLiteral("Connect timed out");
    default: return fallback;
    }
}

// A head, or a line of chunked framing, longer than this is not HTTP from a
// service of ours; reading on would hold whatever the server sends.
constexpr qsizetype MaxLineBytes = 64 * 1024;

enum class Stage { Head, Length, ChunkSize, ChunkData, ChunkEnd, Trailer, UntilClose, Done };

} // namespace

HttpConnection::HttpConnection(QString host, quint16 port, bool tls)
    : m_host(std::move(host)), m_port(port), m_tls(tls)
{
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::connectSocket()
{
    if (m_socket)
        m_socket->abort();
    m_socket.reset(m_tls ? new QSslSocket : new QTcpSocket);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    QTcpSocket *socket = m_socket.get();
    // Options apply only to a socket that exists in the system, so once connected.
    QObject::connect(socket, &QAbstractSocket::connected, socket,
                     [socket] { socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    if (m_tls)
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(m_host, m_port);
    else
        socket->connectToHost(m_host, m_port);
    m_reusable = true;
}

HttpConnection::Response HttpConnection::exchange(const QByteArray &request, const Limits &limits,
                                                  const WebProgress &progress)
{
    bool retry = false;
    Response response = attempt(request, limits, progress, retry);
    if (retry)
        response = attempt(request, limits, progress, retry);
    return response;
}

HttpConnection::Response HttpConnection::attempt(const QByteArray &request, const Limits &limits,
                                                 const WebProgress &progress, bool &retry)
{
    retry = false;
    const bool reused = m_reusable && m_socket && m_socket->state() == QAbstractSocket::ConnectedState
        && m_socket->bytesAvailable() == 0;
    if (!reused)
        connectSocket();
    QTcpSocket *socket = m_socket.get();

    Response response;
    QByteArray input;
    bool received = false;
    bool bodyStarted = false;
    bool keepAlive = true;
    Stage stage = Stage::Head;
    qint64 left = 0;

    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(limits.transferTimeoutMs);

    const auto finish = [&] {
        stage = Stage::Done;
        loop.quit();
    };
    const auto fail = [&](const QString &why, bool own) {
        if (stage == Stage::Done)
            return;
        response.failure = why;
        response.ownFailure = own;
        response.broken = response.answered;
        m_reusable = false;
        finish();
        socket->abort();
    };
    const auto tooLarge = [&] {
        fail(QStringLiteral("Response body larger than %1 bytes").arg(limits.maxBodySize), true);
    };
    const auto takeBody = [&](qint64 count) {
        const QByteArray piece = input.left(count);
        input.remove(0, count);
        if (piece.isEmpty())
            return;
        if (response.body.size() + piece.size() > limits.maxBodySize)
            return tooLarge();
        response.body += piece;
        if (progress.work)
            progress.work(response.body.size());
    };
    // Reads the head; false while it is incomplete.
    const auto readHead = [&]() -> bool {
        const qsizetype end = input.indexOf("\r\n\r\n");
        if (end < 0) {
            if (input.size() > MaxLineBytes)
                fail(QStringLiteral("Response header larger than %1 bytes").arg(MaxLineBytes), true);
            return false;
        }
        const QList<QByteArray> lines = input.left(end).split('\n');
        input.remove(0, end + 4);
        const QByteArray statusLine = lines.value(0).trimmed();
        const qsizetype first = statusLine.indexOf(' ');
        const qsizetype second = statusLine.indexOf(' ', first + 1);
        const int status = statusLine.mid(first + 1, second < 0 ? -1 : second - first - 1).toInt();
        if (status >= 100 && status < 200)
            return true; // an interim answer: the real one follows
        response.answered = true;
        response.status = status;
        response.reason = second < 0 ? QString() : QString::fromLatin1(statusLine.mid(second + 1)).trimmed();
        keepAlive = !statusLine.startsWith("HTTP/1.0");
        qint64 length = -1;
        bool chunked = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            response.headers.append({line.left(colon).trimmed(), value});
            if (name == "content-length")
                length = value.toLongLong();
            else if (name == "transfer-encoding")
                chunked = value.toLower().contains("chunked");
            else if (name == "connection")
                keepAlive = value.toLower() == "keep-alive" || (keepAlive && value.toLower() != "close");
        }
        bodyStarted = true;
        const qint64 expected = chunked ? 0 : qMax<qint64>(0, length);
        if (progress.begin)
            progress.begin(expected);
        if (expected > limits.maxBodySize) {
            tooLarge();
            return true;
        }
        if (status == 204 || status == 304 || (!chunked && length == 0)) {
            finish();
        } else if (chunked) {
            stage = Stage::ChunkSize;
        } else if (length > 0) {
            stage = Stage::Length;
            left = length;
        } else {
            stage = Stage::UntilClose;
            keepAlive = false;
        }
        return true;
    };
    const auto parse = [&] {
        for (;;) {
            const Stage before = stage;
            const qsizetype had = input.size();
            switch (stage) {
            case Stage::Head:
                if (!readHead())
                    return;
                break;
            case Stage::Length: {
                const qint64 take = qMin<qint64>(left, input.size());
                left -= take;
                takeBody(take);
                if (left == 0 && stage == Stage::Length)
                    finish();
                break;
            }
            case Stage::UntilClose:
                takeBody(input.size());
                return;
            case Stage::ChunkSize:
            case Stage::Trailer: {
                const qsizetype end = input.indexOf("\r\n");
                if (end < 0) {
                    if (input.size() > MaxLineBytes)
                        fail(QStringLiteral("Invalid chunk size"), false);
                    return;
                }
                const QByteArray line = input.left(end);
                input.remove(0, end + 2);
                if (stage == Stage::Trailer) {
                    if (line.isEmpty())
                        finish();
                    break;
                }
                bool ok = false;
                left = line.split(';').value(0).trimmed().toLongLong(&ok, 16);
                if (!ok || left < 0)
                    return fail(QStringLiteral("Invalid chunk size"), false);
                stage = left == 0 ? Stage::Trailer : Stage::ChunkData;
                break;
            }
            case Stage::ChunkData: {
                const qint64 take = qMin<qint64>(left, input.size());
                left -= take;
                takeBody(take);
                if (left == 0 && stage == Stage::ChunkData)
                    stage = Stage::ChunkEnd;
                break;
            }
            case Stage::ChunkEnd:
                if (input.size() < 2)
                    return;
                input.remove(0, 2);
                stage = Stage::ChunkSize;
                break;
            case Stage::Done:
                return;
            }
            if (stage == before && input.size() == had)
                return;
        }
    };
    const auto readMore = [&] {
        if (stage == Stage::Done)
            return;
        const QByteArray bytes = socket->readAll();
        if (bytes.isEmpty())
            return;
        received = true;
        stall.start();
        input += bytes;
        parse();
    };
    const auto closed = [&] {
        readMore();
        if (stage == Stage::Done)
            return;
        m_reusable = false;
        if (stage == Stage::UntilClose) {
            finish();
            return;
        }
        // A kept connection the server closed before this request reached it.
        if (reused && !received && stage == Stage::Head) {
            retry = true;
            finish();
            return;
        }
        const QAbstractSocket::SocketError error = socket->error();
        fail(describe(error == QAbstractSocket::UnknownSocketError ? QAbstractSocket::RemoteHostClosedError : error,
                      socket->errorString()),
             false);
    };

    QObject::connect(&stall, &QTimer::timeout, &loop, [&] { fail(QStringLiteral("Read timed out"), true); });
    // The stall timer restarts with every byte; this one never does.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { fail(QStringLiteral("应答超时"), true); });
    if (limits.answerDeadlineMs > 0)
        deadline.start(limits.answerDeadlineMs);
    QObject::connect(socket, &QIODevice::readyRead, &loop, readMore);
    QObject::connect(socket, &QIODevice::bytesWritten, &stall, qOverload<>(&QTimer::start));
    QObject::connect(socket, &QAbstractSocket::errorOccurred, &loop, closed);
    QObject::connect(socket, &QAbstractSocket::disconnected, &loop, closed);

    stall.start();
    socket->write(request);
    loop.exec();
    stall.stop();
    deadline.stop();
    QObject::disconnect(socket, nullptr, &loop, nullptr);
    QObject::disconnect(socket, nullptr, &stall, nullptr);

    if (bodyStarted && progress.end)
        progress.end();
    if (!keepAlive || retry)
        m_reusable = false;
    if (!m_reusable)
        socket->abort();
    return response;
}
