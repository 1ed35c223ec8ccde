#include "feed/FeedDownload.h"

#include "platform/Codepage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"
#include "platform/WebClient.h"

#include <QScopeGuard>

#include <limits>

namespace {

// The progress bar counts in 32-bit integers.
int toBar(qint64 bytes)
{
    return int(qBound(qint64(0), bytes, qint64(std::numeric_limits<int>::max())));
}

} // namespace

FeedDownload::FeedDownload(FeedDownloadView &view, Dialogs &dialogs, QString programDir, Import import)
    : m_view(view), m_dialogs(dialogs), m_programDir(std::move(programDir)), m_import(std::move(import))
{
}

bool FeedDownload::isBlank(const QString &address)
{
    for (const QChar c : address) {
        if (c.unicode() > u' ')
            return false;
    }
    return true;
}

QString FeedDownload::progressText(qint64 position, qint64 maximum)
{
    QString text = QStringLiteral("已下载:") + QString::number(position / 1024) + QStringLiteral("K字节");
    if (maximum > 0) {
        // 64-bit: position * 100 outgrows 32 bits from 21 MB on.
        text += QStringLiteral(",总共:") + QString::number(maximum / 1024) + QStringLiteral("K字节,约")
            + QString::number(position * 100 / maximum) + QLatin1Char('%');
    }
    return text;
}

void FeedDownload::workBegin(qint64 expected)
{
    // A maximum of 0 (size unknown) shows the bar as busy.
    m_maximum = toBar(expected);
    m_view.setProgressRange(0, m_maximum);
    m_view.setProgressPosition(0);
}

void FeedDownload::work(qint64 received)
{
    const int position = toBar(received);
    m_view.setProgressPosition(position);
    m_view.setMessagePanel(progressText(position, m_maximum));
}

void FeedDownload::workEnd()
{
    m_view.setProgressPosition(m_maximum);
}

void FeedDownload::run(WebClient &client, const QString &address)
{
    if (isBlank(address))
        return;
    m_view.setMessagePanel(QStringLiteral("开始下载"));
    m_view.setProgressVisible(true);
    // Requests wait in a local event loop that always dispatches the window's
    // events, so there is no pumping mode to switch on for the later requests.

    // Other handlers run while the request waits; a second download must not
    // start inside this one.
    m_view.setDownloadEnabled(false);
    client.setProgress({[this](qint64 expected) { workBegin(expected); },
                        [this](qint64 received) { work(received); }, [this] { workEnd(); }});
    const auto restore = qScopeGuard([&] {
        client.setProgress({});
        m_view.setDownloadEnabled(true);
    });

    QByteArray body;
    try {
        body = client.get(address);
    } catch (const HttpError &error) {
        m_dialogs.showMessage(QStringLiteral("网络出错:") + error.message());
        m_view.setMessagePanel(error.message());
        return;
    }
    SafeFile::write(m_programDir + QStringLiteral("rss.xml"), body);
    body = QByteArray();

    m_view.setMessagePanel(QStringLiteral("下载完成"));
    m_view.setProgressVisible(false);
    m_import(address);

    rememberAddress(address);
    SafeFile::write(m_programDir + QStringLiteral("rssurl.txt"), Codepage::encodeLines(m_view.addressList()));
}

void FeedDownload::rememberAddress(const QString &address)
{
    // The list keeps the feeds the user has fetched, the latest new one first.
    // A line break would split the address in rssurl.txt, so such a text is
    // not kept.
    if (address.contains(u'\r') || address.contains(u'\n'))
        return;
    if (!m_view.addressList().contains(address))
        m_view.insertAddress(0, address);
}
