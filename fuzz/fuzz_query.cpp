// Arbitrary bytes typed into the input box: every text ends in one of the known outcomes, and a
// number keeps its value behind a minus sign.
#include "NumericText.h"
#include "QueryParser.h"
#include "Require.h"
#include "ServerTable.h"

#include <cmath>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static ServerTable servers;
    static const bool loaded = servers.LoadServers(
            QByteArray("com,whois.example-registry.test\n"
                       "co.uk,whois.uk.test\nuk, whois.uk.test \njp,x.test\n"));
    REQUIRE(loaded);
    const QString text
            = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<double> value = NumericValue(text);
    if (value && !text.isEmpty() && text.at(0).isDigit() && !std::isnan(*value))
        REQUIRE(NumericValue(u'-' + text) == -*value);

    QueryState state;
    const QueryDispatch dispatch = QueryParser::parseQuery(text, state, servers);
    if (dispatch.connect) {
        REQUIRE(dispatch.statusText == QLatin1StringView(QueryParser::ConnectingMessage));
        REQUIRE(!dispatch.connectHost.isEmpty() && !state.queryText.isEmpty());
        // IPv4 queries go to ARIN and never wait for a referral.
        const bool ipv4 = state.whoisServer == QLatin1StringView(QueryParser::ArinWhoisServer);
        REQUIRE(dispatch.startTimer != ipv4 && state.tld.isEmpty() == ipv4);
        REQUIRE(!ipv4 || state.queryText.count(u'.') == 3);
    } else {
        REQUIRE(!dispatch.startTimer);
        REQUIRE(dispatch.statusText == QLatin1StringView(QueryParser::EnterDomainMessage)
                || dispatch.statusText == QLatin1StringView(QueryParser::InvalidMessage)
                || dispatch.statusText
                        == QStringLiteral("No whois server listed to support .") + state.tld
                                + QStringLiteral(" domain"));
    }
    return 0;
}
