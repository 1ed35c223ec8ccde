#pragma once
#include "feed/FeedView.h"

#include <QString>
#include <QStringList>

class ConsoleOutput;
class Session;

// The feed download's view on the console: the status texts feed the progress
// line, and the address list is the one the window offers, read from
// rssurl.txt, so the download writes it back with the new addresses added.
class ConsoleFeedView : public FeedDownloadView {
public:
    ConsoleFeedView(ConsoleOutput &out, const QString &programDir);
    // Problems go to the session: standard error, and the fetch fails.
    void setSession(Session *session) { m_session = session; }

    // The feed in hand: its place among the feeds of this fetch and its address.
    void setFeed(int index, int count, const QString &address);

    void setMessagePanel(const QString &text) override;
    void reportProblem(const QString &line) override;
    void setListCaption(const QString &) override {}
    void showFirstPage() override {}
    void setProgressVisible(bool) override {}
    void setProgressRange(int, int) override {}
    void setProgressPosition(int) override {}
    void setDownloadEnabled(bool) override {}
    QStringList addressList() const override { return m_addresses; }
    void insertAddress(int index, const QString &address) override { m_addresses.insert(index, address); }

private:
    ConsoleOutput &m_out;
    Session *m_session = nullptr;
    QStringList m_addresses;
    int m_index = 0;
    int m_count = 0;
    QString m_address;
};
