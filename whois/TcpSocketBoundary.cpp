#include "TcpSocketBoundary.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
quint16 s_portForTesting = 0;
}

TcpSocketBoundary::~TcpSocketBoundary()
{
    Close();
}

void TcpSocketBoundary::setPortForTesting(quint16 port)
{
    s_portForTesting = port;
}

QString TcpSocketBoundary::describeError(QAbstractSocket::SocketError error,
                                         const QString &fallback)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        // The exchange recognises exactly this text and names the server instead.
        return QStringLiteral("Authoritative answer: Host not found");
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Connection refused");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Connection timed out");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("Permission denied");
    default:
        return fallback.isEmpty() ? QStringLiteral("Network error") : fallback;
    }
}

void TcpSocketBoundary::Connect(const QString &host, quint16 port)
{
    Close();
    auto *socket = new QTcpSocket(this);
    // Each read goes through the decoder and the answer box in copies of its own; bounded reads
    // keep those copies small when a long answer arrives faster than the window takes it.
    socket->setReadBufferSize(64 * 1024);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, &TcpSocketBoundary::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, &TcpSocketBoundary::readArrivedBytes);
    connect(socket, &QTcpSocket::errorOccurred, this, &TcpSocketBoundary::onError);
    connect(socket, &QTcpSocket::disconnected, this, &TcpSocketBoundary::onDisconnected);

    // Whatever is found out while Connect is still running is passed on later, so that the caller
    // has finished its own steps before any outcome reaches it.
    m_insideConnect = true;
    if (host.isEmpty())
        onError(QAbstractSocket::HostNotFoundError);
    else
        socket->connectToHost(host, s_portForTesting ? s_portForTesting : port);
    m_insideConnect = false;
}

void TcpSocketBoundary::SendData(const QString &text)
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(encodeQueryLine(text));
}

void TcpSocketBoundary::GetData(QString &data)
{
    data = std::move(m_unread);
    m_unread.clear();
}

int TcpSocketBoundary::State() const
{
    if (!m_socket)
        return sckClosed;
    if (m_failed)
        return sckError;
    if (m_peerClosed)
        return m_unread.isEmpty() ? sckClosing : sckConnected;
    switch (m_socket->state()) {
    case QAbstractSocket::HostLookupState:
        return sckResolvingHost;
    case QAbstractSocket::ConnectingState:
        return sckConnecting;
    case QAbstractSocket::ConnectedState:
        return sckConnected;
    case QAbstractSocket::ClosingState:
        return sckClosing;
    default:
        return sckClosed;
    }
}

void TcpSocketBoundary::Close()
{
    ++m_generation;
    if (m_socket) {
        QTcpSocket *socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_unread.clear();
    m_decoder.reset();
    m_peerClosed = false;
    m_failed = false;
}

void TcpSocketBoundary::report(std::function<void()> emitSignal)
{
    if (!m_insideConnect) {
        emitSignal();
        return;
    }
    QTimer::singleShot(0, this, [this, generation = m_generation, emitSignal] {
        if (generation == m_generation)
            emitSignal();
    });
}

void TcpSocketBoundary::onConnected()
{
    report([this] { emit connected(); });
}

void TcpSocketBoundary::readArrivedBytes()
{
    if (!m_socket)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (!bytes.isEmpty())
        deliver(m_decoder.decode(bytes), bytes.size());
}

void TcpSocketBoundary::deliver(const QString &text, qint64 byteCount)
{
    if (text.isEmpty())
        return;
    m_unread += text;
    emit dataArrived(byteCount);
}

void TcpSocketBoundary::onDisconnected()
{
    if (!m_socket)
        return;
    // Whois servers close the connection after every answer: an orderly end, not a failure. What
    // is still buffered, and a character left unfinished by the last read, is delivered first.
    const QByteArray bytes = m_socket->readAll();
    m_peerClosed = true;
    const QString rest = m_decoder.decode(bytes) + m_decoder.flush();
    const quint64 generation = m_generation;
    deliver(rest, bytes.size());
    // Unless reading that rest has ended the connection from this side.
    if (generation == m_generation)
        emit closedByPeer();
}

void TcpSocketBoundary::onError(QAbstractSocket::SocketError error)
{
    if (!m_socket || error == QAbstractSocket::RemoteHostClosedError)
        return;
    const QString description = describeError(error, m_socket->errorString());
    m_failed = true;
    report([this, description] { emit errorOccurred(description); });
}
