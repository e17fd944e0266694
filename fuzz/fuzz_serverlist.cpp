// Arbitrary bytes as the hand-edited server list: loading must never crash, and whatever loads
// must be what the lookups find.
#include "Require.h"
#include "ServerTable.h"

#include <QHash>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ServerTable table;
    const bool loaded = table.LoadServers(
            QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    REQUIRE(table.rowCount() >= 0 && table.rowCount() <= ServerTable::MaxRows);
    if (!loaded)
        return 0;

    QHash<QString, QString> first;
    for (int i = 0; i < table.rowCount(); ++i) {
        const ServerTable::Row &row = table.row(i);
        // Fields never reach across a comma or a line end.
        for (QChar c : row.suffix + row.host)
            REQUIRE(c != u',' && c != u'\r' && c != u'\n');
        if (!first.contains(row.suffix))
            first.insert(row.suffix, row.host);
    }
    // The first row with a suffix wins; an unlisted suffix has no server.
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        REQUIRE(table.FindServer(it.key()) == it.value());
    for (const char *probe : {"com", "co.uk", "", " ", "zz"}) {
        const QString suffix = QString::fromLatin1(probe);
        REQUIRE(first.contains(suffix)
                || table.FindServer(suffix) == QLatin1StringView(ServerTable::NoServer));
    }
    return 0;
}
