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
#include <QTcpSocket>

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

// One exchange of a bare QTcpSocket, read until `size` bytes are in (0: until the server closes
// the connection). Returns when it ended, 0 if it did not.
qint64 bareExchange(const QString &address, quint16 port, const QByteArray &line, qsizetype size)
{
    QTcpSocket socket;
    Waiter waiter;
    qsizetype received = 0;
    QObject::connect(&socket, &QTcpSocket::connected, &waiter, [&] { socket.write(line); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &waiter, [&] {
        received += socket.readAll().size();
        if (size && received >= size)
            waiter.finish();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &waiter, [&] {
        received += socket.readAll().size();
        if (!size && received)
            waiter.finish();
    });
    socket.connectToHost(QHostAddress(address), port);
    return waiter.wait() ? waiter.endNs : 0;
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

ArinFigures measureArinReferral(frmMain &window, quint16 port, qsizetype arinSize,
                                qsizetype answerSize)
{
    TcpSocketBoundary::setPortForTesting(port);
    window.txtURL->setText(QStringLiteral("192.0.2.1"));
    ArinFigures figures;
    for (int i = 0; i < 200; ++i) {
        if (i % 2) {
            const qint64 start = nowNs();
            const qint64 arinEnd
                    = bareExchange(QString::fromLatin1(ArinAddress), port, "n +192.0.2.1\r\n", 0);
            const qint64 end = arinEnd
                    ? bareExchange(QStringLiteral("127.0.0.5"), port, "192.0.2.1\r\n", answerSize)
                    : 0;
            figures.bareMs << (end ? ms(end - start) : qQNaN());
            continue;
        }
        figures.queryMs << queryUntil(window, window.client().mySock2(),
                                      wholeAnswer(window, arinSize + answerSize))
                                   .ms();
    }
    return figures;
}

void printArinReferral(const ArinFigures &figures)
{
    const double q = median(figures.queryMs), bare = median(figures.bareMs);
    row("ARIN referral latency", num(q, " ms"), num(bare, " ms (2 bare trips)"), q / bare,
        "<= 1.5 x floor + 1 ms", q <= 1.5 * bare + 1);
}
