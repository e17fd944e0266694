#include "LoopbackWhoisServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

// Closing with a zero linger time sends RST instead of FIN: the connection breaks mid-answer.
void resetConnection(QTcpSocket *socket)
{
    const linger abortive {1, 0};
    setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
               sizeof abortive);
    socket->abort();
}

} // namespace

LoopbackWhoisServer::LoopbackWhoisServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackWhoisServer::accept);
}

bool LoopbackWhoisServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void LoopbackWhoisServer::setAnswer(const QList<QByteArray> &chunks, Ending ending, int gapMs)
{
    m_chunks = chunks;
    m_ending = ending;
    m_gapMs = gapMs;
}

int LoopbackWhoisServer::openConnections() const
{
    int open = 0;
    for (const QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
        open += socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    return open;
}

void LoopbackWhoisServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connectionCount;
        socket->setParent(&m_server);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readQuery(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LoopbackWhoisServer::readQuery(QTcpSocket *socket)
{
    if (socket->property("answered").toBool() || !socket->canReadLine())
        return;
    socket->setProperty("answered", true);
    const QByteArray line = socket->readLine();
    m_queries.append(line);
    emit queryReceived(line);
    if (m_ending != Ending::Silent)
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
    switch (m_ending) {
    case Ending::Close:
        socket->disconnectFromHost();
        break;
    case Ending::Reset:
        resetConnection(socket);
        break;
    case Ending::Endless:
        connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { streamMore(socket); });
        streamMore(socket);
        break;
    case Ending::KeepOpen:
    case Ending::Silent:
        break;
    }
}

void LoopbackWhoisServer::streamMore(QTcpSocket *socket)
{
    // Keeps a little in flight only, so the stream goes as fast as the client reads.
    static const QByteArray line(
            "endless answer line, sent again and again by a broken server\r\n");
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 65536)
        socket->write(line);
}
