#pragma once

#include "QueryState.h"

#include <QString>

#include <optional>

// The numbers of the Internet besides dotted IPv4 addresses: IPv6 addresses, IPv4 and IPv6
// prefixes, and AS numbers. ARIN answers for all of them, or names the registry that holds them.
struct NumberResource
{
    QueryKind kind = QueryKind::Address;
    // What is asked and shown: an address or prefix as typed, an AS number as "AS" and its value.
    QString queryText;
};

// Reads trimmed input as an IPv6 address (any text form, an IPv4 tail included, no zone), an
// address followed by "/" and a prefix length, or "AS" and a 32-bit number. A plain dotted IPv4
// address is not taken here: it keeps its own, more lenient path.
std::optional<NumberResource> parseNumberResource(QStringView text);
