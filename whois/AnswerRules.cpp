#include "AnswerRules.h"

#include "QueryParser.h"

namespace AnswerRules {

QString QueryLine(const QueryState &state)
{
    const QLatin1StringView crlf("\r\n");
    if (state.tld == u"co.jp" || state.tld == u"jp")
        return state.queryText + QLatin1StringView(" /e") + crlf;
    // ARIN reads "n +" as: network records, with full detail; "a +" as: AS number records, and
    // there the number goes without its "AS".
    if (state.whoisServer == QLatin1StringView(QueryParser::ArinWhoisServer)) {
        if (state.kind == QueryKind::AsNumber)
            return QLatin1StringView("a +") + state.queryText.sliced(2) + crlf;
        return QLatin1StringView("n +") + state.queryText + crlf;
    }
    return state.queryText + crlf;
}

bool isReferralSuffix(const QString &tld)
{
    return tld == u"net" || tld == u"com" || tld == u"tv" || tld == u"jobs" || tld == u"cc";
}

bool containsNotFound(const QString &chunk)
{
    for (const char *phrase : {"No match", "NOT FOUND", "No Match", "Not found"}) {
        if (chunk.contains(QLatin1StringView(phrase), Qt::CaseSensitive))
            return true;
    }
    return false;
}

Referral findReferral(const QString &chunk)
{
    const QLatin1StringView marker("Whois Server:");
    const qsizetype markerAt = chunk.indexOf(marker, 0, Qt::CaseInsensitive);
    const qsizetype referralAt
            = chunk.indexOf(QLatin1StringView("Referral"), 0, Qt::CaseInsensitive);
    // The registry's answer must hold both markers, with "Referral" at least 18 characters into
    // the chunk (in 1-based positions: start > 14 and end > 14).
    const qsizetype start = (markerAt + 1) + 14;
    const qsizetype end = (referralAt + 1) - 4;
    Referral referral;
    if (!(start > 14 && end > 14))
        return referral;
    referral.markersFound = true;
    // The host is the word after the colon; whatever line ends or indentation the server uses.
    qsizetype from = markerAt + marker.size();
    while (from < chunk.size() && (chunk.at(from) == u' ' || chunk.at(from) == u'\t'))
        ++from;
    qsizetype to = from;
    while (to < chunk.size() && !chunk.at(to).isSpace())
        ++to;
    referral.host = chunk.mid(from, to - from);
    return referral;
}

} // namespace AnswerRules
