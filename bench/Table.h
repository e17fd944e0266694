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

inline void header()
{
    std::printf("%-22s %14s %22s %7s  %-22s %s\n", "figure", "measured", "floor", "ratio", "goal",
                "result");
}

inline void row(const char *figure, const QString &measured, const QString &floor, double ratio,
                const char *goal, bool met)
{
    std::printf("%-22s %14s %22s %7.2f  %-22s %s\n", figure, qPrintable(measured),
                qPrintable(floor), ratio, goal,
                std::isnan(ratio) ? "n/a"
                        : met     ? "met"
                                  : "NOT MET");
}

inline QString num(double value, const char *unit, int decimals = 2)
{
    return std::isnan(value) ? QStringLiteral("n/a")
                             : QString::number(value, 'f', decimals) + QLatin1StringView(unit);
}
