// Serving whois answers from a thread of its own: whole chunks, or paced like a real link.
#include "BenchServer.h"

#include "Figures.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr int SegmentSize = 1460; // one Ethernet segment of payload

} // namespace

QByteArray whoisText(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 100);
    for (int i = 0; text.size() < size; ++i)
        text += "Registrant Street: " + QByteArray::number(1000 + i)
                + " Example Road, Springfield\r\n";
    text.truncate(size);
    return text;
}

BenchServer::BenchServer(QList<QByteArray> chunks, bool paced, QThread *thread)
    : m_chunks(std::move(chunks))
    , m_paced(paced)
{
    moveToThread(thread);
}

quint16 BenchServer::listen(const QHostAddress &address, quint16 port)
{
    quint16 bound = 0;
    QMetaObject::invokeMethod(
            this,
            [&] {
                auto *server = new QTcpServer(this);
                connect(server, &QTcpServer::newConnection, this, [this, server] {
                    while (QTcpSocket *socket = server->nextPendingConnection())
                        serve(socket);
                });
                if (server->listen(address, port))
                    bound = server->serverPort();
                else
                    delete server;
            },
            Qt::BlockingQueuedConnection);
    return bound;
}

void BenchServer::serve(QTcpSocket *socket)
{
    // On a real link a 1,460-byte write is a full segment; loopback's larger one would let
    // Nagle's algorithm hold it back.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine() || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        m_paced ? pace(socket) : send(socket, 0);
    });
}

void BenchServer::send(QTcpSocket *socket, int index)
{
    socket->write(m_chunks.at(index));
    socket->flush();
    lastChunkNs = nowNs();
    if (index + 1 == m_chunks.size())
        socket->disconnectFromHost();
    else
        QTimer::singleShot(gapMs.load(), socket, [=, this] { send(socket, index + 1); });
}

void BenchServer::pace(QTcpSocket *socket)
{
    auto sent = std::make_shared<qsizetype>(0);
    const auto next = [this, socket, sent] {
        const QByteArray &answer = m_chunks.first();
        if (socket->bytesToWrite() > 0)
            return;
        if (*sent == answer.size()) {
            socket->disconnectFromHost();
            return;
        }
        const qsizetype size = std::min<qsizetype>(SegmentSize, answer.size() - *sent);
        socket->write(answer.constData() + *sent, size);
        *sent += size;
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, next);
    next();
}
