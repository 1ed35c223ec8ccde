#include "app/ui/TMainFrm.h"

// Wiring of the feed handlers; the logic lives outside the window.

void TMainFrm::connectFeedHandlers() {}

void TMainFrm::btnGetRssClick() {}
