#pragma once

#include "ArinReferral.h"
#include "QueryState.h"
#include "SocketBoundary.h"

#include <QObject>
#include <QTimer>

#include <memory>

class RdapExchange;
class ServerTable;
class WindowSurface;
struct RdapOutcome;

// One whois query at a time, from the typed text to the answer on screen: the primary
// conversation with the suffix's server and, for registries that refer, the second conversation
// with the registrar's server. A suffix listed with an RDAP service is asked over HTTPS instead,
// the registry and then, when it links one, the registrar. Everything reaches the user through
// the window surface.
class WhoisClient : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 WhoisPort = 43;
    // An answer longer than this is cut off: a server that never stops would otherwise fill
    // memory. Both answers of one query count together.
    static constexpr qsizetype MaxResultLength = 16 * 1024 * 1024;

    // Without a factory the connections are real TCP sockets.
    WhoisClient(WindowSurface &surface, const ServerTable &servers,
                const SocketFactory &socketFactory = {}, QObject *parent = nullptr);
    ~WhoisClient() override;

    // Ends whatever the previous query left running and starts the one typed in the input box.
    void StartQuery();
    // Drops both connections; the window calls it as it closes.
    void Form_Unload();

    const QueryState &queryState() const { return m_queryState; }
    SocketBoundary &mySock() const { return *m_mySock; }
    SocketBoundary &mySock2() const { return *m_mySock2; }
    QTimer &Timer1() { return m_timer1; }

    void mySock_Connect();
    void mySock_DataArrival();
    void mySock_Error(const QString &description);
    void mySock_Close();
    void Timer1_Timer();
    void mySock2_Connect();
    void mySock2_DataArrival();
    void mySock2_Error(const QString &description);
    void rdap_Finished(const RdapOutcome &outcome);

private:
    bool appendToResult(const QString &chunk);
    void closeConnections();
    void reportWhoisData();
    void reportNotFound();

    WindowSurface &m_surface;
    const ServerTable &m_servers;
    std::unique_ptr<SocketBoundary> m_mySock;
    std::unique_ptr<SocketBoundary> m_mySock2;
    QTimer m_timer1;
    QueryState m_queryState;
    qsizetype m_resultLength = 0;
    ArinReferral m_arinReferral;
    std::unique_ptr<RdapExchange> m_rdap; // made by the first RDAP query
    bool m_rdapRegistrar = false;         // the pending RDAP request is the registrar's
};
