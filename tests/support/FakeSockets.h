#pragma once

#include "RecordingSurface.h"

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
struct FakeRig : ClientRig
{
    FakeRig()
        : ClientRig("com,registry.test\norg,org.test\njp,whois.arin.net\nco.jp,whois.arin.net\n"
                    "up,WHOIS.ARIN.NET\n",
                    [] { return std::make_unique<FakeSocket>(); })
    { }

    FakeSocket &mySock() const { return static_cast<FakeSocket &>(client.mySock()); }
    FakeSocket &mySock2() const { return static_cast<FakeSocket &>(client.mySock2()); }
    // StartQuery closes each connection once; one more Close each means the query was ended.
    QList<int> closes() const { return {mySock().closes, mySock2().closes}; }

    void start(const QString &query, const QStringList &chunks = {})
    {
        ClientRig::start(query);
        mySock().accept();
        for (const QString &chunk : chunks)
            mySock().feed(chunk);
    }
};
