#pragma once
#include <QString>

// The paged address list: its statements and its one filler, BindList. The
// list shows 25 addresses a page, newest first, for all sites or for one site
// (the site filter, 0 for all).

// A search text (empty: no search) keeps the addresses whose title or address
// contains it.
namespace LinkStatements {
QString firstPage(qint64 rssid, int pageSize, const QString &search = {});
// Page k (counted from 1).
QString page(qint64 rssid, qint64 k, int pageSize, const QString &search = {});
// Completed by BindList once the page count is known.
QString lastPage(qint64 rssid, const QString &search = {});
// The count of one site carries a trailing blank; the site tree's double click
// passes it without.
QString count(qint64 rssid, bool trailingBlank = true, const QString &search = {});
// The search's condition on the table's title and url (columns prefixed with
// `alias` and ".", when given); empty for an empty search.
QString searchCondition(const QString &search, const QString &alias = {});
} // namespace LinkStatements

// One row of mrv_orvik_rssurl as the list shows it.
struct LinkRow {
    QString dataid;
    QString title;
    QString url;
    QString rssid;
    bool inBaidu = false;
    QString checktime;
    QString firsttime;
    QString lasttime;
};

// What BindList writes into: the list widget, its labels and paging buttons.
class LinkListView {
public:
    virtual ~LinkListView() = default;
    virtual void clearRows() = 0;
    virtual void addRow(const LinkRow &row) = 0;
    // The labels, the page box and the four paging buttons.
    virtual void showPosition(qint64 totalCount, qint64 currentPage, qint64 pageCount) = 0;
};

class LinkPager {
public:
    static constexpr int PageSize = 25;

    // Fills the view with the rows of Sqlstr; pindex -1 asks for the last page.
    // The view is emptied first; a store error leaves what was set so far.
    void BindList(const QString &Sqlstr, const QString &countsql, qint64 pindex, LinkListView &view);

    qint64 TotalCount = 0;
    qint64 PageCount = 0;
    qint64 CurrentPage = 0;
};
