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

        // Every statement commits by itself, so whatever was stored before a
        // failure stays stored.
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
}
