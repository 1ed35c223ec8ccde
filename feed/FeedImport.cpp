#include "feed/FeedImport.h"

#include "common/mrv_fun.h"
#include "feed/DocumentBytes.h"
#include "feed/FeedDiscovery.h"
#include "feed/FeedDocument.h"
#include "feed/FeedFormats.h"
#include "feed/Gzip.h"
#include "feed/RssItemFields.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/WebClient.h"
#include "platform/XmlText.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <QFile>
#include <QUrl>

#include <functional>
#include <memory>
#include <new>
#include <optional>

namespace {

const qint64 NoSite = -1;

QString quoted(const QString &value)
{
    return QLatin1Char('\'') + sqlEscape(value) + QLatin1Char('\'');
}

// The site and item statements of one import run in one transaction. For an
// RSS feed it commits on every way out, failures included: rows stored before a
// failure stay stored, as they would with a commit per statement. What it changes:
// a commit costs a flush to disk (about 20 ms here), so a feed of 1,000 new
// items took over 20 s and one of 100,000 items over half an hour; now the
// whole import pays it once. The rows of an import interrupted by a crash or
// power loss are lost together (the next import of the feed stores them
// again), and the file stays locked for writing while the import runs. Nothing
// in the import waits for events, so no other handler runs inside it, and the
// commit comes before any message box.
//
// The write lock is taken at the start: a transaction that first reads and
// then wants to write fails at once when another process writes meanwhile,
// whatever busy timeout the connection has (SQLite does not wait there, as two
// such waiters could wait for each other forever).
class ImportTransaction {
public:
    // What leaving without commit() does: an RSS feed keeps the rows written
    // before a failure (as it always did, row by row); the statements of one
    // list of addresses (an Atom or RSS 1.0 feed, one sitemap) are rolled back,
    // since such a list is read whole before anything is written and a store
    // failure halfway should leave nothing of it behind either.
    enum class OnFailure { KeepWritten, DiscardAll };

    ImportTransaction(TSQLiteDatabase &db, OnFailure onFailure) : m_db(db), m_onFailure(onFailure)
    {
        m_db.ExecSQL(QStringLiteral("Begin Immediate"));
    }
    ~ImportTransaction()
    {
        if (!m_open)
            return;
        try {
            m_db.ExecSQL(m_onFailure == OnFailure::KeepWritten ? QStringLiteral("Commit")
                                                              : QStringLiteral("Rollback"));
        } catch (const AppError &) {
            // The connection closes right after; SQLite then rolls back what
            // it could not end, and the import already reports a failure.
        }
    }
    void commit()
    {
        m_open = false;
        m_db.ExecSQL(QStringLiteral("Commit"));
    }

private:
    TSQLiteDatabase &m_db;
    OnFailure m_onFailure;
    bool m_open = true;
};

// The first `size` characters; a character outside the BMP is never split.
QString cut(const QString &text, int size)
{
    if (text.size() <= size)
        return text;
    return text.left(text.at(size - 1).isHighSurrogate() ? size - 1 : size);
}

// The rssid of the feed address's site row, made now when there is none. Run
// inside the import's write transaction: two processes importing one new feed
// at the same moment then make one row, not two.
QString siteRow(TSQLiteDatabase &db, const QString &address, const QString &name, const QString &url,
                const QString &now)
{
    const TSQLiteTable found
        = db.GetTable(QStringLiteral("Select rssid from mrv_orvik_rss where rssurl=") + quoted(address));
    if (found.Count() > 0)
        return found.AsString(QStringLiteral("rssid"));
    db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rss(rssurl,sitename,lastgettime,siteurl) values (")
               + quoted(address) + QLatin1Char(',') + quoted(name) + QLatin1Char(',') + quoted(now)
               + QLatin1Char(',') + quoted(url) + QLatin1Char(')'));
    return db.GetTable(QStringLiteral("Select max(rssid) as newrssid from mrv_orvik_rss"))
        .AsString(QStringLiteral("newrssid"));
}

} // namespace

// The site row that the lists of one import go to.
struct FeedImport::Site {
    QString address;     // as typed: the row's feed address
    qint64 existing;     // its id when the row was there before, NoSite otherwise
    QString name;        // for a new row
    QString url;         // for a new row
    QString rssid = {};  // once known
};

FeedImport::FeedImport(FeedImportView &view, Dialogs &dialogs, QString programDir,
                       QString placeholderUrl, QString databaseFile)
    : m_view(view), m_dialogs(dialogs), m_programDir(std::move(programDir)),
      m_placeholderUrl(std::move(placeholderUrl)), m_databaseFile(std::move(databaseFile))
{
}

