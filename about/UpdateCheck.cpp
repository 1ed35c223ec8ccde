#include "about/UpdateCheck.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"

#include <QRegularExpression>

namespace {

[[noreturn]] void notAnInteger(const QString &text)
{
    throw EConvertError(QStringLiteral("''%1'' is not a valid integer value").arg(text));
}

QString withoutLeadingZeros(const QString &digits)
{
    qsizetype i = 0;
    while (i + 1 < digits.size() && digits.at(i) == u'0')
        ++i;
    return digits.mid(i);
}

QString trimmedBody(QString body)
{
    // A text file saved with a byte-order mark is still just the number.
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    return body.trimmed();
}

} // namespace

QStringList latestVersionFields(const QString &body)
{
    const QString text = trimmedBody(body);
    static const QRegularExpression form(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    if (!form.match(text).hasMatch())
        notAnInteger(QString(text).remove(u'.'));
    QStringList fields;
    for (const QString &field : text.split(u'.'))
        fields << withoutLeadingZeros(field);
    return fields;
}

QStringList runningVersionFields(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]+)\\.([0-9]+)\\.([0-9]+) build ([0-9]+)( \\([a-z -]+\\))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        notAnInteger(QString(text).remove(u'.').remove(QStringLiteral("build")).remove(u' '));
    QStringList fields;
    for (int i = 1; i <= 4; ++i)
        fields << withoutLeadingZeros(m.captured(i));
    return fields;
}

int compareVersionFields(const QStringList &a, const QStringList &b)
{
    const qsizetype n = qMax(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString x = i < a.size() ? a.at(i) : QStringLiteral("0");
        const QString y = i < b.size() ? b.at(i) : QStringLiteral("0");
        // Digit strings without leading zeros: the longer is the larger.
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        if (const int c = x.compare(y))
            return c < 0 ? -1 : 1;
    }
    return 0;
}

void runUpdateCheck(const UpdateCheckPorts &ports, const QString &updateUrl,
                    const QString &downloadPage)
{
    Dialogs &dialogs = *ports.dialogs;
    if (!ports.testOnline()) {
        dialogs.showMessage(QStringLiteral("您的电脑还没有连接到互联网！"));
        return;
    }
    const QString current = ports.currentVersion();
    QString latest;
    try {
        latest = trimmedBody(QString::fromUtf8(ports.get(updateUrl)));
    } catch (const AppError &) {
        dialogs.showMessage(QStringLiteral("连接更新服务器失败！"));
        return;
    }
    if (latest.isEmpty())
        return;
    const QStringList currentFields = runningVersionFields(current);
    const QStringList latestFields = latestVersionFields(latest);
    if (compareVersionFields(currentFields, latestFields) < 0) {
        if (dialogs.askYesNo(QStringLiteral("更新程序"),
                             QStringLiteral("检测到新版本") + latest + QStringLiteral(",是否现在更新?"))) {
            ports.openInBrowser(downloadPage);
            ports.endProgram();
        }
        return;
    }
    dialogs.showMessage(QStringLiteral("您目前安装的已经是最新版本，版本号是") + current
                        + QStringLiteral("！"));
}
