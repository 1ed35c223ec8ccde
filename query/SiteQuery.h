#pragma once
#include <QList>
#include <QString>
#include <functional>

class Dialogs;
struct ServiceHosts;

// How a value cut out of a page is cleaned before it goes into its box.
enum class ValueCleaning {
    None,
    // Every "<span class="red">" and every "</span>" removed; nothing trimmed.
    RemoveRedSpans,
    // Blanks and control characters (codes up to 32) trimmed at both ends.
    Trim,
};

// One figure of a lookup: the markers it is cut between, its cleaning, and
// the object name of the box it is written into.
struct SiteValue {
    QString begin;
    QString end;
    ValueCleaning cleaning = ValueCleaning::None;
    QString box;
};

// One request of the query. The page must hold the begin marker of the first
// value (letters A to Z compared without case) before any box is written.
struct SiteLookup {
    QString address;
    QList<SiteValue> values;
    const QString &guard() const { return values.first().begin; }
};

// The eight lookups for a domain, in the order they are made. The domain goes
// into the addresses as typed, percent-encoded where it would change their
// meaning, and into the Aizhan keyword marker exactly as typed.
QList<SiteLookup> siteLookups(const ServiceHosts &hosts, const QString &domain);

QString cleanValue(const QString &value, ValueCleaning cleaning);

// The user agent every request of a site query carries.
extern const char SiteQueryUserAgent[];

// Looks up the eight figures of one domain with a web client of its own that
// lives for this run only. Each page is decoded as UTF-8 whatever it declares.
// A box is written only when its lookup's page passes the guard, and is never
// cleared. A conversion failure abandons its lookup with a message box (the
// address followed by "出错") and the query goes on; any other failure (no
// connection, an error status, a redirect) ends the query with that error.
class SiteQuery {
public:
    using WriteBox = std::function<void(const QString &box, const QString &value)>;

    SiteQuery(Dialogs &dialogs, WriteBox writeBox);
    void run(const QList<SiteLookup> &lookups);

    // Cuts the values of one page; the boxes are written only when it passes the guard.
    void showPage(const SiteLookup &lookup, const QString &page);

private:
    Dialogs &m_dialogs;
    WriteBox m_writeBox;
};
