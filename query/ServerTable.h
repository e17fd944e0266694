#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The suffix-to-whois-server table, read once at start-up from OndrixServers.txt beside the
// executable. Users edit that file by hand; nothing here ever writes it.
class ServerTable
{
public:
    struct Row
    {
        QString suffix;
        QString host;
    };

    static constexpr int MaxRows = 201;
    static constexpr auto FileName = "OndrixServers.txt";
    static constexpr auto NoServer = "noserver";

    // Loads the file in the executable's own folder. False on any problem with the file: missing,
    // unreadable, a non-blank line without a comma, or more than MaxRows rows.
    bool LoadServers();
    bool LoadServers(const QString &filePath);
    bool LoadServers(const QByteArray &fileContents);

    // Host of the first row whose suffix equals the argument exactly, or "noserver".
    QString FindServer(const QString &suffix) const;

    int rowCount() const { return ServerCount.toInt(); }
    const Row &row(int index) const { return Servers[static_cast<size_t>(index)]; }

private:
    std::array<Row, MaxRows> Servers;
    // Rows loaded so far, kept as decimal text the way the list's row counter has always been.
    QString ServerCount = QStringLiteral("0");
};
