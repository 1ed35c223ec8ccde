#include "feed/FeedImport.h"

#include "app/mrv_fun.h"
#include "feed/FeedDocument.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/XmlText.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <new>

namespace {

const qint64 NoSite = -1;

QString quoted(const QString &value)
{
    return QLatin1Char('\'') + sqlEscape(value) + QLatin1Char('\'');
}

// The site and item statements of one import run in one transaction, which
// commits on every way out, failures included: rows stored before a failure
// stay stored, as they would with a commit per statement. What it changes:
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
    explicit ImportTransaction(TSQLiteDatabase &db) : m_db(db)
    {
        m_db.ExecSQL(QStringLiteral("Begin Immediate"));
    }
    ~ImportTransaction()
    {
        if (!m_open)
            return;
        try {
            m_db.ExecSQL(QStringLiteral("Commit"));
        } catch (const AppError &) {
            // The connection closes right after; SQLite then rolls back what
            // it could not commit, and the import already reports a failure.
        }
    }
    void commit()
    {
        m_open = false;
        m_db.ExecSQL(QStringLiteral("Commit"));
    }

private:
    TSQLiteDatabase &m_db;
    bool m_open = true;
};

} // namespace

FeedImport::FeedImport(FeedImportView &view, Dialogs &dialogs, QString programDir,
                       QString placeholderUrl, QString databaseFile)
    : m_view(view), m_dialogs(dialogs), m_programDir(std::move(programDir)),
      m_placeholderUrl(std::move(placeholderUrl)), m_databaseFile(std::move(databaseFile))
{
}

void FeedImport::ImportRss(const QString &address)
{
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
            readFeed(db, address, existingSite);
        } catch (const AppError &) {
            m_dialogs.showMessage(QStringLiteral("无法获取！"));
        } catch (const std::bad_alloc &) {
            m_dialogs.showMessage(QStringLiteral("无法获取！"));
        }
    } // the store closes before the list reads it again
    m_view.showFirstPage();
}

void FeedImport::readFeed(TSQLiteDatabase &db, const QString &address, qint64 existingSite)
{
    const QDomDocument document = FeedDocument::load(m_programDir + QStringLiteral("rss.xml"));
    const QDomElement channel = XmlText::child(document.documentElement(), QStringLiteral("channel"));
    if (channel.isNull())
        throw AppError(QStringLiteral("The feed has no channel"));

    // Walk the children by sibling: an index lookup in a long channel would
    // start from the first child every time.
    int count = 0;
    for (QDomNode n = channel.firstChild(); !n.isNull(); n = n.nextSibling())
        ++count;
    const int last = count - 1;

    const QString siteName = XmlText::text(XmlText::child(channel, QStringLiteral("title")));
    const QString siteUrl = XmlText::text(XmlText::child(channel, QStringLiteral("link")));
    if (siteName.isEmpty() || siteUrl.isEmpty())
        throw AppError(QStringLiteral("The channel has no title or no link"));
    m_view.setListCaption(siteName);

    const QString now = NowTimestamp();
    ImportTransaction transaction(db);
    QString rssid;
    if (existingSite == NoSite) {
        db.ExecSQL(QStringLiteral("Insert Into mrv_orvik_rss(rssurl,sitename,lastgettime,siteurl) values (")
                   + quoted(address) + QLatin1Char(',') + quoted(siteName) + QLatin1Char(',')
                   + quoted(now) + QLatin1Char(',') + quoted(siteUrl) + QLatin1Char(')'));
        rssid = db.GetTable(QStringLiteral("Select max(rssid) as newrssid from mrv_orvik_rss"))
                    .AsString(QStringLiteral("newrssid"));
    } else {
        rssid = QString::number(existingSite);
    }

    int j = 0;
    for (QDomNode n = channel.firstChild(); !n.isNull(); n = n.nextSibling(), ++j) {
        m_view.setMessagePanel(QStringLiteral("读取xml:%1/%2").arg(j).arg(last));
        if (!n.isElement() || n.nodeName() != QLatin1String("item"))
            continue;
        const QDomElement item = n.toElement();
        QString title = XmlText::text(XmlText::child(item, QStringLiteral("title")));
        if (title.isEmpty())
            title = QStringLiteral("没有标题");
        QString link = XmlText::text(XmlText::child(item, QStringLiteral("link")));
        if (link.isEmpty())
            link = m_placeholderUrl;
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
