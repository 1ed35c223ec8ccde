#pragma once
#include "feed/FeedView.h"

#include <QString>

class Dialogs;
class TSQLiteDatabase;

// Reads rss.xml into the link store: the feed's site when its address is new,
// and every item whose address is not stored yet under any site.
class FeedImport {
public:
    // programDir: where rss.xml lies (with a trailing "/"). placeholderUrl:
    // the address stored for items without a link. The store is the file
    // databaseFile, opened for each import.
    FeedImport(FeedImportView &view, Dialogs &dialogs, QString programDir, QString placeholderUrl,
               QString databaseFile = QStringLiteral("database.db"));

    // A store that cannot be opened or a failing site lookup throws; any later
    // failure shows "无法获取！" once and keeps the rows written before it.
    // Either way, once the lookup has run, the list shows its first page again.
    void ImportRss(const QString &address);

private:
    void readFeed(TSQLiteDatabase &db, const QString &address, qint64 existingSite);

    FeedImportView &m_view;
    Dialogs &m_dialogs;
    QString m_programDir;
    QString m_placeholderUrl;
    QString m_databaseFile;
};
