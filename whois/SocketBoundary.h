#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One TCP connection as the query logic sees it. Every operation returns at once; outcomes come
// back later, through the event loop, as the signals below.
class SocketBoundary : public QObject
{
    Q_OBJECT

public:
    // Values of State().
    enum : int {
        sckClosed = 0,
        sckResolvingHost = 4,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    using QObject::QObject;
    ~SocketBoundary() override;

    // Starts connecting; the outcome is a connected() or an errorOccurred() signal, never both.
    virtual void Connect(const QString &host, quint16 port) = 0;
    // Sends one line of text on the open connection.
    virtual void SendData(const QString &text) = 0;
    // Hands over all the text that has arrived and was not read before.
    virtual void GetData(QString &data) = 0;
    // sckConnected while the connection is open or still holds unread text.
    virtual int State() const = 0;
    // Drops the connection in any state; nothing of it reaches the signals afterwards.
    virtual void Close() = 0;

signals:
    void connected();
    void dataArrived(qint64 bytesTotal);
    // The server ended the connection after everything it sent had arrived.
    void closedByPeer();
    void errorOccurred(const QString &description);
};

using SocketFactory = std::function<std::unique_ptr<SocketBoundary>()>;
