#pragma once
#include "ping/PingRequest.h"

#include <QString>

class SharedWebClient;
struct AppSettings;

// The ping and the index check as the batch runs and the single row use them:
// through the main window's shared client, to the hosts the settings name at
// the moment of the request. Each request holds the client it started with, so
// a replacement in between (the single row's fresh client) never pulls it away.
class PingServices {
public:
    PingServices(SharedWebClient &client, const AppSettings &settings);
    virtual ~PingServices() = default;

    virtual bool sendPing(const PingValues &values);
    // The search result page for the address.
    virtual QString fetchSearchPage(const QString &address);
    bool checkIndexed(const QString &address);
    // Puts a fresh default client in the shared client's place and closes the
    // old one's connection, at once unless a request is still waiting on it.
    void renewClient();

private:
    SharedWebClient &m_client;
    const AppSettings &m_settings;
};
