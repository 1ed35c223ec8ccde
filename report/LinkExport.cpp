#include "report/LinkExport.h"

#include "platform/Errors.h"
#include "store/ExtendedTables.h"
#include "store/LinkList.h"
#include "store/SQLiteDatabase.h"

#include <QSaveFile>

namespace LinkExport {

namespace {

QString whereClause(qint64 rssid, const QString &search)
{
    QStringList terms;
    if (rssid != 0)
        terms << QStringLiteral("a.rssid=") + QString::number(rssid);
    if (!search.isEmpty())
        terms << LinkStatements::searchCondition(search, QStringLiteral("a"));
    return terms.isEmpty() ? QString() : QStringLiteral(" where ") + terms.join(QStringLiteral(" and "));
}

// Every address, newest first, with the site's name and the earliest accepted push.
QString exportStatement(qint64 rssid, const QString &search)
{
    return QStringLiteral(
               "select a.dataid,a.title,a.url,b.sitename,a.isinbaidu,a.checktime,a.firsttime,a.lasttime,"
               "(select min(p.pushtime) from mrv_orvik_push p where p.dataid=a.dataid and p.result='ok')"
               " as pushtime from mrv_orvik_rssurl a left join mrv_orvik_rss b on b.rssid=a.rssid")
        + whereClause(rssid, search) + QStringLiteral(" order by a.dataid desc");
}

class CsvFile {
public:
    explicit CsvFile(const QString &path) : m_path(path), m_file(path)
    {
        if (!m_file.open(QIODevice::WriteOnly))
            fail();
        write(QByteArray("\xEF\xBB\xBF"));
    }

    void addLine(const QStringList &fields)
    {
        for (const QString &field : fields)
            addField(field);
        endLine();
    }
    void addField(const QString &value)
    {
        if (m_fieldsInLine++ > 0)
            m_line += QLatin1Char(',');
        appendField(m_line, value);
    }
    void endLine()
    {
        m_fieldsInLine = 0;
        m_line += QLatin1String("\r\n");
        if (m_line.size() > 256 * 1024)
            flushLines();
    }

    void commit()
    {
        flushLines();
        if (!m_file.commit())
            fail();
    }

private:
    void flushLines()
    {
        write(m_line.toUtf8());
        m_line.clear();
    }
    void write(const QByteArray &bytes)
    {
        if (m_file.write(bytes) != bytes.size())
            fail();
    }
    [[noreturn]] void fail()
    {
        const QString reason = m_file.errorString();
        m_file.cancelWriting();
        throw AppError(QStringLiteral("无法写入文件：") + m_path + QLatin1Char(' ') + reason);
    }

    QString m_path;
    QSaveFile m_file;
    QString m_line;
    int m_fieldsInLine = 0;
};

QString indexedText(const TSQLiteStatement &rows, int column)
{
    if (rows.isNull(column))
        return {};
    return rows.text(column) == QLatin1String("1") ? QStringLiteral("是") : QStringLiteral("否");
}

} // namespace

void appendField(QString &line, const QString &value)
{
    bool quote = false;
    for (QChar c : value) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        line += value;
        return;
    }
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    line += QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvField(const QString &value)
{
    QString field;
    appendField(field, value);
    return field;
}

QString progressText(qint64 written, qint64 total)
{
    return QStringLiteral("导出：") + QString::number(written) + QLatin1Char('/') + QString::number(total);
}

QString doneText(qint64 total)
{
    return QStringLiteral("导出完成：") + QString::number(total) + QStringLiteral("条");
}

QString defaultFileName(const QString &siteName, const QDate &day)
{
    QString name = siteName.trimmed().isEmpty() ? QStringLiteral("全部站点") : siteName.trimmed();
    for (QChar &c : name) {
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    return name + QLatin1Char('-') + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv");
}

QString siteName(qint64 rssid)
{
    if (rssid == 0)
        return {};
    TSQLiteDatabase db(QStringLiteral("database.db"));
    TSQLiteTable site = db.GetTable(QStringLiteral("select sitename from mrv_orvik_rss where rssid=")
                                    + QString::number(rssid));
    return site.Eof() ? QString() : site.FieldAsString(0);
}

qint64 exportCsv(qint64 rssid, const QString &search, const QString &path, const Progress &progress)
{
    qint64 total = 0;
    {
        TSQLiteDatabase db(QStringLiteral("database.db"));
        ExtendedTables::ensure(db);
        total = db.GetTable(QStringLiteral("select count(*) as c from mrv_orvik_rssurl a")
                            + whereClause(rssid, search))
                    .AsInteger(QStringLiteral("c"));
    }
    CsvFile file(path);
    file.addLine({QStringLiteral("编号"), QStringLiteral("标题"), QStringLiteral("地址"),
                  QStringLiteral("站点"), QStringLiteral("收录"), QStringLiteral("检测收录时间"),
                  QStringLiteral("首次PING时间"), QStringLiteral("最后PING时间"), QStringLiteral("推送时间")});
    // One statement from the first row to the last: the window lets only
    // painting run during the export, so holding the read lock meanwhile
    // keeps no other action out.
    TSQLiteDatabase db(QStringLiteral("database.db"));
    TSQLiteStatement rows(db, exportStatement(rssid, search));
    qint64 written = 0;
    while (rows.next()) {
        for (int column = 0; column < 9; ++column)
            file.addField(column == 4 ? indexedText(rows, column) : rows.text(column));
        file.endLine();
        ++written;
        if (progress && written % ExportStep == 0)
            progress(written, std::max(total, written));
    }
    file.commit();
    return written;
}

} // namespace LinkExport
