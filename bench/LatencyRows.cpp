// How long a user waits: a query against a bare round trip and whois(1), and a referral's hop.
#include "BenchServer.h"
#include "Figures.h"
#include "QueryClock.h"
#include "Rows.h"
#include "StatusLine.h"
#include "Table.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>

namespace {

double whoisCommand(const QString &program, quint16 port)
{
    QProcess whois;
    const qint64 start = nowNs();
    whois.start(program, {"-h", "127.0.0.1", "-p", QString::number(port), "example.test"});
    if (!whois.waitForFinished(10000) || whois.exitCode() != 0
        || whois.readAllStandardOutput().size() < 1900) // it prints CR LF as LF
        return qQNaN();
    return ms(nowNs() - start);
}

} // namespace

QueryFigures measureQueries(frmMain &window, quint16 port, bool withWhois)
{
    TcpSocketBoundary::setPortForTesting(port);
    window.txtURL->setText(QStringLiteral("example.test"));
    const auto answered
            = [&window] { return window.myStatus->SimpleText().startsWith(u"Whois data for : "); };
    QueryFigures figures;
    for (int i = 0; i < 400; ++i) {
        // Alternating, so that the two clients take turns at each other's leftovers.
        if ((i + i / 2) % 2) {
            figures.bareTripMs << bareClient(port, 1);
            continue;
        }
        figures.queryMs << queryUntil(window, window.client().mySock(), answered).ms();
    }
    const QString whoisProgram = QStandardPaths::findExecutable(QStringLiteral("whois"));
    for (int i = 0; i < 50 && withWhois && !whoisProgram.isEmpty(); ++i)
        figures.whoisMs << whoisCommand(whoisProgram, port);
    return figures;
}

void printQueries(const QueryFigures &figures)
{
    const double q = median(figures.queryMs), trip = median(figures.bareTripMs);
    const double cmd = median(figures.whoisMs);
    row("query latency", num(q, " ms"), num(trip, " ms (bare trip)"), q / trip,
        "<= 1.5 x floor + 1 ms", q <= 1.5 * trip + 1);
    row("query vs whois(1)", num(q, " ms"), num(cmd, " ms (whois)"), q / cmd, "< whois", q < cmd);
}

ReferralFigures measureReferral(frmMain &window, BenchServer &registry, quint16 port,
                                qsizetype answerSize)
{
    TcpSocketBoundary::setPortForTesting(port);
    window.txtURL->setText(QStringLiteral("example.com"));
    ReferralFigures figures;
    for (int i = 0; i < 30; ++i) {
        registry.gapMs = 10 + (i % 6) * 7; // the referral at varying points of the timer's tick
        Span span = queryUntil(window, window.client().mySock2(), wholeAnswer(window, answerSize),
                               2000);
        span.startNs = registry.lastChunkNs;
        figures.runsMs << span.ms();
    }
    return figures;
}

void printReferral(const ReferralFigures &figures, const QueryFigures &queries)
{
    // The timer's tick, and a round trip to each server.
    const double referralFloor = 50 + 2 * median(queries.bareTripMs);
    const double r = median(figures.runsMs);
    row("referral latency", num(r, " ms"), num(referralFloor, " ms (tick+2 trips)"),
        r / referralFloor, "<= floor", r <= referralFloor);
}
