#include "NumericText.h"

#include <cmath>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int digitValue(QChar c, int base)
{
    int value = -1;
    if (isDigit(c))
        value = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c.unicode() - u'A' + 10;
    return value < base ? value : -1;
}

std::optional<double> radixValue(QStringView digits, int base)
{
    if (digits.isEmpty())
        return std::nullopt;
    double value = 0;
    for (QChar c : digits) {
        const int digit = digitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

std::optional<double> decimalValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    QString plain;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        plain += text[i++];
    // Thousands separators may sit between digits but never lead.
    if (i >= n || !isDigit(text[i]))
        return std::nullopt;
    while (i < n && (isDigit(text[i]) || text[i] == u',')) {
        if (text[i] != u',')
            plain += text[i];
        ++i;
    }
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        plain += u'e';
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            plain += text[i++];
        if (i >= n || !isDigit(text[i]))
            return std::nullopt;
        while (i < n && isDigit(text[i]))
            plain += text[i++];
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    // toDouble refuses values beyond double's range; those are still numbers, just huge ones.
    if (!ok)
        return plain.startsWith(u'-') ? -HUGE_VAL : HUGE_VAL;
    return value;
}

} // namespace

std::optional<double> NumericValue(const QString &text)
{
    QStringView view(text);
    while (!view.isEmpty() && view.front() == u' ')
        view = view.sliced(1);
    while (!view.isEmpty() && view.back() == u' ')
        view.chop(1);
    if (view.size() >= 2 && view[0] == u'&') {
        const QChar kind = view[1].toUpper();
        if (kind == u'H')
            return radixValue(view.sliced(2), 16);
        if (kind == u'O')
            return radixValue(view.sliced(2), 8);
        return std::nullopt;
    }
    return decimalValue(view);
}
