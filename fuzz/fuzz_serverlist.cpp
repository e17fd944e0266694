// Arbitrary bytes as the hand-edited server list: loading must never crash, and whatever loads
// must be what the lookups find.
#include "Require.h"
#include "ServerTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ServerTable table;
    const QByteArray contents(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const bool loaded = table.LoadServers(contents);
    REQUIRE(table.rowCount() >= 0 && table.rowCount() <= ServerTable::MaxRows);
    if (!loaded)
        return 0;

    for (int i = 0; i < table.rowCount(); ++i) {
        const ServerTable::Row &row = table.row(i);
        // Fields never reach across a comma or a line end.
        for (const QString &field : {row.suffix, row.host}) {
            REQUIRE(!field.contains(u',') && !field.contains(u'\r') && !field.contains(u'\n'));
        }
        // The first row with a suffix wins.
        int first = 0;
        while (table.row(first).suffix != row.suffix)
            ++first;
        REQUIRE(table.FindServer(row.suffix) == table.row(first).host);
    }
    // An unlisted suffix has no server.
    for (const char *probe : {"com", "co.uk", "", " ", "zz"}) {
        const QString suffix = QString::fromLatin1(probe);
        bool listed = false;
        for (int i = 0; i < table.rowCount(); ++i)
            listed = listed || table.row(i).suffix == suffix;
        REQUIRE(listed || table.FindServer(suffix) == QLatin1StringView(ServerTable::NoServer));
    }
    return 0;
}