QString FeedImport::skippedText() const
{
    if (m_skipped == 0)
        return {};
    return QStringLiteral("跳过") + QString::number(m_skipped) + QStringLiteral("条过长的地址");
}

bool FeedImport::tooLong(const QString &link)
{
    if (link.size() <= MaxAddress)
        return false;
    ++m_skipped;
    return true;
}

void FeedImport::ImportRss(const QString &address)
{
    m_skipped = 0;
    {
        // Opening the store and the site lookup are not caught: their errors go
        // to the error box and nothing else happens.
        TSQLiteDatabase db(m_databaseFile);
        qint64 existingSite = NoSite;
        const TSQLiteTable found = db.GetTable(
            QStringLiteral("Select rssid from mrv_orvik_rss where rssurl=") + quoted(address));
        if (found.Count() > 0)
            existingSite = found.AsInteger(QStringLiteral("rssid"));

        // Whatever was stored before a failure stays stored.
        try {
            QFile file(m_programDir + QStringLiteral("rss.xml"));
            if (!file.open(QIODevice::ReadOnly))
                throw AppError(file.errorString());
            Site site{address, existingSite, {}, {}};
            importDocument(db, site, file.readAll(), address, true);
        } catch (const Gzip::TooLarge &error) {
            // The panel says why, as the download says it of a body too large.
            m_view.setMessagePanel(error.message());
            m_dialogs.showMessage(QStringLiteral("无法获取！"));
        } catch (const AppError &) {
            m_dialogs.showMessage(QStringLiteral("无法获取！"));
        } catch (const std::bad_alloc &) {
            m_dialogs.showMessage(QStringLiteral("无法获取！"));
        }
    } // the store closes before the list reads it again
    if (m_skipped > 0)
        m_view.setMessagePanel(skippedText());
    m_view.showFirstPage();
}

WebClient &FeedImport::client()
{
    if (!m_client)
        throw AppError(QStringLiteral("No web client to fetch with"));
    return *m_client;
}

void FeedImport::importDocument(TSQLiteDatabase &db, Site &site, QByteArray bytes, const QString &documentAddress,
                                bool discover)
{
    using FeedFormats::Kind;
    if (DocumentBytes::headIsSitemap(bytes)) {
        sitemapSite(site);
        storeSitemap(db, site, bytes);
        return;
    }
    if (Gzip::isCompressed(bytes))
        bytes = Gzip::decompress(bytes, WebClient::DefaultMaxBodySize);

    QString text;
    Kind kind = Kind::Unreadable;
    try {
        text = DocumentBytes::text(bytes);
        kind = FeedFormats::recognise(text);
    } catch (const AppError &) {
        // Not readable as XML: a page, or a feed the RSS road refuses.
    }
    if (kind == Kind::Unreadable && FeedDiscovery::looksLikeHtml(bytes))
        kind = Kind::Html;

    const QUrl documentUrl(documentAddress.trimmed());
    switch (kind) {
    case Kind::Html: {
        if (!discover)
            throw AppError(QStringLiteral("A web page, not a list of addresses"));
        text.clear();
        try {
            QString found;
            QByteArray list = discoverList(bytes, documentAddress, found);
            bytes.clear();
            importDocument(db, site, std::move(list), found, false);
        } catch (const AppError &) {
            // The panel would go on showing the last request's progress.
            m_view.setMessagePanel(QStringLiteral("无法获取！"));
            throw;
        }
        return;
    }
    case Kind::Atom:
    case Kind::Rss1: {
        const FeedFormats::AddressList list =
            kind == Kind::Atom ? FeedFormats::readAtom(text, documentUrl) : FeedFormats::readRss1(text);
        if (list.siteName.isEmpty())
            throw AppError(QStringLiteral("The feed has no title"));
        site.name = cut(list.siteName, MaxSiteName);
        site.url = list.siteUrl;
        // An Atom feed needs no alternate link of its own; its site is then
        // the host it came from.
        if (site.url.isEmpty() && kind == Kind::Atom)
            site.url = FeedDiscovery::siteRoot(documentUrl);
        if (site.url.isEmpty())
            throw AppError(QStringLiteral("The feed has no link"));
        m_view.setListCaption(site.name);
        storeList(db, site, [&list](const EntrySink &sink) {
            for (const FeedFormats::Entry &entry : list.entries)
                sink(FeedFormats::Entry(entry));
            return list.children;
        });
        return;
    }
    case Kind::Sitemap:
    case Kind::SitemapIndex: {
        sitemapSite(site);
        if (kind == Kind::Sitemap) {
            bytes.clear();
            storeList(db, site, [&text](const EntrySink &sink) { return FeedFormats::readSitemap(text, sink); });
        } else {
            QStringList parts = FeedFormats::readSitemapIndex(text);
            text.clear();
            importIndex(db, site, std::move(parts));
        }
        return;
    }
    case Kind::Rss:
    case Kind::Other:
    case Kind::Unreadable:
        text.clear();
        readFeed(db, site, documentAddress, bytes);
        return;
    }
}

