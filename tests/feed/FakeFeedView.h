#pragma once
#include "feed/FeedView.h"

#include <QStringList>

// Records what the feed download and import show; the address list is a plain list.
class FakeFeedView : public FeedDownloadView {
public:
    QStringList panel;    // every message panel text, in order
    QStringList progress; // "visible 1", "range 0..100", "at 50", "enabled 0"
    QString caption = QStringLiteral("Rss地址列表");
    int firstPageShown = 0;
    QStringList addresses;

    void setMessagePanel(const QString &text) override { panel << text; }
    void setListCaption(const QString &text) override { caption = text; }
    void showFirstPage() override { ++firstPageShown; }
    void setProgressVisible(bool visible) override { progress << QStringLiteral("visible %1").arg(visible); }
    void setProgressRange(int minimum, int maximum) override
    {
        progress << QStringLiteral("range %1..%2").arg(minimum).arg(maximum);
    }
    void setProgressPosition(int position) override { progress << QStringLiteral("at %1").arg(position); }
    void setDownloadEnabled(bool enabled) override
    {
        progress << QStringLiteral("enabled %1").arg(enabled);
        downloadEnabled = enabled;
    }
    QStringList addressList() const override { return addresses; }
    void insertAddress(int index, const QString &address) override { addresses.insert(index, address); }

    bool downloadEnabled = true;
};
