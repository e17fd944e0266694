#pragma once

#include <QString>

#include <optional>

// The general test for text that reads as a number: surrounding spaces, an optional sign, decimal
// digits with "," as thousands separator and an optional exponent (1e2 is 100), or the &H
// (hexadecimal) and &O (octal) notations. The value is empty for text that is not numeric.
std::optional<double> NumericValue(const QString &text);

inline bool IsNumeric(const QString &text)
{
    return NumericValue(text).has_value();
}
