#include "app/ui/TMainFrm.h"

#include "common/AppSettings.h"
#include "common/RunLock.h"
#include "feed/FeedDownload.h"
#include "feed/FeedImport.h"
#include "platform/ui/ShownAsIs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>

// Wiring of the feed handlers; the logic lives outside the window.

namespace {

// The feed client IdHTTPRss: it lives as long as the window, so its cookies
// gather over the run.
class FeedClient : public QObject {
    Q_OBJECT
public:
    explicit FeedClient(QObject *parent) : QObject(parent), client(std::make_shared<WebClient>())
    {
        setObjectName(QStringLiteral("IdHTTPRss"));
    }
    std::shared_ptr<WebClient> client;
};

// The main window's controls as the feed download and import see them.
class MainFeedView : public FeedDownloadView {
public:
    MainFeedView(TMainFrm *window, QComboBox *url, QPushButton *get, QGroupBox *frame, QProgressBar *bar)
        : m_window(window), m_url(url), m_get(get), m_frame(frame), m_bar(bar)
    {
    }

    void setMessagePanel(const QString &text) override { m_window->setMessagePanel(text); }
    void reportProblem(const QString &line) override
    {
        m_window->setMessagePanel(line);
        m_window->appendStatusLog(line);
    }
    // A site name is shown as it is: an "&" in it is no mnemonic.
    void setListCaption(const QString &caption) override { m_frame->setTitle(shownAsIs(caption)); }
    void showFirstPage() override
    {
        m_window->btnFirstClick();
        m_window->addNewSites();
    }
    void setProgressVisible(bool visible) override { m_bar->setVisible(visible); }
    void setProgressRange(int minimum, int maximum) override
    {
        // Maximum first, then minimum, as the download sets them.
        m_bar->setMaximum(maximum);
        m_bar->setMinimum(minimum);
    }
    void setProgressPosition(int position) override { m_bar->setValue(position); }
    void setDownloadEnabled(bool enabled) override { m_get->setEnabled(enabled); }
    QStringList addressList() const override
    {
        QStringList list;
        for (int i = 0; i < m_url->count(); ++i)
            list << m_url->itemText(i);
        return list;
    }
    void insertAddress(int index, const QString &address) override
    {
        // Adding an item must not replace what the user typed.
        const QString typed = m_url->currentText();
        m_url->insertItem(index, address);
        m_url->setEditText(typed);
    }

private:
    TMainFrm *m_window;
    QComboBox *m_url;
    QPushButton *m_get;
    QGroupBox *m_frame;
    QProgressBar *m_bar;
};

} // namespace

void TMainFrm::connectFeedHandlers()
{
    new FeedClient(this);
    connect(btnGetRss, &QPushButton::clicked, this, &TMainFrm::btnGetRssClick);
}

void TMainFrm::btnGetRssClick()
{
    guarded([this] {
        // wexly-cli may be fetching into the same rss.xml.
        RunLock lock(RunLock::Kind::Fetch, m_programDir);
        if (!lock.tryLock()) {
            setMessagePanel(RunLock::busyText(lock.kind()));
            appendStatusLog(RunLock::busyText(lock.kind()));
            return;
        }
        auto *holder = findChild<FeedClient *>(QString(), Qt::FindDirectChildrenOnly);
        // Held for the whole request, whatever happens to the window meanwhile.
        const std::shared_ptr<WebClient> client = holder->client;
        MainFeedView view(this, cbxUrl, btnGetRss, gbxRss, ProgressBar1);
        FeedImport import(view, *m_context.dialogs, m_programDir,
                          ServiceHosts::base(m_context.settings->hosts.product) + QLatin1Char('/'));
        // Parts of a sitemap index and what a home page points to come through the same client.
        import.setClient(client);
        FeedDownload download(view, *m_context.dialogs, m_programDir,
                              [&import](const QString &address) { import.ImportRss(address); });
        download.run(*client, cbxUrl->currentText());
    });
}

#include "TMainFrm_feed.moc"
