#include "feed/FeedImport.h"

#include "common/mrv_fun.h"
#include "feed/FeedDiscovery.h"
#include "feed/FeedDocument.h"
#include "feed/FeedFormats.h"
#include "feed/Gzip.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/WebClient.h"
#include "platform/XmlLimits.h"
#include "platform/XmlText.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>

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

// The prefixes the document binds to Dublin Core. The tree is built without
// namespace processing, so it keeps neither namespaces nor their
// declarations; the declarations are ASCII and read from the bytes.
QStringList dublinCorePrefixes(const QByteArray &bytes)
{
    static const QRegularExpression declaration(QStringLiteral(
        "xmlns:([A-Za-z_][A-Za-z0-9_.-]*)\\s*=\\s*[\"']http://purl\\.org/dc/elements/1\\.1/[\"']"));
    QStringList prefixes;
    for (auto it = declaration.globalMatch(QString::fromLatin1(bytes)); it.hasNext();)
        prefixes << it.next().captured(1);
    return prefixes;
}

// The text of an item's dc:title, whatever prefix stands for Dublin Core; ""
// when there is none or it cannot be read.
QString dcTitle(const QDomElement &item, const QStringList &prefixes)
{
    for (QDomNode n = item.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (!n.isElement())
            continue;
        const QString name = n.nodeName();
        const qsizetype colon = name.indexOf(u':');
        if (colon <= 0 || QStringView(name).mid(colon + 1) != u"title" || !prefixes.contains(name.left(colon)))
            continue;
        try {
            return XmlText::text(n.toElement());
        } catch (const AppError &) {
            return {};
        }
    }
    return {};
}

// The first `size` characters; a character outside the BMP is never split.
QString cut(const QString &text, int size)
{
    if (text.size() <= size)
        return text;
    return text.left(text.at(size - 1).isHighSurrogate() ? size - 1 : size);
}

// Whether the reference starts with a scheme (RFC 3986): an absolute address.
bool hasScheme(QStringView text)
{
    const auto letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0 || !letter(text[0]))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = text[i];
        if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

