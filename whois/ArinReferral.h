#pragma once

#include <QString>

// ARIN answers for an address or AS number that another regional registry holds by describing
// the whole block it handed over, and names that registry's whois server in a line of its own:
//     ReferralServer:  whois://whois.ripe.net
// This finds the first such line in an answer that arrives in chunks, cut anywhere.
class ArinReferral
{
public:
    // Reads the next chunk of the answer; once a referral line has been found, nothing more.
    void scan(QStringView chunk);
    // The host named by the first complete referral line to a whois server on port 43, or empty.
    QString host() const { return m_host; }
    void reset();

private:
    QString m_line;          // the current line so far, while it may still be a referral line
    bool m_skipping = false; // the current line cannot be one: wait for its end
    QString m_host;
};
