// The export and stats subcommands: the window's CSV export and its
// statistics table, as text.
#include "cli/Commands.h"
#include "cli/ConsoleOutput.h"
#include "cli/Session.h"
#include "report/IndexStats.h"
#include "report/LinkExport.h"

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

} // namespace

bool runStats(Session &session)
{
    return session.runStep(QStringLiteral("stats"), [&] {
        const IndexStats::Table table = IndexStats::compute();
        QList<QStringList> rows{IndexStats::header()};
        rows += IndexStats::tableRows(table);
        std::vector<int> widths;
        for (QStringList &row : rows) {
            for (qsizetype c = 0; c < row.size(); ++c) {
                row[c] = cellText(row[c]);
                if (size_t(c) >= widths.size())
                    widths.push_back(0);
                widths[size_t(c)] = qMax(widths[size_t(c)], ConsoleOutput::displayWidth(row[c]));
            }
        }
        // The site names to the left, the figures to the right.
        for (const QStringList &row : rows) {
            QString line;
            for (qsizetype c = 0; c < row.size(); ++c) {
                if (c > 0)
                    line += QStringLiteral("  ");
                line += padded(row[c], widths[size_t(c)], c > 0);
            }
            session.out.line(line);
        }
    });
}
