#include "cli/Commands.h"

#include "cli/Session.h"

#include <algorithm>

namespace {

const CommandOption SiteOption{QStringLiteral("site"), QStringLiteral("ID"),
                               QStringLiteral("only the site with this number (0: all sites)"),
                               [](const QString &value) { parseSiteNumber(value); }};

std::vector<Command> makeTable()
{
    std::vector<Command> table;
    table.push_back({QStringLiteral("fetch"), QStringLiteral("[ADDRESS...]"),
                     QStringLiteral("download and import each feed address, or the feed of every stored site"),
                     {}, 0, -1,
                     [](Session &s, const Invocation &i) { return runFetch(s, i.arguments); }});
    table.push_back({QStringLiteral("ping"), QStringLiteral("[--site ID]"),
                     QStringLiteral("batch ping of the addresses not pinged within a day"),
                     {SiteOption}, 0, 0,
                     [](Session &s, const Invocation &i) { return runPing(s, siteOption(i)); }});
    table.push_back({QStringLiteral("check"), QStringLiteral("[--site ID]"),
                     QStringLiteral("batch index check of the addresses not checked within a day"),
                     {SiteOption}, 0, 0,
                     [](Session &s, const Invocation &i) { return runCheck(s, siteOption(i)); }});
    table.push_back({QStringLiteral("push"), QStringLiteral("[--site ID]"),
                     QStringLiteral("batch push of the addresses not yet pushed on each channel a site has set up"),
                     {SiteOption}, 0, 0,
                     [](Session &s, const Invocation &i) { return runPush(s, siteOption(i)); }});
    table.push_back({QStringLiteral("audit"), QStringLiteral("[--site ID]"),
                     QStringLiteral("index audit (robots.txt, status, redirects, noindex, canonical) of the "
                                    "addresses not audited within a day"),
                     {SiteOption}, 0, 0,
                     [](Session &s, const Invocation &i) { return runAudit(s, siteOption(i)); }});
    table.push_back({QStringLiteral("export"), QStringLiteral("[--site ID] [--search TEXT] FILE"),
                     QStringLiteral("write the addresses as a CSV file, newest first"),
                     {SiteOption,
                      {QStringLiteral("search"), QStringLiteral("TEXT"),
                       QStringLiteral("only addresses whose title or address contains TEXT"), {}}},
                     1, 1,
                     [](Session &s, const Invocation &i) {
                         return runExport(s, siteOption(i), i.option(QStringLiteral("search")), i.arguments.first(),
                                          i.startDirectory);
                     },
                     [](const QStringList &arguments) {
                         if (arguments.first().isEmpty())
                             throw UsageError(QStringLiteral("export: the file name is empty"));
                     }});
    table.push_back({QStringLiteral("sites"), QString(),
                     QStringLiteral("the stored sites: number, name, feed address and address count"),
                     {}, 0, 0,
                     [](Session &s, const Invocation &) { return runSites(s); }});
    table.push_back({QStringLiteral("stats"), QString(),
                     QStringLiteral("the indexing statistics per site, with a total row"),
                     {}, 0, 0,
                     [](Session &s, const Invocation &) { return runStats(s); }});
    table.push_back({QStringLiteral("daily"), QString(),
                     QStringLiteral("fetch every site, then push, ping and check what is due"),
                     {}, 0, 0,
                     [](Session &s, const Invocation &) { return runDaily(s); }});
    return table;
}

} // namespace

const std::vector<Command> &commandTable()
{
    static const std::vector<Command> table = makeTable();
    return table;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : commandTable()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

qint32 siteOption(const Invocation &invocation)
{
    return invocation.has(QStringLiteral("site")) ? parseSiteNumber(invocation.option(QStringLiteral("site"))) : 0;
}

qint32 parseSiteNumber(const QString &value)
{
    bool ok = false;
    const qint32 site = value.toInt(&ok);
    // Digits only: "+3", " 3" and "0x3" are not how a site number is written.
    const bool digits = !value.isEmpty()
        && std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!ok || !digits)
        throw UsageError(QStringLiteral("--site: not a site number: ") + value);
    return site;
}

bool runDaily(Session &session)
{
    // In this order; a step that fails is reported and the next one still runs.
    const std::function<bool()> steps[] = {
        [&] { return runFetch(session, {}); },
        [&] { return runPush(session, 0); },
        [&] { return runPing(session, 0); },
        [&] { return runCheck(session, 0); },
    };
    bool ok = true;
    for (const auto &step : steps)
        ok = step() && ok;
    return ok;
}
