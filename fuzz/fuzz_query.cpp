// Arbitrary bytes typed into the input box: every text ends in one of the known outcomes, and the
// numeric test behaves like a number test.
#include "NumericText.h"
#include "QueryParser.h"
#include "Require.h"
#include "ServerTable.h"

#include <cmath>
#include <optional>

namespace {

const ServerTable &servers()
{
    static const ServerTable table = [] {
        ServerTable loaded;
        loaded.LoadServers(QByteArray("com,whois.example-registry.test\nco.uk,whois.uk.test\n"
                                      "uk, whois.uk.test \njp,whois.jp.test\n"));
        return loaded;
    }();
    return table;
}

void checkNumeric(const QString &text)
{
    const std::optional<double> value = NumericValue(text);
    REQUIRE(IsNumeric(text) == value.has_value());
    // A number keeps its value, negated, behind a minus sign.
    if (value && !text.isEmpty() && text.at(0).isDigit() && !std::isnan(*value)) {
        const std::optional<double> negated = NumericValue(u'-' + text);
        REQUIRE(negated && *negated == -*value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text
            = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkNumeric(text);

    QueryState state;
    const QueryDispatch dispatch = QueryParser::parseQuery(text, state, servers());
    REQUIRE(state.arrivalCount == 0 && state.referralServer.isEmpty());
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
