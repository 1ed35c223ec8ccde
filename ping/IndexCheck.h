#pragma once
#include "ping/PingRequest.h"
#include "platform/WebClient.h"

#include <QString>

class WebClient;
class TSQLiteDatabase;

// The user agent the index check leaves on the shared client.
extern const QString BrowserUserAgent;

// The answer to the search when the engine showed its own verification page.
extern const QString VerificationPageMessage;

// The engine showed its verification page instead of results: the search says
// nothing about the address. The batch check may wait and ask again.
class VerificationPageError : public HttpError {
public:
    VerificationPageError() : HttpError(VerificationPageMessage) {}
};

// The address without its first "http://" or "https://" (the scheme in any
// letter case), cut before the first "/"; a port stays part of the host.
// An address that is empty or only the scheme has no host part: AppError.
QString HostOfAddress(const QString &address);

// The address as the value of "wd": "%", "&", "#", "+", space, control
// characters and every non-ASCII character percent-encoded (UTF-8), every other
// character, "http://" and "/" included, as it is.
QString SearchQueryValue(const QString &address);

// Sets the browser user agent on the client and fetches
// base(searchHost) + "/s?wd=" + the address, decoded as UTF-8. HttpError when
// the exchange fails.
QString FetchSearchPage(WebClient &client, const QString &searchHost, const QString &address);

// Whether the page shows "<b>" + host part + "</b>" or "<em>" + host part +
// "</em>" (A to Z without regard to case) and none of the engine's notices that
// it has no such page; a notice wins over any highlight below it. A
// verification page instead of results is no answer: VerificationPageError.
// AppError when the address has no host part.
bool PageShowsHost(const QString &page, const QString &address);

// FetchSearchPage, then PageShowsHost.
bool CheckIndexed(WebClient &client, const QString &searchHost, const QString &address);

// The statement that records a check of address `id` at time `t`; the single
// row's has two spaces before "where".
QString CheckRecordStatement(RecordCaller caller, const QString &id, bool indexed, const QString &t);
// Records the check; an indexed answer also notes `t` as the time the address
// was first seen indexed unless it has such a time already, in the same
// transaction.
void RecordCheck(TSQLiteDatabase &db, RecordCaller caller, const QString &id, bool indexed,
                 const QString &t);
