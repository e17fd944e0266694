#include "LoopbackWhoisServer.h"

#include <QTcpSocket>
#include <QTimer>

LoopbackWhoisServer::LoopbackWhoisServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(&m_server);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readQuery(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

int LoopbackWhoisServer::openConnections() const
{
    const auto sockets = m_server.findChildren<QTcpSocket *>();
    return int(std::ranges::count(sockets, QAbstractSocket::ConnectedState, &QTcpSocket::state));
}

void LoopbackWhoisServer::readQuery(QTcpSocket *socket)
{
    if (socket->property("answered").toBool() || !socket->canReadLine())
        return;
    socket->setProperty("answered", true);
    m_queries.append(socket->readLine());
    sendChunk(socket, 0);
}

void LoopbackWhoisServer::sendChunk(QTcpSocket *socket, int index)
{
    // A loop, not a recursion: an answer may come in a hundred thousand tiny chunks.
    for (; index < m_chunks.size(); ++index) {
        socket->write(m_chunks.at(index));
        socket->flush();
        if (index + 1 < m_chunks.size() && m_gapMs > 0) {
            QTimer::singleShot(m_gapMs, socket,
                               [this, socket, index] { sendChunk(socket, index + 1); });
            return;
        }
    }
    if (m_ending == Ending::Close) {
        socket->disconnectFromHost();
    } else if (m_ending == Ending::Endless) {
        // Keeps a little in flight only, so the stream goes as fast as the client reads.
        const auto streamMore = [socket] {
            while (socket->state() == QAbstractSocket::ConnectedState
                   && socket->bytesToWrite() < 65536)
                socket->write("endless answer line, sent again and again by a broken server\r\n");
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, streamMore);
        streamMore();
    }
}
