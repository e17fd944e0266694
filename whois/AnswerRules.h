#pragma once

#include "QueryState.h"

// How a whois conversation reads: the query line each kind of server expects, and what the
// answer's chunks say.
namespace AnswerRules {

inline constexpr auto HostNotFoundDescription = "Authoritative answer: Host not found";

// The line sent on the primary connection, ended by CR LF.
QString QueryLine(const QueryState &state);

// Registries of these suffixes answer with a referral to the registrar's whois server.
bool isReferralSuffix(const QString &tld);

// Whether the chunk holds one of the phrases with which registries say a name is not registered.
bool containsNotFound(const QString &chunk);

struct Referral
{
    bool markersFound = false; // "Whois Server:" and, far enough on, "Referral"
    QString host;              // empty when the line names no host
};

// The registrar's whois server named in a registry's answer chunk: the word that follows
// "Whois Server:" on its line, accepted only when "Referral" also occurs in the chunk.
Referral findReferral(const QString &chunk);

} // namespace AnswerRules
