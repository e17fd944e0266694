#pragma once

#include "QueryState.h"

struct NumberResource;

#include <QStringList>

class ServerTable;

// What a typed text asks for: a status message, and whether the primary connection is opened.
struct QueryDispatch
{
    QString statusText;
    bool connect = false;
    QString connectHost;     // whoisServer without its surrounding spaces
    bool startTimer = false; // domain queries watch for the registrar's referral
    bool rdap = false;       // connectHost is an RDAP base URL, asked over HTTPS, not port 43
};

namespace QueryParser {

inline constexpr auto ArinWhoisServer = "whois.arin.net";
inline constexpr auto EnterDomainMessage = "Enter a domain name or ip and press ENTER";
inline constexpr auto InvalidMessage = "Invalid domain name or ip. ";
inline constexpr auto ConnectingMessage = "Connecting ...";

// Trims and lower-cases the input and cuts it at every "." (empty parts kept). Returns the number
// of parts, stopping at the largest 16-bit value for absurdly long inputs.
qint16 SplitInput(const QString &inputText, QStringList &parts);

// The domain path: derives suffix and query text, and looks the suffix up.
QueryDispatch QueryDomain(const QStringList &parts, QueryState &state, const ServerTable &servers);

// The IPv4 path: checks a dotted address; every address is asked at ARIN's whois server.
QueryDispatch QueryIP(const QStringList &parts, QueryState &state);

// Addresses, prefixes and AS numbers other than dotted IPv4: asked at ARIN's whois server too.
QueryDispatch QueryNumber(const NumberResource &resource, QueryState &state);

// Turns the typed text into the query, filling state, which the caller has reset.
QueryDispatch parseQuery(const QString &inputText, QueryState &state, const ServerTable &servers);

} // namespace QueryParser
