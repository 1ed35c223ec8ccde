#pragma once
#include <QString>

// The site tree's two deletions. The site number is the node's data: the
// decimal digits of the site's rssid.
namespace SiteRemoval {
// Deletes the site's addresses, then the site itself.
void deleteSite(const QString &rssid);
// Deletes the site's addresses; the site stays.
void clearSite(const QString &rssid);
} // namespace SiteRemoval
