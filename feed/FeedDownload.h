#pragma once
#include "feed/FeedView.h"

#include <QString>
#include <functional>

class Dialogs;
class WebClient;

// The "获取Rss" button: fetches the feed address with one GET, shows the
// progress, saves the body as rss.xml, hands over to the import and keeps the
// used address in rssurl.txt.
class FeedDownload {
public:
    using Import = std::function<void(const QString &address)>;

    FeedDownload(FeedDownloadView &view, Dialogs &dialogs, QString programDir, Import import);

    // The address exactly as typed: only the blank test trims it. A failed
    // request shows "网络出错:" and its status text and changes no file. A
    // failure to write a file, and errors the import does not catch, throw.
    void run(WebClient &client, const QString &address);

    // The progress callbacks of the client, in bytes of the response body.
    void workBegin(qint64 expected);
    void work(qint64 received);
    void workEnd();

    // "已下载:50K字节,总共:100K字节,约50%"; "已下载:50K字节" when the size is unknown.
    static QString progressText(qint64 position, qint64 maximum);
    // Empty once leading and trailing blanks and control characters are cut.
    static bool isBlank(const QString &address);

private:
    void rememberAddress(const QString &address);

    FeedDownloadView &m_view;
    Dialogs &m_dialogs;
    QString m_programDir;
    Import m_import;
    int m_maximum = 0;
};
