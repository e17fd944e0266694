#pragma once

#include "LoopbackServer.h"
#include "TcpSocketBoundary.h"

#include <QTcpSocket>
#include <QTimer>

// A whois server on a loopback address: it reads one query line per connection and answers with
// canned chunks, then closes or keeps the connection open.
class LoopbackWhoisServer : public LoopbackServer<QTcpServer, QTcpSocket>
{
public:
    enum class Ending { Close, KeepOpen };

    // The answer to every query. With a gap the chunks go out one by one, so that the client
    // most likely reads them separately; TCP may still merge or split them.
    void setAnswer(const QList<QByteArray> &chunks, Ending ending = Ending::Close, int gapMs = 0)
    {
        m_chunks = chunks;
        m_ending = ending;
        m_gapMs = gapMs;
    }

    QList<QByteArray> queries() const { return m_queries; }

private:
    void read(QTcpSocket *socket) override
    {
        if (socket->property("answered").toBool() || !socket->canReadLine())
            return;
        socket->setProperty("answered", true);
        m_queries.append(socket->readLine());
        send(socket, 0);
    }

    void send(QTcpSocket *socket, int index)
    {
        // A loop, not a recursion: an answer may come in many tiny chunks.
        for (; index < m_chunks.size(); ++index) {
            socket->write(m_chunks.at(index));
            socket->flush();
            if (index + 1 < m_chunks.size() && m_gapMs > 0) {
                QTimer::singleShot(m_gapMs, socket, [=, this] { send(socket, index + 1); });
                return;
            }
        }
        if (m_ending == Ending::Close)
            socket->disconnectFromHost();
    }

    QList<QByteArray> m_chunks;
    Ending m_ending = Ending::Close;
    int m_gapMs = 0;
    QList<QByteArray> m_queries;
};

// Two whois servers on one port, `first` on 127.0.0.1 and `second` on 127.0.0.2, and every
// connection of the program sent to that port, whatever port it asks for. Nothing listens on
// 127.0.0.3, and no-such-host.invalid does not resolve.
struct TwoWhoisServers
{
    LoopbackWhoisServer first, second;

    TwoWhoisServers()
    {
        // Another program may hold the first one's port on 127.0.0.2; then both move to another.
        for (int attempt = 0; attempt < 20 && !second.port(); ++attempt) {
            first.close();
            first.listen(QHostAddress(QStringLiteral("127.0.0.1")));
            second.listen(QHostAddress(QStringLiteral("127.0.0.2")), first.port());
        }
        TcpSocketBoundary::setPortForTesting(first.port());
    }
    ~TwoWhoisServers() { TcpSocketBoundary::setPortForTesting(0); }
    bool listening() const { return first.port() && second.port() == first.port(); }
};
