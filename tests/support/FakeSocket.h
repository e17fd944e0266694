#pragma once

#include "SocketBoundary.h"

#include <QStringList>

// A connection whose every event the test drives by hand, with exact chunk boundaries.
class FakeSocket : public SocketBoundary
{
    Q_OBJECT

public:
    void Connect(const QString &host, quint16 port) override;
    void SendData(const QString &text) override;
    void GetData(QString &data) override;
    int State() const override { return m_state; }
    void Close() override;

    // Test side: the server accepts, sends one chunk, fails, or the state is forced.
    void simulateConnected();
    void feed(const QString &chunk);
    void simulateError(const QString &description);
    void setState(int state) { m_state = state; }

    QString connectedHost() const { return m_host; }
    quint16 connectedPort() const { return m_port; }
    int connectCount() const { return m_connectCount; }
    int closeCount() const { return m_closeCount; }
    QString writtenText() const { return m_written; }
    QString unreadText() const { return m_unread; }

private:
    int m_state = sckClosed;
    QString m_host;
    quint16 m_port = 0;
    int m_connectCount = 0;
    int m_closeCount = 0;
    QString m_written;
    QString m_unread;
};

// Hands out FakeSockets and remembers them in creation order: [0] is mySock, [1] mySock2.
struct FakeSocketFactory
{
    QList<FakeSocket *> created;
    SocketFactory factory()
    {
        return [this] {
            auto socket = std::make_unique<FakeSocket>();
            created.append(socket.get());
            return std::unique_ptr<SocketBoundary>(std::move(socket));
        };
    }
};
