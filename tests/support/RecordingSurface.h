#pragma once

#include "ServerTable.h"
#include "WhoisClient.h"
#include "WindowSurface.h"

#include <QStringList>

// The window as the query logic sees it, recorded: what is shown, the result as it stood at each
// status message, and apart from them what a screen reader speaks: the messages that end a query,
// not the progress on the way, nor an emptied status line.
struct RecordingSurface : WindowSurface
{
    QString input, result, status;
    QStringList spoken, resultAtStatus;

    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { }
    void txtResult_SetText(const QString &text) override { result = text; }
    void txtResult_Append(const QString &chunk) override { result += chunk; }
    void myStatus_SetSimpleText(const QString &text) override
    {
        myStatus_SetProgressText(text);
        if (!text.isEmpty())
            spoken.append(text);
    }
    void myStatus_SetProgressText(const QString &text) override
    {
        resultAtStatus.append(result);
        status = text;
    }
};

// A query client on a recorded window, with its server list and, unless given others, real
// connections.
struct ClientRig : RecordingSurface
{
    ServerTable servers;
    WhoisClient client;

    explicit ClientRig(const QByteArray &serverList, const SocketFactory &sockets = {})
        : client(*this, servers, sockets)
    {
        servers.LoadServers(serverList);
    }
    void start(const QString &query)
    {
        input = query;
        client.StartQuery();
    }
};
