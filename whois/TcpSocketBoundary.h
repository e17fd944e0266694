#pragma once

#include "SocketBoundary.h"
#include "WireText.h"

#include <QAbstractSocket>
#include <QPointer>

class QTcpSocket;

// The real connection, over QTcpSocket. Each Connect uses a fresh socket, so nothing of a closed
// connection can reach the handlers of the next one.
class TcpSocketBoundary : public SocketBoundary
{
    Q_OBJECT

public:
    using SocketBoundary::SocketBoundary;
    ~TcpSocketBoundary() override;

    void Connect(const QString &host, quint16 port) override;
    void SendData(const QString &text) override;
    void GetData(QString &data) override;
    int State() const override;
    void Close() override;

    // Tests only: every connection goes to this port instead of the one asked for (0: off).
    static void setPortForTesting(quint16 port);

    static QString describeError(QAbstractSocket::SocketError error, const QString &fallback);

private:
    void readArrivedBytes();
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void deliver(const QString &text, qint64 byteCount);
    void report(std::function<void()> emitSignal);

    QPointer<QTcpSocket> m_socket;
    AnswerDecoder m_decoder;
    QString m_unread;
    quint64 m_generation = 0;
    bool m_insideConnect = false;
    bool m_peerClosed = false;
    bool m_failed = false;
};
