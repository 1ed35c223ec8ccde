// The export, stats and sites subcommands: the window's CSV export, its
// statistics table and its site tree, as text.
#include "cli/Commands.h"
#include "cli/ConsoleOutput.h"
#include "cli/Session.h"
#include "report/IndexStats.h"
#include "report/LinkExport.h"
#include "store/SQLiteDatabase.h"

#include <QDir>
#include <vector>

bool runExport(Session &session, qint32 site, const QString &search, const QString &path,
               const QString &startDirectory)
{
    const QString target = QDir::cleanPath(QDir(startDirectory).absoluteFilePath(path));
    return session.runStep(QStringLiteral("export"), [&] {
        requireSite(site);
        const qint64 written = LinkExport::exportCsv(site, search, target, [&session](qint64 done, qint64 total) {
            session.out.showProgress(LinkExport::progressText(done, total));
        });
        session.out.endProgress();
        session.out.line(LinkExport::doneText(written));
    });
}

namespace {

// A cell on one line: a site name taken from a feed may hold line breaks or tabs.
QString cellText(const QString &text)
{
    QString cell = text;
    for (QChar &c : cell) {
        if (c.unicode() < u' ' || c == QChar(0x7f))
            c = u' ';
    }
    return cell;
}

QString padded(const QString &text, int columns, bool right)
{
    const QString fill(qMax(0, columns - ConsoleOutput::displayWidth(text)), u' ');
    return right ? fill + text : text + fill;
}

// Columns padded to their widest cell; the texts to the left, the numbers to
// the right.
void printTable(ConsoleOutput &out, QList<QStringList> rows, const QList<bool> &rightAligned)
{
    std::vector<int> widths;
    for (QStringList &row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            row[c] = cellText(row[c]);
            if (size_t(c) >= widths.size())
                widths.push_back(0);
            widths[size_t(c)] = qMax(widths[size_t(c)], ConsoleOutput::displayWidth(row[c]));
        }
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0)
                line += QStringLiteral("  ");
            line += padded(row[c], widths[size_t(c)], rightAligned.value(c));
        }
        // A left-aligned last column leaves no trailing blanks.
        while (line.endsWith(u' '))
            line.chop(1);
        out.line(line);
    }
}

} // namespace

bool runStats(Session &session)
{
    return session.runStep(QStringLiteral("stats"), [&] {
        const IndexStats::Table table = IndexStats::compute();
        // The site number first: the one that --site takes.
        QList<QStringList> rows{QStringList{QStringLiteral("编号")} + IndexStats::header()};
        const QList<QStringList> figures = IndexStats::tableRows(table);
        for (qsizetype r = 0; r < figures.size(); ++r) {
            const QString number = r < table.sites.size() ? QString::number(table.sites[r].rssid) : QString();
            rows << QStringList{number} + figures[r];
        }
        QList<bool> right(rows.first().size(), true);
        right[1] = false; // the site name
        printTable(session.out, rows, right);
    });
}

bool runSites(Session &session)
{
    return session.runStep(QStringLiteral("sites"), [&] {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        // The count reads the index on (rssid, dataid), one range per site.
        TSQLiteTable sites = db.GetTable(QStringLiteral(
            "select s.rssid,s.sitename,s.rssurl,"
            "(select count(*) from mrv_orvik_rssurl a where a.rssid=s.rssid) from mrv_orvik_rss s order by s.rssid"));
        QList<QStringList> rows{
            {QStringLiteral("编号"), QStringLiteral("站点"), QStringLiteral("Rss地址"), QStringLiteral("地址数")}};
        for (; !sites.Eof(); sites.Next()) {
            rows << QStringList{sites.FieldAsString(0), sites.FieldAsString(1), sites.FieldAsString(2),
                                sites.FieldAsString(3)};
        }
        printTable(session.out, rows, {true, false, false, true});
    });
}
