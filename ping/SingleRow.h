#pragma once
#include <QString>

class Dialogs;
class PingServices;

// The texts a row of the address list shows, as the single-row action reads them.
struct ListRowTexts {
    QString dataid;    // "编号"
    QString url;       // "地址"
    QString rssid;     // "rssid"
    QString checktime; // "检测收录时间"
    QString lasttime;  // "最后PING时间"
};

// Pings the row's address and then checks it, each unless done within the last
// day, answering with message boxes. Both decisions are taken from the row's
// texts before either action. After each request the shared client is
// replaced by a fresh one. The list itself is left as it is.
void PingAndCheckRow(const ListRowTexts &row, PingServices &services, Dialogs &dialogs);
