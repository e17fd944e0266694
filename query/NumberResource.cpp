#include "NumberResource.h"

#include <QList>

#include <algorithm>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

// A decimal number without leading zeros (but "0" itself), up to `most`.
bool isPlainDecimal(QStringView text, unsigned most)
{
    if (!allDigits(text) || text.size() > 3 || (text.size() > 1 && text.front() == u'0'))
        return false;
    return text.toUInt() <= most;
}

bool isDottedQuad(QStringView text)
{
    const auto parts = text.split(u'.');
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](QStringView part) {
               return isPlainDecimal(part, 255);
           });
}

bool isHexGroup(QStringView group)
{
    return !group.isEmpty() && group.size() <= 4
            && std::all_of(group.begin(), group.end(), [](QChar c) {
                   return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
               });
}

// Groups of hexadecimal digits between single colons; -1 when any group is malformed.
qsizetype hexGroups(QStringView text)
{
    if (text.isEmpty())
        return 0;
    const auto groups = text.split(u':');
    return std::all_of(groups.begin(), groups.end(), isHexGroup) ? groups.size() : -1;
}

bool isIPv6(QStringView text)
{
    const qsizetype lastColon = text.lastIndexOf(u':');
    if (lastColon < 0)
        return false;
    // An IPv4 tail stands for the last two groups.
    qsizetype groups = 8;
    QStringView head = text;
    if (text.sliced(lastColon + 1).contains(u'.')) {
        if (!isDottedQuad(text.sliced(lastColon + 1)))
            return false;
        groups = 6;
        head = text.first(lastColon + 1);
        if (!head.endsWith(u"::"))
            head.chop(1);
    }
    const qsizetype gap = head.indexOf(u"::");
    if (gap < 0)
        return hexGroups(head) == groups;
    // One "::" at most, and it stands for at least one group of zeros.
    if (head.indexOf(u"::", gap + 1) >= 0)
        return false;
    const qsizetype before = hexGroups(head.first(gap));
    const qsizetype after = hexGroups(head.sliced(gap + 2));
    return before >= 0 && after >= 0 && before + after < groups;
}

std::optional<NumberResource> asNumber(QStringView text)
{
    if (text.size() < 3 || text.first(2).compare(u"AS", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    QStringView digits = text.sliced(2);
    if (!allDigits(digits))
        return std::nullopt;
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.sliced(1);
    const qulonglong value = digits.size() <= 10 ? digits.toULongLong() : 0;
    if (digits.size() > 10 || value > 0xffffffffULL)
        return std::nullopt;
    return NumberResource {QueryKind::AsNumber, QStringLiteral("AS") + QString::number(value)};
}

} // namespace

std::optional<NumberResource> parseNumberResource(QStringView text)
{
    if (const auto as = asNumber(text))
        return as;
    const qsizetype slash = text.indexOf(u'/');
    const QStringView address = slash < 0 ? text : text.first(slash);
    bool valid = false;
    if (isIPv6(address))
        valid = slash < 0 || isPlainDecimal(text.sliced(slash + 1), 128);
    else if (slash >= 0 && isDottedQuad(address))
        valid = isPlainDecimal(text.sliced(slash + 1), 32);
    if (!valid)
        return std::nullopt;
    return NumberResource {QueryKind::Address, text.toString()};
}
