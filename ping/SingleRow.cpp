#include "ping/SingleRow.h"

#include "common/mrv_fun.h"
#include "ping/IndexCheck.h"
#include "ping/PingServices.h"
#include "platform/Dialogs.h"
#include "store/SQLiteDatabase.h"
#include "store/SqlText.h"

#include <QDateTime>

void PingAndCheckRow(const ListRowTexts &row, PingServices &services, Dialogs &dialogs)
{
    const QDateTime now = QDateTime::currentDateTime();
    const bool pingDue = !WithinOneDay(row.lasttime, now);
    const bool checkDue = !WithinOneDay(row.checktime, now);
    // The id goes into the statements bare: it must be a number.
    const QString id = QString::number(StrToInt(row.dataid));

    if (pingDue) {
        PingValues values;
        {
            TSQLiteDatabase db(QStringLiteral("database.db"));
            const TSQLiteTable site = db.GetTable(QStringLiteral("Select * from mrv_orvik_rss where rssid='")
                                                  + sqlEscape(row.rssid) + u'\'');
            // Without a site row the ping goes out with empty site values.
            if (site.Count() > 0) {
                values.siteName = site.AsString(QStringLiteral("sitename"));
                values.siteUrl = site.AsString(QStringLiteral("siteurl"));
                values.rssUrl = site.AsString(QStringLiteral("rssurl"));
            }
        }
        values.url = row.url;
        if (services.sendPing(values))
            dialogs.showMessage(QStringLiteral("PING成功"));
        services.renewClient();
        // A rejected ping is recorded too.
        TSQLiteDatabase db(QStringLiteral("database.db"));
        RecordPing(db, RecordCaller::SingleRow, id, NowTimestamp());
    } else {
        dialogs.showMessage(QStringLiteral("一天之内已经PING成功，不重复PING了"));
    }

    if (checkDue) {
        const bool indexed = services.checkIndexed(row.url);
        dialogs.showMessage(indexed ? QStringLiteral("恭喜，此地址已经被百度收录")
                                    : QStringLiteral("很遗憾，此地址没有被百度收录"));
        services.renewClient();
        TSQLiteDatabase db(QStringLiteral("database.db"));
        RecordCheck(db, RecordCaller::SingleRow, id, indexed, NowTimestamp());
    } else {
        dialogs.showMessage(QStringLiteral("一天之内检测过收录，不重复检测了"));
    }
}