QByteArray FeedImport::discoverList(const QByteArray &page, const QString &pageAddress, QString &found)
{
    const QUrl base(pageAddress.trimmed());
    found = FeedDiscovery::feedLink(page, base);
    if (!found.isEmpty()) {
        m_view.setMessagePanel(QStringLiteral("找到订阅：") + found);
        return client().get(found);
    }
    const QUrl robots(FeedDiscovery::siteRoot(base, QStringLiteral("/robots.txt")));
    try {
        found = FeedDiscovery::robotsSitemap(client().get(robots.toString()), robots);
    } catch (const HttpError &) {
        // No robots.txt: try the usual place.
    }
    if (!found.isEmpty()) {
        m_view.setMessagePanel(QStringLiteral("找到站点地图：") + found);
        return client().get(found);
    }
    found = FeedDiscovery::siteRoot(base, QStringLiteral("/sitemap.xml"));
    m_view.setMessagePanel(QStringLiteral("找到站点地图：") + found);
    return client().get(found);
}

void FeedImport::importIndex(TSQLiteDatabase &db, Site &site, QStringList parts)
{
    if (parts.size() > MaxSitemapParts)
        parts.resize(MaxSitemapParts);
    if (parts.isEmpty())
        throw AppError(QStringLiteral("The sitemap index names no sitemap"));
    int read = 0;
    const int count = int(parts.size());
    for (int i = 0; i < count; ++i) {
        m_view.setMessagePanel(QStringLiteral("读取站点地图:%1/%2").arg(i + 1).arg(count));
        // Each part is fetched whole, then stored in a transaction of its own
        // as it is read; none stays open while the next one is fetched.
        QString why;
        try {
            QByteArray bytes = client().get(parts.at(i));
            if (DocumentBytes::headIsSitemap(bytes)) {
                storeSitemap(db, site, bytes);
                ++read;
                continue;
            }
            if (Gzip::isCompressed(bytes))
                bytes = Gzip::decompress(bytes, WebClient::DefaultMaxBodySize);
            const QString text = DocumentBytes::text(bytes);
            bytes.clear();
            if (FeedFormats::recognise(text) != FeedFormats::Kind::Sitemap)
                throw AppError(QStringLiteral("Not a sitemap"));
            storeList(db, site, [&text](const EntrySink &sink) { return FeedFormats::readSitemap(text, sink); });
            ++read;
        } catch (const AppError &error) {
            why = error.message();
        } catch (const std::bad_alloc &) {
            why = QStringLiteral("Out of memory");
        }
        if (!why.isEmpty())
            m_view.reportProblem(QStringLiteral("读取站点地图失败:") + parts.at(i) + QLatin1Char(' ') + why);
    }
    if (read == 0)
        throw AppError(QStringLiteral("No sitemap of the index could be read"));
}

void FeedImport::sitemapSite(Site &site)
{
    // A sitemap names no site: the typed address does.
    const QUrl typed(site.address.trimmed());
    if (typed.host().isEmpty())
        throw AppError(QStringLiteral("The address names no host"));
    site.name = cut(typed.host(), MaxSiteName);
    site.url = FeedDiscovery::siteRoot(typed);
    m_view.setListCaption(site.name);
}

void FeedImport::storeSitemap(TSQLiteDatabase &db, Site &site, const QByteArray &bytes)
{
    DocumentBytes source(bytes);
    FeedDocument::TextPieces pieces([&source] { return source.next(); });
    storeList(db, site, [&pieces](const EntrySink &sink) { return FeedFormats::readSitemap(pieces, sink); });
}

