#pragma once
#include "feed/FeedView.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class Dialogs;
class TSQLiteDatabase;
class WebClient;
namespace FeedFormats {
struct AddressList;
}

// Reads rss.xml into the link store: the feed's site when its address is new,
// and every item whose address is not stored yet under any site. Besides RSS
// it reads Atom, RSS 1.0, sitemaps and sitemap indexes (whose parts it
// fetches), gzip-compressed or not; given a site's home page it looks for the
// site's feed or sitemap and reads that.
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

    // The client for the requests the import makes itself (the parts of a
    // sitemap index, robots.txt and what a home page points to): the
    // download's, so that they share its cookies, limits and progress texts.
    // Without one the import makes no request: a home page and the parts of
    // an index then cannot be read.
    void setClient(std::shared_ptr<WebClient> client) { m_client = std::move(client); }

    // Parts of a sitemap index read at most.
    static constexpr int MaxSitemapParts = 1000;
    // Longer addresses are no addresses (the sitemap protocol's own bound):
    // such items are skipped. Longer titles and site names are cut.
    static constexpr int MaxAddress = 2048;
    static constexpr int MaxTitle = 1024;
    static constexpr int MaxSiteName = 256;

    // "跳过N条过长的地址" for the items the last import skipped, "" when none.
    // The import ends by showing it on the message panel.
    QString skippedText() const;

private:
    struct Site;
    void importDocument(TSQLiteDatabase &db, Site &site, QByteArray bytes, const QString &documentAddress,
                        bool discover);
    QByteArray discoverList(const QByteArray &page, const QString &pageAddress, QString &found);
    void importIndex(TSQLiteDatabase &db, Site &site, QStringList parts);
    void storeList(TSQLiteDatabase &db, Site &site, const FeedFormats::AddressList &list);
    void readFeed(TSQLiteDatabase &db, const Site &site, const QString &documentAddress, const QByteArray &document);
    bool tooLong(const QString &link);
    WebClient &client();

    FeedImportView &m_view;
    Dialogs &m_dialogs;
    QString m_programDir;
    QString m_placeholderUrl;
    QString m_databaseFile;
    std::shared_ptr<WebClient> m_client;
    int m_skipped = 0;
};
