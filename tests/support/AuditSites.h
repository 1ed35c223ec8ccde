#pragma once
// The store and pages the audit's tests walk: site 1 with a page that is fine
// and one that is gone, site 2 with one fine page; no robots.txt anywhere.
#include "ProgramFixture.h"
#include "TestHttpServer.h"

namespace AuditSites {

inline void fillStore(ProgramFixture &f, const TestHttpServer &server)
{
    f.createDatabase();
    f.exec("insert into mrv_orvik_rss(rssid,rssurl,sitename) values (1,'r1','甲'),(2,'r2','乙')");
    f.exec(QStringLiteral("insert into mrv_orvik_rssurl(dataid,rssid,url) values (1,1,'%1'),(2,1,'%2'),(3,2,'%3')")
               .arg(server.url("/ok1"), server.url("/gone"), server.url("/ok2")));
}

inline TestHttpServer::Response answer(const TestHttpServer::Request &request)
{
    if (request.target == "/gone" || request.target == "/robots.txt")
        return TestHttpServer::Response::status("HTTP/1.1 404 Not Found");
    return TestHttpServer::Response::ok("<html><head><title>t</title></head></html>");
}

} // namespace AuditSites
