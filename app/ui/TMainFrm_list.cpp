#include "app/ui/TMainFrm.h"

// Wiring of the list handlers; the logic lives outside the window.

void TMainFrm::connectListHandlers() {}

void TMainFrm::getdataClick() {}
void TMainFrm::btnFirstClick() {}
void TMainFrm::btnPrevClick() {}
void TMainFrm::btnNextClick() {}
void TMainFrm::btnGoClick() {}
void TMainFrm::btnEndClick() {}
void TMainFrm::TreeView1Change() {}
void TMainFrm::TreeView1DblClick() {}
void TMainFrm::MenuItem6Click() {}
void TMainFrm::MenuItem7Click() {}