// A reference resolved against the base in scope at `element`: `fallback`
// (the channel's link, else the document's address) with the xml:base of the
// element and of its ancestors applied, outermost first. "" when that gives
// no http(s) address.
QString resolved(const QString &reference, const QDomElement &element, const QUrl &fallback)
{
    QStringList bases;
    for (QDomNode n = element; n.isElement(); n = n.parentNode()) {
        const QString base = n.toElement().attribute(QStringLiteral("xml:base")).trimmed();
        if (!base.isEmpty())
            bases.prepend(base);
    }
    QUrl base = fallback;
    for (const QString &b : bases)
        base = base.resolved(QUrl(b));
    const QUrl url = base.resolved(QUrl(reference));
    const QString scheme = url.scheme().toLower();
    if ((scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return {};
    return url.toString();
}

// An item's guid when it is the article's address: an http(s) address that
// the feed does not mark as something else (isPermaLink="false"), or a
// relative one resolved like a link, when marked isPermaLink="true" or rooted
// at "/" (other bare guids are mostly ids, not paths). "" otherwise.
QString permalinkGuid(const QDomElement &item, const QUrl &fallback)
{
    const QDomElement guid = XmlText::child(item, QStringLiteral("guid"));
    const QString permaLink = guid.attribute(QStringLiteral("isPermaLink")).trimmed().toLower();
    if (guid.isNull() || permaLink == u"false")
        return {};
    QString text;
    try {
        text = XmlText::text(guid).trimmed();
    } catch (const AppError &) {
        return {};
    }
    if (text.isEmpty())
        return {};
    if (!hasScheme(text)) {
        if (permaLink != u"true" && !text.startsWith(u'/'))
            return {};
        return resolved(text, guid, fallback);
    }
    // Addresses with Chinese paths are common: no strict parsing, only the
    // scheme, a host and no blank inside.
    if (!text.startsWith(QLatin1StringView("http://"), Qt::CaseInsensitive)
        && !text.startsWith(QLatin1StringView("https://"), Qt::CaseInsensitive))
        return {};
    const QUrl url(text);
    if (!url.isValid() || url.host().isEmpty() || text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return {};
    return text;
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

// A document's text as the streaming readers take it.
QString documentText(const QByteArray &bytes)
{
    QString text = FeedDocument::translateHtmlEntities(FeedDocument::decode(bytes));
    // Even finding the root reads the document type, parameter entities and all.
    if (XmlLimits::expandsTooFar(text))
        throw AppError(XmlLimits::refusal(text));
    return text;
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
    if (Gzip::isCompressed(bytes))
        bytes = Gzip::decompress(bytes, WebClient::DefaultMaxBodySize);

    QString text;
    Kind kind = Kind::Unreadable;
    try {
        text = documentText(bytes);
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
        storeList(db, site, list);
        return;
    }
    case Kind::Sitemap:
    case Kind::SitemapIndex: {
        // A sitemap names no site: the typed address does.
        const QUrl typed(site.address.trimmed());
        if (typed.host().isEmpty())
            throw AppError(QStringLiteral("The address names no host"));
        site.name = cut(typed.host(), MaxSiteName);
        site.url = FeedDiscovery::siteRoot(typed);
        m_view.setListCaption(site.name);
        if (kind == Kind::Sitemap) {
            storeList(db, site, FeedFormats::readSitemap(text));
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
        // Each part is read whole before a row of it is written; no
        // transaction stays open while the next one is fetched.
        QString why;
        try {
            QByteArray bytes = client().get(parts.at(i));
            if (Gzip::isCompressed(bytes))
                bytes = Gzip::decompress(bytes, WebClient::DefaultMaxBodySize);
            const QString text = documentText(bytes);
            bytes.clear();
            if (FeedFormats::recognise(text) != FeedFormats::Kind::Sitemap)
                throw AppError(QStringLiteral("Not a sitemap"));
            storeList(db, site, FeedFormats::readSitemap(text));
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

void FeedImport::storeList(TSQLiteDatabase &db, Site &site, const FeedFormats::AddressList &list)
{
    const int last = list.children - 1;
    const QString now = NowTimestamp();
    ImportTransaction transaction(db, ImportTransaction::OnFailure::DiscardAll);
    const QString rssid = site.rssid.isEmpty() ? siteRow(db, site.address, site.name, site.url, now) : site.rssid;
    const QString placeholderTitle = QStringLiteral("没有标题");
    size_t next = 0;
    for (int j = 0; j <= last; ++j) {
        m_view.setMessagePanel(QStringLiteral("读取xml:%1/%2").arg(j).arg(last));
        if (next >= list.entries.size() || list.entries[next].child != j)
            continue;
        const FeedFormats::Entry &entry = list.entries[next++];
        const QString title = entry.title.isEmpty() ? placeholderTitle : cut(entry.title, MaxTitle);
        const QString &link = entry.link.isEmpty() ? m_placeholderUrl : entry.link;
        if (tooLong(link))
            continue;
        const TSQLiteTable stored =
            db.GetTable(QStringLiteral("Select url from mrv_orvik_rssurl where url=") + quoted(link));
        if (stored.Count() == 0) {
            db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rssurl(title,url,rssid) values (") + quoted(title)
                       + QLatin1Char(',') + quoted(link) + QLatin1Char(',') + quoted(rssid) + QLatin1Char(')'));
        }
    }
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
            dcPrefixes = dublinCorePrefixes(bytes);
        QString title = titleElement.isNull() ? dcTitle(item, *dcPrefixes) : XmlText::text(titleElement);
        if (title.isEmpty())
            title = QStringLiteral("没有标题");
        title = cut(title, MaxTitle);
        const QDomElement linkElement = XmlText::child(item, QStringLiteral("link"));
        QString link = XmlText::text(linkElement);
        // A relative address could never be pinged, pushed or checked; an
        // absolute one is kept exactly as the feed wrote it.
        if (!link.trimmed().isEmpty() && !hasScheme(link.trimmed()))
            link = resolved(link.trimmed(), linkElement, fallbackBase);
        // Items without a link all fell on the one placeholder address, so
        // all but the first were lost as duplicates; a guid that is the
        // article's address says where it is.
        if (link.isEmpty())
            link = permalinkGuid(item, fallbackBase);
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
