#include "app/ui/TMainFrm.h"

// Wiring of the ping handlers; the logic lives outside the window.

void TMainFrm::connectPingHandlers() {}

void TMainFrm::btnPINGClick() {}
void TMainFrm::btnCheckInBaiduClick() {}
void TMainFrm::btnPauseClick() {}
void TMainFrm::GlobalDataDblClick() {}
