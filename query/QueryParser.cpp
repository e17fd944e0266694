#include "QueryParser.h"

#include "NumberResource.h"
#include "NumericText.h"
#include "ServerTable.h"
#include "SpaceTrim.h"

#include <cmath>
#include <limits>

namespace QueryParser {

namespace {

QueryDispatch statusOnly(const char *message)
{
    return QueryDispatch {QString::fromLatin1(message), false, {}, false};
}

// Every address and AS number is asked at ARIN's whois server, which names the registry that
// holds it when that is another.
QueryDispatch askArin(QueryState &state, QueryKind kind)
{
    state.whoisServer = QString::fromLatin1(ArinWhoisServer);
    state.kind = kind;
    return QueryDispatch {QString::fromLatin1(ConnectingMessage), true, state.whoisServer, false};
}

} // namespace

qint16 SplitInput(const QString &inputText, QStringList &parts)
{
    parts = trimSpaces(inputText).toLower().split(u'.', Qt::KeepEmptyParts);
    constexpr qsizetype most = std::numeric_limits<qint16>::max();
    return static_cast<qint16>(std::min(parts.size(), most));
}

QueryDispatch QueryDomain(const QStringList &parts, QueryState &state, const ServerTable &servers)
{
    const qsizetype count = state.partCount;
    if (count == 1)
        return statusOnly(EnterDomainMessage);
    if (count < 1 || count > 4)
        return statusOnly(InvalidMessage);
    const QString &last = parts.at(count - 1);
    const QString &secondLast = parts.at(count - 2);
    // Only "co" is known as a second-level label, and only with a label in front of it: co.uk
    // on its own is looked up under uk.
    if (count >= 3 && secondLast == u"co") {
        state.tld = secondLast + u'.' + last;
        state.queryText = parts.at(count - 3) + u'.' + state.tld;
    } else {
        state.tld = last;
        state.queryText = secondLast + u'.' + last;
    }
    state.whoisServer = servers.FindServer(state.tld);
    if (state.whoisServer == QLatin1String(ServerTable::NoServer)) {
        return QueryDispatch {QStringLiteral("No whois server listed to support .") + state.tld
                                      + QStringLiteral(" domain"),
                              false,
                              {},
                              false};
    }
    const QString host = trimSpaces(state.whoisServer);
    // No host name starts with a URL scheme, so such a row can only mean an RDAP service; its
    // answer comes whole, with no referral for the timer to watch.
    const bool rdap = host.startsWith(u"https://", Qt::CaseInsensitive)
            || host.startsWith(u"http://", Qt::CaseInsensitive);
    return QueryDispatch {QString::fromLatin1(ConnectingMessage), true, host, !rdap, rdap};
}

QueryDispatch QueryIP(const QStringList &parts, QueryState &state)
{
    if (state.partCount != 4 || parts.size() != 4)
        return statusOnly(InvalidMessage);
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const auto value = NumericValue(parts.at(i));
        if (!value)
            return statusOnly(InvalidMessage);
        values[i] = *value;
    }
    // The fourth part is taken as a whole number, halves going to the even neighbour (the default
    // rounding mode). A value too large for any integer simply fails the range check below.
    values[3] = std::nearbyint(values[3]);
    for (double value : values) {
        if (!(value >= 0 && value <= 255))
            return statusOnly(InvalidMessage);
    }
    state.queryText = parts.at(0) + u'.' + parts.at(1) + u'.' + parts.at(2) + u'.'
            + QString::number(static_cast<int>(values[3]));
    return askArin(state, QueryKind::Address);
}

QueryDispatch QueryNumber(const NumberResource &resource, QueryState &state)
{
    state.queryText = resource.queryText;
    return askArin(state, resource.kind);
}

QueryDispatch parseQuery(const QString &inputText, QueryState &state, const ServerTable &servers)
{
    const QString trimmed = trimSpaces(inputText);
    if (trimmed.isEmpty())
        return statusOnly(EnterDomainMessage);
    if (const auto resource = parseNumberResource(trimmed))
        return QueryNumber(*resource, state);
    QStringList parts;
    state.partCount = SplitInput(inputText, parts);
    if (IsNumeric(parts.constLast()))
        return QueryIP(parts, state);
    return QueryDomain(parts, state, servers);
}

} // namespace QueryParser
