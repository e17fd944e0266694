// What ondrix_bench measures, one file per kind of figure; main() runs them and prints their rows.
#pragma once

#include <QList>
#include <QtNumeric>

class BenchServer;
class QThread;
class frmMain;

inline constexpr int StartupRuns = 15;
inline constexpr int PeakRuns = 5;
inline constexpr int StreamRounds = 15;

// Start-up to shown and idle memory, each in a fresh process: the real window; the floor, a
// window with the same widgets, fonts, picture and geometry and no logic behind them; and an
// empty QMainWindow of the same size (StartupRows.cpp).
struct StartupFigures
{
    QList<double> windowMs, floorMs, emptyMs;
    QList<double> windowMiB, floorMiB, emptyMiB;
};
StartupFigures measureStartup();
void printStartup(const StartupFigures &figures);

// Resident memory of the real window in a process of its own: settled, and at its peak over one
// 16 MiB answer (MemoryRows.cpp).
struct PeakFigures
{
    QList<double> idleMiB, peakMiB;
};
PeakFigures measurePeak();
void printPeak(const PeakFigures &figures);

// Resident memory of this process after 1,000 queries against after 1, each answered with
// `answerSize` bytes from `port` (MemoryRows.cpp).
struct QueryMemory
{
    double after1MiB = qQNaN();
    double after1000MiB = qQNaN();
};
QueryMemory measureQueryMemory(frmMain &window, quint16 port, qsizetype answerSize);
void printQueryMemory(const QueryMemory &figures);

// Query latency, Enter to the status line, against a bare client's round trip and whois(1)
// (LatencyRows.cpp). whois(1) runs only with `withWhois`.
struct QueryFigures
{
    QList<double> queryMs, bareTripMs, whoisMs;
};
QueryFigures measureQueries(frmMain &window, quint16 port, bool withWhois);
void printQueries(const QueryFigures &figures);

// Referral latency: from the registry's referral going out to the registrar's answer shown
// (LatencyRows.cpp). The registry and the registrar listen on `port`, each on its own address.
struct ReferralFigures
{
    QList<double> runsMs;
};
ReferralFigures measureReferral(frmMain &window, BenchServer &registry, quint16 port,
                                qsizetype answerSize);
void printReferral(const ReferralFigures &figures, const QueryFigures &queries);

// ARIN's referral: an IPv4 query, from Enter until the answer of the registry that ARIN names is
// in, against two bare exchanges in a row, ARIN's read to its end and then the registry's
// (LatencyRows.cpp). The window's connections to whois.arin.net go to `arinAddress`; every
// server listens on `port`.
struct ArinFigures
{
    QList<double> queryMs, bareMs;
};
inline constexpr auto ArinAddress = "127.0.0.4";
ArinFigures measureArinReferral(frmMain &window, quint16 port, qsizetype arinSize,
                                qsizetype answerSize);
void printArinReferral(const ArinFigures &figures);

// Streaming 1, 4 and 16 MiB through the window, beside a bare client (StreamingRows.cpp).
struct StreamFigures
{
    QList<double> productMs[3], bareMs[3];
    QList<double> growth, bareGrowth, growthRatio;
};
StreamFigures measureStreaming(frmMain &window, QThread &serverThread);
void printStreaming(const StreamFigures &figures);
