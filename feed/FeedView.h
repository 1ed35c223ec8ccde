#pragma once
#include <QString>
#include <QStringList>

// What the feed import shows on the main window: the message panel, the
// caption of the frame around the address list, and the list's first page.
class FeedImportView {
public:
    virtual ~FeedImportView() = default;
    virtual void setMessagePanel(const QString &text) = 0;
    // A failure the user must learn of even when the import as a whole goes
    // on (a part of a sitemap index that could not be read): the message
    // panel, and the window's status log; the command line's standard error.
    virtual void reportProblem(const QString &line) { setMessagePanel(line); }
    virtual void setListCaption(const QString &caption) = 0;
    // The "首页" button: the first page of the address list for the site the
    // window has open (all sites when none).
    virtual void showFirstPage() = 0;
};

// What the feed download adds: the progress bar, the "获取Rss" button and the
// drop-down list of the address box.
class FeedDownloadView : public FeedImportView {
public:
    virtual void setProgressVisible(bool visible) = 0;
    // Minimum and maximum in bytes; a maximum of 0 shows the bar as busy.
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void setDownloadEnabled(bool enabled) = 0;
    virtual QStringList addressList() const = 0;
    virtual void insertAddress(int index, const QString &address) = 0;
};
