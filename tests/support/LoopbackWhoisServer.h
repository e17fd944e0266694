#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A whois server on a loopback address: it reads one query line per connection and answers with
// canned chunks, then closes, keeps the connection open, resets it, or streams without end.
class LoopbackWhoisServer : public QObject
{
    Q_OBJECT

public:
    enum class Ending { Close, KeepOpen, Reset, Endless, Silent };

    explicit LoopbackWhoisServer(QObject *parent = nullptr);

    // Port 0 picks a free port.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }

    // The answer to every query. With a gap the chunks go out one by one, so that the client
    // most likely reads them separately; TCP may still merge or split them.
    void setAnswer(const QList<QByteArray> &chunks, Ending ending = Ending::Close, int gapMs = 0);

    QList<QByteArray> queries() const { return m_queries; }
    int connectionCount() const { return m_connectionCount; }
    // Connections the client has not closed yet.
    int openConnections() const;

signals:
    void queryReceived(const QByteArray &line);

private:
    void accept();
    void readQuery(QTcpSocket *socket);
    void sendChunk(QTcpSocket *socket, int index);
    void streamMore(QTcpSocket *socket);

    QTcpServer m_server;
    QList<QByteArray> m_chunks;
    Ending m_ending = Ending::Close;
    int m_gapMs = 0;
    QList<QByteArray> m_queries;
    int m_connectionCount = 0;
};
