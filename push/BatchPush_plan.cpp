// The due addresses of a push: counted per site and channel when it starts,
// then read again request by request.
#include "push/BatchPush.h"

#include "platform/Delay.h"
#include "store/ExtendedTables.h"
#include "store/SQLiteDatabase.h"

namespace {

// Due addresses are read this many at a time.
constexpr int PlanPiece = 5000;

int requestsFor(size_t addresses, int limit)
{
    return int((addresses + size_t(limit) - 1) / size_t(limit));
}

} // namespace

std::vector<BatchPush::SitePlan> BatchPush::plan(TSQLiteDatabase &db, qint64 siteFilter, bool &unknownSite)
{
    ExtendedTables::ensure(db);
    std::vector<SitePlan> sites;
    {
        const QString where
            = siteFilter != 0 ? QStringLiteral(" where rssid=") + QString::number(siteFilter) : QString();
        TSQLiteTable table
            = db.GetTable(QStringLiteral("select rssid,sitename from mrv_orvik_rss") + where
                          + QStringLiteral(" order by rssid"));
        for (; !table.Eof(); table.Next())
            sites.push_back({table.FieldAsInteger(0), table.FieldAsString(1), {}, {}});
    }
    unknownSite = siteFilter != 0 && sites.empty();

    for (SitePlan &site : sites) {
        site.settings = PushSettings::load(db, site.rssid).value_or(PushSiteSettings());
        site.below = db.GetTable(QStringLiteral("select max(dataid) from mrv_orvik_rssurl")).FieldAsInteger(0) + 1;
        std::vector<PushChannel> channels;
        if (site.settings.baiduOn())
            channels.push_back(PushChannel::Baidu);
        if (site.settings.baiduDailyOn())
            channels.push_back(PushChannel::BaiduDaily);
        if (site.settings.indexNowOn())
            channels.push_back(PushChannel::IndexNow);
        const QString keyHost = IndexNowPush::hostOf(site.settings.indexNowKeyLocation);

        for (const PushChannel channel : channels) {
            ChannelPlan planned{channel, 0, 0, false};
            // Without a host every address would count as foreign and be
            // recorded so for good: the channel waits until the address is fixed.
            if (channel == PushChannel::IndexNow && keyHost.isEmpty()) {
                planned.noKeyHost = true;
                site.channels.push_back(planned);
                continue;
            }
            // Counted in pieces, newest first, with the events dispatched between
            // them: 100,000 addresses at once would hold the window for most of a second.
            qint64 below = site.below;
            for (;;) {
                qint64 rows = 0;
                if (channel == PushChannel::IndexNow) {
                    const std::vector<Address> piece = dueAddresses(db, site, channel, below, PlanPiece);
                    for (const Address &address : piece) {
                        // The service refuses a whole request that holds one address of another host.
                        if (IndexNowPush::hostOf(address.url) != keyHost)
                            ++planned.foreign;
                        else
                            ++planned.due;
                    }
                    rows = qint64(piece.size());
                    if (!piece.empty())
                        below = piece.back().dataid.toLongLong();
                } else {
                    // Only the number counts: read from the index, without the addresses.
                    const TSQLiteTable counted
                        = db.GetTable(QStringLiteral("select count(*),min(dataid) from (")
                                      + dueStatement(site, channel, below, PlanPiece, QStringLiteral("dataid"))
                                      + u')');
                    rows = counted.FieldAsInteger(0);
                    planned.due += rows;
                    below = counted.FieldAsInteger(1);
                }
                if (rows < PlanPiece)
                    break;
                dispatchPending();
            }
            m_summary.requestsPlanned += requestsFor(size_t(planned.due), channelBatchLimit(channel));
            site.channels.push_back(planned);
        }
    }
    return sites;
}

QString BatchPush::dueStatement(const SitePlan &site, PushChannel channel, qint64 below, int limit,
                                const QString &columns)
{
    return QStringLiteral("select ") + columns + QStringLiteral(" from mrv_orvik_rssurl a where rssid=")
        + QString::number(site.rssid) + QStringLiteral(" and dataid<") + QString::number(below)
        + QStringLiteral(" and not exists (select 1 from mrv_orvik_push p where p.dataid=a.dataid and p.channel='")
        + channelName(channel) + QStringLiteral("') order by dataid desc limit ") + QString::number(limit);
}

std::vector<BatchPush::Address> BatchPush::dueAddresses(TSQLiteDatabase &db, const SitePlan &site,
                                                         PushChannel channel, qint64 below, int limit)
{
    // Stepped straight into the list: no table of cells in between.
    TSQLiteStatement due(db, dueStatement(site, channel, below, limit, QStringLiteral("dataid,url")));
    std::vector<Address> addresses;
    addresses.reserve(size_t(limit));
    while (due.next())
        addresses.push_back({due.text(0), due.text(1)});
    return addresses;
}

void BatchPush::recordForeign(TSQLiteDatabase &db, const SitePlan &site, const ChannelPlan &channel)
{
    const QString keyHost = IndexNowPush::hostOf(site.settings.indexNowKeyLocation);
    qint64 below = site.below;
    for (;;) {
        const std::vector<Address> piece = dueAddresses(db, site, channel.channel, below, PlanPiece);
        std::vector<std::pair<QString, QString>> rows;
        for (const Address &address : piece) {
            if (IndexNowPush::hostOf(address.url) == keyHost)
                continue;
            rows.emplace_back(address.dataid, QStringLiteral("not_same_site"));
            append(address.url + QStringLiteral("----不是本站地址"));
        }
        record(db, channel.channel, rows);
        if (piece.size() < size_t(PlanPiece))
            return;
        below = piece.back().dataid.toLongLong();
    }
}
