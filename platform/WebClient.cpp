#include "platform/WebClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace {

const char DefaultAccept[] = "text/html, */*";
const char DefaultUserAgent[] = "Mozilla/3.0 (compatible; Indy Library)";

// Short descriptions of failures that came before any response.
QString describeFailure(QNetworkReply::NetworkError error, const QString &fallback)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Connection refused");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Host not found");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Connection closed gracefully");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Connect timed out");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("Unknown protocol");
    default:
        return fallback;
    }
}

} // namespace

WebClient::WebClient()
    : m_manager(std::make_unique<QNetworkAccessManager>()), m_userAgent(QString::fromLatin1(DefaultUserAgent))
{
    m_manager->setProxy(QNetworkProxy::NoProxy);
    // A jar of its own: cookies live exactly as long as this client.
    m_manager->setCookieJar(new QNetworkCookieJar(m_manager.get()));
}

WebClient::~WebClient() = default;

QByteArray WebClient::get(const QString &url)
{
    return perform(url, nullptr);
}

QByteArray WebClient::post(const QString &url, const QByteArray &body)
{
    return perform(url, &body);
}

WebAnswer WebClient::postForAnswer(const QString &url, const QByteArray &body)
{
    WebAnswer answer;
    answer.body = perform(url, &body, &answer);
    return answer;
}

WebAnswer WebClient::getForAnswer(const QString &url)
{
    WebAnswer answer;
    answer.body = perform(url, nullptr, &answer);
    return answer;
}

QByteArray WebAnswer::header(const QByteArray &name) const
{
    QByteArray value;
    for (const auto &[n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!value.isEmpty())
            value += ", ";
        value += v;
    }
    return value;
}

void WebClient::closeConnection()
{
    // Clearing the cache also aborts the replies still using its connections.
    if (m_inFlight > 0) {
        m_closePending = true;
        return;
    }
    m_closePending = false;
    m_manager->clearConnectionCache();
}

QByteArray WebClient::perform(const QString &url, const QByteArray *postBody, WebAnswer *answer)
{
    // A scheme cannot begin with a blank, so blanks and control characters
    // typed before an address are not part of it; the rest goes as given
    // (trailing blanks become "%20" in the path).
    qsizetype start = 0;
    while (start < url.size() && url.at(start).unicode() <= u' ')
        ++start;
    const QUrl target(url.mid(start));
    if (!target.isValid() || target.host().isEmpty()
        || (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https")))
        throw HttpError(QStringLiteral("Invalid address: %1").arg(url));

    QNetworkRequest request(target);
    request.setRawHeader("Accept", DefaultAccept);
    request.setRawHeader("User-Agent", m_userAgent.toUtf8());
    // Without this the network layer offers compressed answers and unpacks
    // them: the body would no longer be the bytes the server sent, and the
    // announced size would not match the bytes counted by the progress.
    request.setRawHeader("Accept-Encoding", "identity");
    if (!m_contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, m_contentType);
    else if (postBody)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    ++m_inFlight;
    const auto leave = qScopeGuard([this] {
        if (--m_inFlight == 0 && m_closePending)
            closeConnection();
    });

    // The reply is ours for this call only; if the manager goes first it takes the reply along.
    QPointer<QNetworkReply> reply = postBody ? m_manager->post(request, *postBody) : m_manager->get(request);
    const auto cleanup = qScopeGuard([&reply] {
        if (reply)
            reply->deleteLater();
    });

    QByteArray body;
    QString ownFailure; // set when we stop the transfer ourselves
    bool cut = false;   // stopped at the size limit with the body kept
    bool bodyStarted = false;
    const WebProgress progress = m_progress; // a callback may change the client's

    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(m_timeoutMs);
    const auto stop = [&](const QString &why) {
        if (ownFailure.isEmpty())
            ownFailure = why;
        if (reply)
            reply->abort();
    };
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] { stop(QStringLiteral("Read timed out")); });
    // The stall timer restarts with every byte; this one never does.
    QTimer deadline;
    deadline.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: the deadline is a promise.
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { stop(QStringLiteral("应答超时")); });
    if (m_deadlineMs > 0)
        deadline.start(m_deadlineMs);

    const auto startBody = [&] {
        if (bodyStarted)
            return;
        bodyStarted = true;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        const qint64 expected = length.isValid() ? length.toLongLong() : 0;
        // begin comes first, so that the end reported after a refused body pairs with it.
        if (progress.begin)
            progress.begin(expected);
        if (expected > m_maxBodySize && !m_cutAtMax)
            stop(QStringLiteral("Response body larger than %1 bytes").arg(m_maxBodySize));
    };
    const auto readBody = [&] {
        if (!reply)
            return;
        startBody();
        const QByteArray piece = reply->readAll();
        if (piece.isEmpty() || !ownFailure.isEmpty() || cut)
            return;
        if (body.size() + piece.size() > m_maxBodySize && m_cutAtMax) {
            body += piece.left(m_maxBodySize - body.size());
            cut = true;
            reply->abort();
            return;
        }
        if (body.size() + piece.size() > m_maxBodySize) {
            stop(QStringLiteral("Response body larger than %1 bytes").arg(m_maxBodySize));
            return;
        }
        body += piece;
        if (progress.work)
            progress.work(body.size());
    };

    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        stall.start();
        if (reply && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            startBody();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        stall.start();
        readBody();
    });
    QObject::connect(reply, &QNetworkReply::uploadProgress, &stall, qOverload<>(&QTimer::start));
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QObject::destroyed, &loop, &QEventLoop::quit);

    // The local loop dispatches every event while we wait, so the window
    // repaints and other handlers run; they must not rely on this call's state.
    stall.start();
    if (!reply->isFinished())
        loop.exec();
    stall.stop();
    deadline.stop();

    if (!reply)
        throw HttpError(QStringLiteral("Connection closed"));
    if (ownFailure.isEmpty() && !cut)
        readBody();

    const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool answered = code.isValid();
    if (answered) {
        m_lastStatusLine = QStringLiteral("HTTP/1.1 %1 %2")
                               .arg(code.toInt())
                               .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    if (bodyStarted && progress.end)
        progress.end();

    if (!ownFailure.isEmpty())
        throw HttpError(ownFailure);
    if (!answered)
        throw HttpError(describeFailure(reply->error(), reply->errorString()));
    const int status = code.toInt();
    const bool success = status >= 200 && status <= 299;
    // A body broken off after a success status fails with that success line.
    if (success && reply->error() != QNetworkReply::NoError && !cut)
        throw HttpError(m_lastStatusLine);
    if (answer) {
        answer->status = status;
        answer->statusLine = m_lastStatusLine;
        answer->truncated = cut;
        answer->headers = reply->rawHeaderPairs();
        return body;
    }
    if (!success)
        throw HttpError(m_lastStatusLine);
    return body;
}
