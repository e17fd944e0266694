#pragma once

#include <QTcpServer>

#include <algorithm>

// A server on a loopback address: each connection's reads go to `read`, and the connections that
// the client has not closed yet are counted.
template<typename Server, typename Socket>
class LoopbackServer : public QObject
{
public:
    // Port 0 picks a free port.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0)
    {
        return m_server.listen(address, port);
    }
    quint16 port() const { return m_server.serverPort(); }
    void close() { m_server.close(); }
    int openConnections() const
    {
        const auto sockets = m_server.template findChildren<Socket *>();
        return int(std::ranges::count(sockets, QAbstractSocket::ConnectedState, &Socket::state));
    }

protected:
    LoopbackServer()
    {
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto *socket = qobject_cast<Socket *>(m_server.nextPendingConnection())) {
                socket->setParent(&m_server);
                connect(socket, &Socket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &Socket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    virtual void read(Socket *socket) = 0;

    Server m_server;
};
