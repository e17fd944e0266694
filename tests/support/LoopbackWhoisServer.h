#pragma once

#include <QHostAddress>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

// A whois server on a loopback address: it reads one query line per connection and answers with
// canned chunks, then closes, keeps the connection open, or streams without end.
class LoopbackWhoisServer : public QObject
{
    Q_OBJECT

public:
    enum class Ending { Close, KeepOpen, Endless };

    LoopbackWhoisServer();
    // Port 0 picks a free port.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0)
    {
        return m_server.listen(address, port);
    }
    quint16 port() const { return m_server.serverPort(); }

    // The answer to every query. With a gap the chunks go out one by one, so that the client
    // most likely reads them separately; TCP may still merge or split them.
    void setAnswer(const QList<QByteArray> &chunks, Ending ending = Ending::Close, int gapMs = 0)
    {
        m_chunks = chunks;
        m_ending = ending;
        m_gapMs = gapMs;
    }

    QList<QByteArray> queries() const { return m_queries; }
    // Connections the client has not closed yet.
    int openConnections() const;

private:
    void readQuery(QTcpSocket *socket);
    void sendChunk(QTcpSocket *socket, int index);

    QTcpServer m_server;
    QList<QByteArray> m_chunks;
    Ending m_ending = Ending::Close;
    int m_gapMs = 0;
    QList<QByteArray> m_queries;
};
