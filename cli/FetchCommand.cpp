// The fetch subcommand: the window's "获取Rss" for each address in turn.
#include "common/AppSettings.h"
#include "common/RunLock.h"
#include "cli/Commands.h"
#include "cli/ConsoleFeedView.h"
#include "cli/ConsoleOutput.h"
#include "cli/Session.h"
#include "feed/FeedDownload.h"
#include "feed/FeedImport.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <vector>

namespace {

const QString DatabaseFile = QStringLiteral("database.db");

QStringList storedFeedAddresses()
{
    TSQLiteDatabase db(DatabaseFile);
    TSQLiteTable sites = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss"));
    const int rssurl = sites.FieldIndex(QStringLiteral("rssurl"));
    QStringList addresses;
    for (; !sites.Eof(); sites.Next())
        addresses << sites.FieldAsString(rssurl);
    return addresses;
}

// The site a feed address belongs to and how many addresses it holds.
struct SiteCount {
    QString rssid; // empty: the feed has no site yet
    QString name;
    qint64 addresses = 0;
};

SiteCount countSite(const QString &feedAddress)
{
    SiteCount count;
    TSQLiteDatabase db(DatabaseFile);
    const TSQLiteTable site = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss where rssurl='")
                                          + sqlEscape(feedAddress) + u'\'');
    if (site.Count() == 0)
        return count;
    count.rssid = site.AsString(QStringLiteral("rssid"));
    count.name = site.AsString(QStringLiteral("sitename"));
    count.addresses = db.GetTable(QStringLiteral("Select count(*) as c from mrv_orvik_rssurl where rssid=")
                                  + count.rssid)
                          .AsInteger(QStringLiteral("c"));
    return count;
}

// New addresses per site, in the order the sites were first fetched.
class Tally {
public:
    void add(const SiteCount &site, qint64 added)
    {
        for (Entry &entry : m_entries) {
            if (entry.rssid == site.rssid) {
                entry.added += added;
                return;
            }
        }
        m_entries.push_back({site.rssid, site.name, added});
    }
    void print(ConsoleOutput &out) const
    {
        for (const Entry &entry : m_entries)
            out.line(QStringLiteral("【") + entry.name + QStringLiteral("】新增") + QString::number(entry.added)
                     + QStringLiteral("条"));
    }

private:
    struct Entry {
        QString rssid;
        QString name;
        qint64 added;
    };
    std::vector<Entry> m_entries;
};

} // namespace

bool runFetch(Session &session, const QStringList &givenAddresses)
{
    // Every fetch writes and reads the one rss.xml of the program directory.
    RunLock lock(RunLock::Kind::Fetch, session.programDir);
    if (!lock.tryLock()) {
        session.out.error(RunLock::busyText(RunLock::Kind::Fetch));
        return false;
    }
    QStringList addresses = givenAddresses;
    if (addresses.isEmpty()
        && !session.runStep(QStringLiteral("fetch"), [&] { addresses = storedFeedAddresses(); }))
        return false;

    ConsoleFeedView view(session.out, session.programDir);
    view.setSession(&session);
    FeedImport import(view, session.dialogs, session.programDir,
                      ServiceHosts::base(session.settings.hosts.product) + u'/');
    // Parts of a sitemap index and what a home page points to come through the same client.
    import.setClient(session.sharedFeedClient());
    FeedDownload download(view, session.dialogs, session.programDir, [&](const QString &address) {
        import.ImportRss(address);
        // The window leaves it on the message panel, which a console does not keep.
        const QString skipped = import.skippedText();
        if (!skipped.isEmpty())
            session.out.line(skipped);
    });
    Tally tally;
    bool ok = true;
    for (int k = 0; k < addresses.size(); ++k) {
        const QString &address = addresses.at(k);
        // Each address is a press of "获取Rss": a failing one does not stop the others.
        ok = session.runStep(address, [&] {
                 view.setFeed(k, int(addresses.size()), address);
                 const SiteCount before = countSite(address);
                 download.run(session.feedClient(), address);
                 const SiteCount after = countSite(address);
                 if (!after.rssid.isEmpty())
                     tally.add(after, after.addresses - before.addresses);
             })
            && ok;
    }
    tally.print(session.out);
    return ok;
}
