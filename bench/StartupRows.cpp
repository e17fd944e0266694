// Start-up and idle memory of fresh processes: the real window beside an empty one.
#include "Figures.h"
#include "Rows.h"
#include "Table.h"

#include <QCoreApplication>
#include <QProcess>

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

} // namespace

StartupFigures measureStartup()
{
    StartupFigures figures;
    for (int i = 0; i < StartupRuns; ++i) {
        const Start window = startProgram(QStringLiteral("bench_window"));
        const Start empty = startProgram(QStringLiteral("bench_minimal"));
        figures.windowMs << window.ms;
        figures.windowMiB << window.rssMiB;
        figures.emptyMs << empty.ms;
        figures.emptyMiB << empty.rssMiB;
    }
    return figures;
}

void printStartup(const StartupFigures &figures)
{
    const double up = median(figures.windowMs), upMinimal = median(figures.emptyMs);
    row("start-up to shown", num(up, " ms", 1), num(upMinimal, " ms (empty)", 1), up / upMinimal,
        "<= 1.3 x floor", up <= 1.3 * upMinimal);
    const double idle = median(figures.windowMiB), idleMinimal = median(figures.emptyMiB);
    row("RSS idle", num(idle, " MiB", 1), num(idleMinimal, " MiB (empty)", 1), idle / idleMinimal,
        "<= floor + 5 MiB", idle <= idleMinimal + 5);
}
