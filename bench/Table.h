#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>

// The one table every benchmark prints: a figure, what was measured, its floor from the same run,
// their ratio and the goal.

inline double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// The runs that finished: a timed-out one is NaN.
inline QList<double> finished(QList<double> values)
{
    values.removeIf([](double v) { return std::isnan(v); });
    return values;
}

inline double median(QList<double> values)
{
    values = finished(values);
    if (values.isEmpty())
        return qQNaN();
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// A table whose rows may set a figure beside a second floor, after the result, names that
// column here.
inline void header(const char *second = nullptr)
{
    std::printf("%-22s %14s %22s %7s  %-22s ", "figure", "measured", "floor", "ratio", "goal");
    if (second)
        std::printf("%-7s  %s\n", "result", second);
    else
        std::printf("result\n");
}

inline void row(const char *figure, const QString &measured, const QString &floor, double ratio,
                const char *goal, bool met, const QString &second = {})
{
    const char *result = std::isnan(ratio) ? "n/a" : met ? "met" : "NOT MET";
    std::printf("%-22s %14s %22s %7.2f  %-22s ", figure, qPrintable(measured), qPrintable(floor),
                ratio, goal);
    if (second.isEmpty())
        std::printf("%s\n", result);
    else
        std::printf("%-7s  %s\n", result, qPrintable(second));
}

inline QString num(double value, const char *unit, int decimals = 2)
{
    return std::isnan(value) ? QStringLiteral("n/a")
                             : QString::number(value, 'f', decimals) + QLatin1StringView(unit);
}