void FeedImport::storeList(TSQLiteDatabase &db, Site &site, const std::function<int(const EntrySink &)> &read)
{
    const QString now = NowTimestamp();
    ImportTransaction transaction(db, ImportTransaction::OnFailure::DiscardAll);
    const QString rssid = site.rssid.isEmpty() ? siteRow(db, site.address, site.name, site.url, now) : site.rssid;
    const QString placeholderTitle = QStringLiteral("没有标题");
    // One compiled lookup and one insert for the whole list; each entry is
    // stored as the reader hands it over, so a long sitemap is never held whole.
    TSQLiteStatement lookup(db, QStringLiteral("Select url from mrv_orvik_rssurl where url=?1"));
    TSQLiteStatement insert(db, QStringLiteral("Insert Into mrv_orvik_rssurl(title,url,rssid) values (?1,?2,?3)"));
    const int children = read([&](FeedFormats::Entry &&entry) {
        const QString title = entry.title.isEmpty() ? placeholderTitle : cut(entry.title, MaxTitle);
        const QString &link = entry.link.isEmpty() ? m_placeholderUrl : entry.link;
        if (tooLong(link))
            return;
        lookup.bind({link});
        if (lookup.next()) {
            lookup.bind({}); // ends the lookup before the next write
            return;
        }
        insert.bind({title, link, rssid});
        insert.exec();
    });
    // Nothing in the import lets events through, so the panel shows only the
    // last text wherever it comes; the sequence stays that of a read child by child.
    const int last = children - 1;
    for (int j = 0; j <= last; ++j)
        m_view.setMessagePanel(QStringLiteral("读取xml:%1/%2").arg(j).arg(last));
    transaction.commit();
    site.rssid = rssid;
}

void FeedImport::readFeed(TSQLiteDatabase &db, const Site &site, const QString &documentAddress,
                          const QByteArray &bytes)
{
    const QDomDocument document = FeedDocument::parse(bytes);
    const QDomElement channel = XmlText::child(document.documentElement(), QStringLiteral("channel"));
    if (channel.isNull())
        throw AppError(QStringLiteral("The feed has no channel"));

    // Walk the children by sibling: an index lookup in a long channel would
    // start from the first child every time.
    int count = 0;
    for (QDomNode n = channel.firstChild(); !n.isNull(); n = n.nextSibling())
        ++count;
    const int last = count - 1;

    const QString siteName = cut(XmlText::text(XmlText::child(channel, QStringLiteral("title"))), MaxSiteName);
    const QString siteUrl = XmlText::text(XmlText::child(channel, QStringLiteral("link")));
    if (siteName.isEmpty() || siteUrl.isEmpty())
        throw AppError(QStringLiteral("The channel has no title or no link"));
    m_view.setListCaption(siteName);
    // What relative item addresses resolve against when no xml:base says otherwise.
    const QUrl fallbackBase = QUrl(documentAddress.trimmed()).resolved(QUrl(siteUrl.trimmed()));

    const QString now = NowTimestamp();
    ImportTransaction transaction(db, ImportTransaction::OnFailure::KeepWritten);
    const QString rssid = siteRow(db, site.address, siteName, siteUrl, now);

    std::optional<QStringList> dcPrefixes; // read when first needed
    int j = 0;
    for (QDomNode n = channel.firstChild(); !n.isNull(); n = n.nextSibling(), ++j) {
        m_view.setMessagePanel(QStringLiteral("读取xml:%1/%2").arg(j).arg(last));
        if (!n.isElement() || n.nodeName() != QLatin1String("item"))
            continue;
        const QDomElement item = n.toElement();
        const QDomElement titleElement = XmlText::child(item, QStringLiteral("title"));
        // Feeds that title their items with Dublin Core only.
        if (titleElement.isNull() && !dcPrefixes)
            dcPrefixes = RssItemFields::dublinCorePrefixes(bytes);
        QString title = titleElement.isNull() ? RssItemFields::dcTitle(item, *dcPrefixes) : XmlText::text(titleElement);
        if (title.isEmpty())
            title = QStringLiteral("没有标题");
        title = cut(title, MaxTitle);
        const QDomElement linkElement = XmlText::child(item, QStringLiteral("link"));
        QString link = XmlText::text(linkElement);
        // A relative address could never be pinged, pushed or checked; an
        // absolute one is kept exactly as the feed wrote it.
        if (!link.trimmed().isEmpty() && !RssItemFields::hasScheme(link.trimmed()))
            link = RssItemFields::resolved(link.trimmed(), linkElement, fallbackBase);
        // Items without a link all fell on the one placeholder address, so
        // all but the first were lost as duplicates; a guid that is the
        // article's address says where it is.
        if (link.isEmpty())
            link = RssItemFields::permalinkGuid(item, fallbackBase);
        if (link.isEmpty())
            link = m_placeholderUrl;
        if (tooLong(link))
            continue;
        const TSQLiteTable stored =
            db.GetTable(QStringLiteral("Select url from mrv_orvik_rssurl where url=") + quoted(link));
        if (stored.Count() == 0) {
            db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rssurl(title,url,rssid) values (")
                       + quoted(title) + QLatin1Char(',') + quoted(link) + QLatin1Char(',') + quoted(rssid)
                       + QLatin1Char(')'));
        }
    }
    transaction.commit();
}
