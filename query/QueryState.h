#pragma once

#include <QString>

#include <limits>

// What a query asks about. Addresses and AS numbers are asked at ARIN, in forms of their own.
enum class QueryKind : quint8 { Domain, Address, AsNumber };

// The per-query variables of the main window: empty when the window is created and reset at the
// start of every query.
struct QueryState
{
    QString whoisServer;     // as listed, spaces kept; "noserver" after an unlisted suffix
    QString referralServer;  // registrar's whois server named in the registry's answer
    QString tld;             // suffix used for the lookup: "com" or "co.uk"; empty for IPv4 queries
    QString queryText;       // the normalised name or dotted address that is sent
    qint16 arrivalCount = 0; // data arrivals on the primary connection
    qint16 partCount = 0;    // dot-separated parts of the trimmed input
    QueryKind kind = QueryKind::Domain;

    // Stops at the largest value instead of overflowing: only the counts 1 and 2 carry meaning.
    void countArrival()
    {
        if (arrivalCount < std::numeric_limits<qint16>::max())
            ++arrivalCount;
    }
};
