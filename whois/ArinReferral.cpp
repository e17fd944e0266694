#include "ArinReferral.h"

#include <QList>

#include <algorithm>

namespace {

constexpr QStringView Marker = u"ReferralServer:";
// The marker, some blanks, the scheme, a host of at most 253 characters and the port: a longer
// line names no whois server that could be asked.
constexpr qsizetype MaxLineLength = 1024;

bool isLabel(QStringView label)
{
    const auto letterDigitHyphen = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
                || c == u'-';
    };
    return !label.isEmpty() && label.size() <= 63 && label.front() != u'-' && label.back() != u'-'
            && std::all_of(label.begin(), label.end(), letterDigitHyphen);
}

bool isPlainHostName(QStringView host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    const auto labels = host.split(u'.');
    return std::all_of(labels.begin(), labels.end(), isLabel);
}

// "ReferralServer:", blanks, "whois://", a host, ":43" if at all, "/" if at all. Other schemes
// (rwhois://, ARIN's customers' own servers on port 4321) and other ports are another protocol.
QString referralHost(QStringView line)
{
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (!line.startsWith(Marker))
        return {};
    line = line.sliced(Marker.size());
    const qsizetype blanks = std::find_if(line.begin(), line.end(),
                                          [](QChar c) { return c != u' ' && c != u'\t'; })
            - line.begin();
    line = line.sliced(blanks);
    if (blanks == 0 || !line.startsWith(u"whois://"))
        return {};
    QStringView host = line.sliced(8);
    if (host.endsWith(u'/'))
        host.chop(1);
    if (host.endsWith(u":43"))
        host.chop(3);
    return isPlainHostName(host) ? host.toString() : QString();
}

} // namespace

void ArinReferral::scan(QStringView chunk)
{
    qsizetype from = 0;
    while (m_host.isEmpty() && from < chunk.size()) {
        const qsizetype lineFeed = chunk.indexOf(u'\n', from);
        const qsizetype end = lineFeed < 0 ? chunk.size() : lineFeed;
        if (!m_skipping) {
            const QStringView piece = chunk.sliced(from, end - from);
            m_line += piece.first(std::min(piece.size(), MaxLineLength + 1 - m_line.size()));
            const qsizetype head = std::min(m_line.size(), Marker.size());
            m_skipping = m_line.size() > MaxLineLength
                    || QStringView(m_line).first(head) != Marker.first(head);
        }
        if (lineFeed < 0)
            return;
        if (!m_skipping)
            m_host = referralHost(m_line);
        m_line.clear();
        m_skipping = false;
        from = lineFeed + 1;
    }
}

void ArinReferral::reset()
{
    *this = ArinReferral();
}
