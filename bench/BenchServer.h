// The whois servers every in-process row asks, on a thread of their own so that serving is free.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>

#include <atomic>

class QTcpSocket;
class QThread;

// Whois-like lines, cut to exactly `size` bytes.
QByteArray whoisText(qsizetype size);

// A whois server on a thread of its own, so that serving costs the client under test nothing.
// It answers each query line with its chunks, gapMs apart, then closes. A paced server cuts its
// one chunk into 1,460-byte writes and writes the next only once the last has gone out.
class BenchServer : public QObject
{
public:
    BenchServer(QList<QByteArray> chunks, bool paced, QThread *thread);

    quint16 listen(const QHostAddress &address, quint16 port = 0);

    std::atomic<int> gapMs = 0;
    std::atomic<qint64> lastChunkNs = 0; // when the last chunk of an answer went out

private:
    void serve(QTcpSocket *socket);
    void send(QTcpSocket *socket, int index);
    void pace(QTcpSocket *socket);

    const QList<QByteArray> m_chunks;
    const bool m_paced;
};
