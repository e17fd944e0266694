// Arbitrary bytes typed into the input box: every text ends in one of the known outcomes, a number
// keeps its value behind a minus sign, and what is asked as an address is one.
#include "NumericText.h"
#include "QueryParser.h"
#include "Require.h"
#include "ServerTable.h"

#include <QHostAddress>

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
        // Addresses and AS numbers go to ARIN and never wait for the timer's referral.
        const bool arin = state.whoisServer == QLatin1StringView(QueryParser::ArinWhoisServer);
        REQUIRE(dispatch.startTimer != arin && state.tld.isEmpty() == arin);
        REQUIRE(arin == (state.kind != QueryKind::Domain));
        if (state.kind == QueryKind::AsNumber) {
            bool ok = false;
            const uint number = state.queryText.sliced(2).toUInt(&ok);
            REQUIRE(ok && state.queryText == QStringLiteral("AS") + QString::number(number));
        } else if (arin && state.queryText.contains(u':')) {
            // What is taken for an IPv6 address, Qt's own parser reads as one too.
            const QHostAddress address(state.queryText.section(u'/', 0, 0));
            REQUIRE(address.protocol() == QAbstractSocket::IPv6Protocol);
        } else if (arin) {
            REQUIRE(state.queryText.count(u'.') == 3);
        }
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
