// Memory over a long answer and over many queries: what an answer costs, and that nothing leaks.
#include "Figures.h"
#include "QueryClock.h"
#include "Rows.h"
#include "Table.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

namespace {

struct AnswerMemory
{
    double idleMiB = qQNaN();
    double peakMiB = qQNaN();
};

// bench_answer prints its figures in KiB.
AnswerMemory answerMemory()
{
    QProcess child;
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_answer"), {});
    if (!child.waitForFinished(180000) || child.exitCode() != 0)
        return {};
    const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
    if (words.size() != 6)
        return {};
    return {words[1].toDouble() / 1024, words[3].toDouble() / 1024};
}

} // namespace

PeakFigures measurePeak()
{
    PeakFigures figures;
    for (int i = 0; i < PeakRuns; ++i) {
        const AnswerMemory memory = answerMemory();
        figures.idleMiB << memory.idleMiB;
        figures.peakMiB << memory.peakMiB;
    }
    return figures;
}

void printPeak(const PeakFigures &figures)
{
    const double idleBefore = median(figures.idleMiB), peak = median(figures.peakMiB);
    row("peak RSS 16 MiB answer", num(peak, " MiB", 1), num(idleBefore + 16, " MiB (idle + 16)", 1),
        peak / (idleBefore + 16), "<= idle + 48 MiB", peak <= idleBefore + 48);
}

QueryMemory measureQueryMemory(frmMain &window, quint16 port, qsizetype answerSize)
{
    TcpSocketBoundary::setPortForTesting(port);
    window.txtURL->setText(QStringLiteral("example.test"));
    const auto query = [&] {
        return queryUntil(window, window.client().mySock(), wholeAnswer(window, answerSize));
    };
    QueryMemory figures;
    query();
    QTest::qWait(300); // lets dropped sockets go
    figures.after1MiB = double(rssKiB()) / 1024;
    for (int i = 1; i < 1000; ++i)
        query();
    QTest::qWait(300); // lets dropped sockets go
    figures.after1000MiB = double(rssKiB()) / 1024;
    return figures;
}

void printQueryMemory(const QueryMemory &figures)
{
    row("RSS after 1000 queries", num(figures.after1000MiB, " MiB", 1),
        num(figures.after1MiB, " MiB (after 1)", 1), figures.after1000MiB / figures.after1MiB,
        "<= floor + 1 MiB", figures.after1000MiB <= figures.after1MiB + 1);
}
