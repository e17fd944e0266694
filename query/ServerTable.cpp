#include "ServerTable.h"

#include "SpaceTrim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

// The list is 8-bit text: UTF-8 where a line is valid UTF-8, Latin-1 otherwise, so a hand-edited
// file in either encoding reads as its author wrote it.
QString decodeLine(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

} // namespace

bool ServerTable::LoadServers()
{
    return LoadServers(
            QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(FileName)));
}

bool ServerTable::LoadServers(const QString &filePath)
{
    ServerCount = QStringLiteral("0");
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return LoadServers(contents);
}

bool ServerTable::LoadServers(const QByteArray &fileContents)
{
    ServerCount = QStringLiteral("0");
    // A carriage return, a CR LF pair and a bare line feed each end a line: the list may have
    // been saved on any system.
    qsizetype lineStart = 0;
    const qsizetype size = fileContents.size();
    while (lineStart < size) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < size && fileContents[lineEnd] != '\r' && fileContents[lineEnd] != '\n')
            ++lineEnd;
        const QString line = trimSpaces(
                decodeLine(QByteArrayView(fileContents).sliced(lineStart, lineEnd - lineStart)));
        lineStart = lineEnd + 1;
        if (lineEnd + 1 < size && fileContents[lineEnd] == '\r'
            && fileContents[lineEnd + 1] == '\n')
            ++lineStart;

        if (line.isEmpty())
            continue;
        const int index = ServerCount.toInt();
        if (index < 0 || index >= MaxRows)
            return false;
        const qsizetype comma = line.indexOf(u',');
        if (comma < 0)
            return false;
        const qsizetype nextComma = line.indexOf(u',', comma + 1);
        Row &row = Servers[static_cast<size_t>(index)];
        row.suffix = line.left(comma);
        row.host = line.mid(comma + 1, nextComma < 0 ? -1 : nextComma - comma - 1);
        ServerCount = QString::number(index + 1);
    }
    return true;
}

QString ServerTable::FindServer(const QString &suffix) const
{
    const int last = ServerCount.toInt() - 1;
    for (int i = 0; i <= last; ++i) {
        if (Servers[static_cast<size_t>(i)].suffix == suffix)
            return Servers[static_cast<size_t>(i)].host;
    }
    return QString::fromLatin1(NoServer);
}
