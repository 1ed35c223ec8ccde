#pragma once
#include <QString>

// Opens an address in the user's web browser.
void openInUserBrowser(const QString &address);
