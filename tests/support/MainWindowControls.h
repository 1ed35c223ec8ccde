#pragma once

// The object names of the main window's controls (menu commands aside).
inline constexpr const char *MainWindowControls[] = {
    "MainMenu1", "PageControl1", "PCGetUrl", "PCStatus", "PanelLeft", "PanelSwitch", "TreeView1",
    "cbxUrl", "btnHelpRss", "btnGetRss", "WebBrowser1", "gbxRss", "lblRssid", "ProgressBar1",
    "GlobalData", "btnPING", "spbtnPing", "btnCheckInBaidu", "spbtnInBaidu", "getdata",
    "lblTotalCount", "lblPageIndex", "btnFirst", "btnPrev", "btnNext", "btnEnd", "EditPageIndex",
    "btnGo", "Memo1", "btnPause", "StatusBarMain", "PopupMenuTask", "btnPush", "spbtnPush"};
