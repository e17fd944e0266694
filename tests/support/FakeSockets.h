#pragma once

#include "RecordingSurface.h"
#include "ServerTable.h"
#include "WhoisClient.h"

#include <QtTest>

#include <utility>

// A connection whose every event the test drives by hand: only it controls where one chunk ends
// and the next begins.
class FakeSocket : public SocketBoundary
{
public:
    QString host, written, unread;
    quint16 port = 0;
    int state = sckClosed, closes = 0;

    void Connect(const QString &toHost, quint16 toPort) override
    {
        host = toHost;
        port = toPort;
        state = sckConnecting;
    }
    void SendData(const QString &text) override { written += text; }
    void GetData(QString &data) override { data = std::exchange(unread, QString()); }
    int State() const override { return state; }
    void Close() override
    {
        ++closes;
        state = sckClosed;
        unread.clear();
    }
    void accept()
    {
        state = sckConnected;
        emit connected();
    }
    void end()
    {
        state = sckClosing;
        emit closedByPeer();
    }
    void feed(const QString &chunk)
    {
        unread += chunk;
        emit dataArrived(chunk.size());
    }
};

// A client on fake sockets, with ARIN's host listed for jp so the query-line rules compete.
struct FakeRig : RecordingSurface
{
    ServerTable servers;
    QList<FakeSocket *> sockets; // mySock, then mySock2
    WhoisClient client {*this, servers, [this] {
                            sockets.append(new FakeSocket);
                            return std::unique_ptr<SocketBoundary>(sockets.last());
                        }};

    FakeRig()
    {
        servers.LoadServers(QByteArray("com,registry.test\norg,org.test\njp,whois.arin.net\n"
                                       "co.jp,whois.arin.net\nup,WHOIS.ARIN.NET\n"));
    }

    FakeSocket &mySock() const { return *sockets.at(0); }
    FakeSocket &mySock2() const { return *sockets.at(1); }
    // StartQuery closes each connection once; one more Close each means the query was ended.
    QList<int> closes() const { return {mySock().closes, mySock2().closes}; }

    void start(const QString &query, const QStringList &chunks = {}, bool connect = true)
    {
        input = query;
        client.StartQuery();
        if (connect)
            mySock().accept();
        for (const QString &chunk : chunks)
            mySock().feed(chunk);
    }
};
