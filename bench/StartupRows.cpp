// Start-up and idle memory of fresh processes: the real window beside its two floors.
#include "Figures.h"
#include "Rows.h"
#include "Table.h"

#include <QCoreApplication>
#include <QProcess>

#include <cmath>

namespace {

struct Start
{
    double ms = qQNaN();
    double rssMiB = qQNaN();
};

Start startProgram(const QString &name)
{
    QProcess child;
    const qint64 start = nowNs();
    child.start(QCoreApplication::applicationDirPath() + u'/' + name, {});
    if (!child.waitForFinished(30000) || child.exitCode() != 0)
        return {};
    const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
    if (words.size() != 4)
        return {};
    return {ms(words[1].toLongLong() - start), words[3].toDouble() / 1024};
}

// The empty window's figure and how the real window compares with it: "23.3 ms (empty): 1.91 x".
QString beside(double empty, const char *unit, const QString &comparison)
{
    return std::isnan(empty) ? QStringLiteral("n/a")
                             : num(empty, unit, 1) + QStringLiteral(" (empty): ") + comparison;
}

} // namespace

StartupFigures measureStartup()
{
    StartupFigures figures;
    // The three take turns, so that a change in the machine's load hits them alike.
    for (int i = 0; i < StartupRuns; ++i) {
        const Start window = startProgram(QStringLiteral("bench_window"));
        const Start floor = startProgram(QStringLiteral("bench_floor"));
        const Start empty = startProgram(QStringLiteral("bench_minimal"));
        figures.windowMs << window.ms;
        figures.windowMiB << window.rssMiB;
        figures.floorMs << floor.ms;
        figures.floorMiB << floor.rssMiB;
        figures.emptyMs << empty.ms;
        figures.emptyMiB << empty.rssMiB;
    }
    return figures;
}

void printStartup(const StartupFigures &figures)
{
    const double up = median(figures.windowMs), upFloor = median(figures.floorMs);
    const double upEmpty = median(figures.emptyMs);
    row("start-up to shown", num(up, " ms", 1), num(upFloor, " ms (no logic)", 1), up / upFloor,
        "<= 1.1 x floor", up <= 1.1 * upFloor, beside(upEmpty, " ms", num(up / upEmpty, " x")));
    const double idle = median(figures.windowMiB), idleFloor = median(figures.floorMiB);
    const double idleEmpty = median(figures.emptyMiB);
    row("RSS idle", num(idle, " MiB", 1), num(idleFloor, " MiB (no logic)", 1), idle / idleFloor,
        "<= floor + 2 MiB", idle <= idleFloor + 2,
        beside(idleEmpty, " MiB",
               std::isnan(idle) ? QStringLiteral("n/a")
                                : QString::asprintf("%+.1f MiB", idle - idleEmpty)));
}
