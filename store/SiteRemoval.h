#pragma once
#include <QString>

// The site tree's two deletions. The site number is the node's data: the
// decimal digits of the site's rssid.
namespace SiteRemoval {
// Deletes the site's addresses with their push, indexed and audit rows, then the
// site itself with its push settings.
void deleteSite(const QString &rssid);
// Deletes the site's addresses with their push, indexed and audit rows; the site
// and its push settings stay.
void clearSite(const QString &rssid);
} // namespace SiteRemoval
