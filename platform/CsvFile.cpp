#include "platform/CsvFile.h"

#include "platform/ExportTarget.h"

namespace {
const QString &checked(const QString &path, const QString &programDir)
{
    ExportTarget::refuseOwnFile(path, programDir);
    return path;
}
} // namespace

CsvFile::CsvFile(const QString &path, const QString &programDir)
    : m_file(checked(path, programDir), ExportTarget::failureMessage)
{
    m_file.write(QByteArray("\xEF\xBB\xBF"));
}

void CsvFile::addLine(const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_lines += QLatin1Char(',');
        m_lines += field(fields.at(i));
    }
    m_lines += QLatin1String("\r\n");
    if (m_lines.size() > 256 * 1024)
        flushLines();
}

void CsvFile::commit()
{
    flushLines();
    m_file.commit();
}

void CsvFile::flushLines()
{
    m_file.write(m_lines.toUtf8());
    m_lines.clear();
}

QString CsvFile::guarded(const QString &value)
{
    if (value.isEmpty())
        return value;
    const QChar first = value.front();
    if (first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r')
        return QLatin1Char('\'') + value;
    return value;
}

QString CsvFile::field(const QString &value)
{
    const QString cell = guarded(value);
    bool quote = false;
    for (QChar c : cell) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    }
    if (!quote)
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
