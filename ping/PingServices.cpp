#include "ping/PingServices.h"

#include "common/AppSettings.h"
#include "ping/IndexCheck.h"
#include "platform/WebClient.h"

PingServices::PingServices(SharedWebClient &client, const AppSettings &settings)
    : m_client(client), m_settings(settings)
{
}

bool PingServices::sendPing(const PingValues &values)
{
    const std::shared_ptr<WebClient> client = m_client.current();
    return SendPing(*client, m_settings.hosts.ping, values);
}

QString PingServices::fetchSearchPage(const QString &address)
{
    const std::shared_ptr<WebClient> client = m_client.current();
    return FetchSearchPage(*client, m_settings.hosts.baidu, address);
}

bool PingServices::checkIndexed(const QString &address)
{
    return PageShowsHost(fetchSearchPage(address), address);
}

void PingServices::renewClient()
{
    // A batch request still waiting on the old client keeps it, and its
    // connection closes once that request is done.
    const std::shared_ptr<WebClient> old = m_client.current();
    m_client.replace();
    old->closeConnection();
}
