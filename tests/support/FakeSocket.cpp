#include "FakeSocket.h"

void FakeSocket::Connect(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
    ++m_connectCount;
    m_state = sckConnecting;
}

void FakeSocket::SendData(const QString &text)
{
    m_written += text;
}

void FakeSocket::GetData(QString &data)
{
    data = m_unread;
    m_unread.clear();
}

void FakeSocket::Close()
{
    ++m_closeCount;
    m_state = sckClosed;
    m_unread.clear();
}

void FakeSocket::simulateConnected()
{
    m_state = sckConnected;
    emit connected();
}

void FakeSocket::feed(const QString &chunk)
{
    m_unread += chunk;
    emit dataArrived(chunk.size());
}

void FakeSocket::simulateError(const QString &description)
{
    m_state = sckError;
    emit errorOccurred(description);
}
