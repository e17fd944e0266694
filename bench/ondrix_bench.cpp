// Ondrix's figures, each beside its floor measured in the same run against the same loopback
// servers, so that the ratios hold on a busy machine. Prints one table; see scripts/bench.sh.
#include "Figures.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "Table.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr qsizetype MiB = 1024 * 1024;
constexpr int SegmentSize = 1460; // one Ethernet segment of payload
constexpr int StreamRounds = 15;

// Whois-like lines, cut to exactly `size` bytes.
QByteArray whoisText(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 100);
    for (int i = 0; text.size() < size; ++i)
        text += "Registrant Street: " + QByteArray::number(1000 + i)
                + " Example Road, Springfield\r\n";
    text.truncate(size);
    return text;
}

// A whois server on a thread of its own, so that serving costs the client under test nothing.
// It answers each query line with its chunks, gapMs apart, then closes. A paced server cuts its
// one chunk into 1,460-byte writes and writes the next only once the last has gone out.
class BenchServer : public QObject
{
public:
    BenchServer(QList<QByteArray> chunks, bool paced, QThread *thread)
        : m_chunks(std::move(chunks))
        , m_paced(paced)
    {
        moveToThread(thread);
    }

    quint16 listen(const QHostAddress &address, quint16 port = 0)
    {
        quint16 bound = 0;
        QMetaObject::invokeMethod(
                this,
                [&] {
                    auto *server = new QTcpServer(this);
                    connect(server, &QTcpServer::newConnection, this, [this, server] {
                        while (QTcpSocket *socket = server->nextPendingConnection())
                            serve(socket);
                    });
                    if (server->listen(address, port))
                        bound = server->serverPort();
                    else
                        delete server;
                },
                Qt::BlockingQueuedConnection);
        return bound;
    }

    std::atomic<int> gapMs = 0;
    std::atomic<qint64> lastChunkNs = 0; // when the last chunk of an answer went out

private:
    void serve(QTcpSocket *socket)
    {
        // On a real link a 1,460-byte write is a full segment; loopback's larger one would let
        // Nagle's algorithm hold it back.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine() || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            m_paced ? pace(socket) : send(socket, 0);
        });
    }

    void send(QTcpSocket *socket, int index)
    {
        socket->write(m_chunks.at(index));
        socket->flush();
        lastChunkNs = nowNs();
        if (index + 1 == m_chunks.size())
            socket->disconnectFromHost();
        else
            QTimer::singleShot(gapMs.load(), socket, [=, this] { send(socket, index + 1); });
    }

    void pace(QTcpSocket *socket)
    {
        auto sent = std::make_shared<qsizetype>(0);
        const auto next = [this, socket, sent] {
            const QByteArray &answer = m_chunks.first();
            if (socket->bytesToWrite() > 0)
                return;
            if (*sent == answer.size()) {
                socket->disconnectFromHost();
                return;
            }
            const qsizetype size = std::min<qsizetype>(SegmentSize, answer.size() - *sent);
            socket->write(answer.constData() + *sent, size);
            *sent += size;
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, next);
        next();
    }

    const QList<QByteArray> m_chunks;
    const bool m_paced;
};

// Runs the event loop until finish() or the time-out.
class Waiter : public QEventLoop
{
public:
    void finish()
    {
        if (!endNs) {
            endNs = nowNs();
            quit();
        }
    }
    bool wait(int timeoutMs = 60000)
    {
        if (!endNs) {
            // A timer of its own: a pending QTimer::singleShot would outlive the wait.
            QTimer timeout;
            timeout.callOnTimeout(this, [this] { exit(1); });
            timeout.start(timeoutMs);
            exec();
        }
        return endNs != 0;
    }
    qint64 endNs = 0;
};

struct Span
{
    qint64 startNs = 0;
    qint64 endNs = 0; // 0: timed out
    double ms() const { return endNs ? ::ms(endNs - startNs) : qQNaN(); }
};

// Enter in the input box, until `done` holds after a read of `socket`. The key goes in from the
// running event loop, as in the program, so that sockets the query drops are deleted in time.
Span queryUntil(frmMain &window, SocketBoundary &socket, const std::function<bool()> &done,
                int timeoutMs = 60000)
{
    Waiter waiter;
    Span span;
    QObject::connect(&socket, &SocketBoundary::dataArrived, &waiter, [&] {
        if (done())
            waiter.finish();
    });
    QTimer::singleShot(0, &waiter, [&] {
        span.startNs = nowNs();
        QTest::keyClick(window.txtURL, Qt::Key_Return);
    });
    span.endNs = waiter.wait(timeoutMs) ? waiter.endNs : 0;
    return span;
}

// The whole answer of `size` characters is in the result box and drawn.
std::function<bool()> wholeAnswer(frmMain &window, qsizetype size)
{
    return [&window, size] {
        if (window.txtResult->length() < size)
            return false;
        window.txtResult->flushPending();
        return true;
    };
}

// The floor of a client: a bare QTcpSocket connects, sends the query and reads until `size`
// bytes are in memory (1: the first read). Returns milliseconds.
double bareClient(quint16 port, qsizetype size)
{
    QTcpSocket socket;
    QByteArray data;
    Waiter waiter;
    QObject::connect(&socket, &QTcpSocket::connected, &waiter,
                     [&] { socket.write("example.test\r\n"); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &waiter, [&] {
        data += socket.readAll();
        if (data.size() >= size)
            waiter.finish();
    });
    const qint64 start = nowNs();
    socket.connectToHost(QHostAddress::LocalHost, port);
    return waiter.wait() ? ms(waiter.endNs - start) : qQNaN();
}

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

// Resident memory of the real window in a process of its own: settled, and at its peak over one
// 16 MiB answer. In MiB.
struct AnswerMemory
{
    double idleMiB = qQNaN();
    double peakMiB = qQNaN();
};

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

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes on every window would bury the table.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    // Names sections to run (startup memory query referral stream peak); none runs them all.
    const QStringList only = app.arguments().mid(1);
    const auto wanted = [&only](const char *section) {
        return only.isEmpty() || only.contains(QLatin1StringView(section));
    };

    // 4. Start-up and idle memory, first, in fresh processes.
    QList<double> startWindow, startMinimal, rssWindow, rssMinimal;
    for (int i = 0; i < 15 && wanted("startup"); ++i) {
        const Start window = startProgram(QStringLiteral("bench_window"));
        const Start minimal = startProgram(QStringLiteral("bench_minimal"));
        startWindow << window.ms;
        rssWindow << window.rssMiB;
        startMinimal << minimal.ms;
        rssMinimal << minimal.rssMiB;
    }

    // 1. Peak memory over one 16 MiB answer, in fresh processes.
    QList<double> answerIdle, answerPeak;
    for (int i = 0; i < 5 && wanted("peak"); ++i) {
        const AnswerMemory memory = answerMemory();
        answerIdle << memory.idleMiB;
        answerPeak << memory.peakMiB;
    }

    QThread serverThread;
    serverThread.start();
    const QByteArray answer2k = whoisText(2048);
    auto *thick = new BenchServer({answer2k}, false, &serverThread);
    const quint16 thickPort = thick->listen(QHostAddress::LocalHost);
    // Every connection goes to one test port, so registry and registrar share it on two addresses.
    const QByteArray banner = "Domain Name: EXAMPLE.COM\r\n   Registry Domain ID: 1_DOMAIN\r\n";
    const QByteArray referral = "Whois Server: 127.0.0.3\r\n   Referral URL: x\r\n";
    auto *registry = new BenchServer({banner, referral}, false, &serverThread);
    auto *registrar = new BenchServer({answer2k}, false, &serverThread);
    quint16 referralPort = 0;
    for (int attempt = 0; attempt < 20 && !referralPort; ++attempt) {
        referralPort = registry->listen(QHostAddress(QStringLiteral("127.0.0.2")));
        if (!registrar->listen(QHostAddress(QStringLiteral("127.0.0.3")), referralPort))
            referralPort = 0;
    }
    QList<BenchServer *> servers {thick, registry, registrar};

    frmMain window;
    window.serverTable().LoadServers(QByteArray("test,127.0.0.1\ncom,127.0.0.2\n"));
    window.show();
    if (!thickPort || !referralPort || !QTest::qWaitForWindowExposed(&window)) {
        std::fputs("ondrix_bench: cannot set up the loopback servers or the window\n", stderr);
        return 1;
    }

    // 4. Memory after 1,000 queries against after 1.
    TcpSocketBoundary::setPortForTesting(thickPort);
    window.txtURL->setText(QStringLiteral("example.test"));
    const auto thickQuery = [&] {
        return queryUntil(window, window.client().mySock(), wholeAnswer(window, 2048));
    };
    double rssAfter1 = qQNaN(), rssAfter1000 = qQNaN();
    if (wanted("memory")) {
        thickQuery();
        QTest::qWait(300); // lets dropped sockets go
        rssAfter1 = double(rssKiB()) / 1024;
        for (int i = 1; i < 1000; ++i)
            thickQuery();
        QTest::qWait(300); // lets dropped sockets go
        rssAfter1000 = double(rssKiB()) / 1024;
    }

    // 2. Query latency: Enter to the status line saying the answer is here.
    QList<double> query, bareTrip, whoisRuns;
    for (int i = 0; i < 400 && (wanted("query") || wanted("referral")); ++i) {
        // Alternating, so that the two clients take turns at each other's leftovers.
        if ((i + i / 2) % 2) {
            bareTrip << bareClient(thickPort, 1);
            continue;
        }
        query << queryUntil(window, window.client().mySock(), [&] {
                     return window.myStatus->SimpleText().startsWith(u"Whois data for : ");
                 }).ms();
    }
    const QString whoisProgram = QStandardPaths::findExecutable(QStringLiteral("whois"));
    for (int i = 0; i < 50 && wanted("query") && !whoisProgram.isEmpty(); ++i)
        whoisRuns << whoisCommand(whoisProgram, thickPort);

    // 3. Referral latency: from the registry's referral going out to the registrar's answer shown.
    TcpSocketBoundary::setPortForTesting(referralPort);
    window.txtURL->setText(QStringLiteral("example.com"));
    const qsizetype referralTotal = banner.size() + referral.size() + answer2k.size();
    QList<double> referralRuns;
    for (int i = 0; i < 30 && wanted("referral"); ++i) {
        registry->gapMs = 10 + (i % 6) * 7; // the referral at varying points of the timer's tick
        Span span = queryUntil(window, window.client().mySock2(),
                               wholeAnswer(window, referralTotal), 2000);
        span.startNs = registry->lastChunkNs;
        referralRuns << span.ms();
    }

    // 1. Streaming: 1, 4 and 16 MiB in 1,460-byte writes, the product beside a bare client. The
    // sizes take turns in each round, so that a change in the machine's load hits them alike.
    window.txtURL->setText(QStringLiteral("example.test"));
    const qsizetype sizes[3] = {1 * MiB, 4 * MiB, 16 * MiB};
    quint16 streamPorts[3] = {};
    for (int s = 0; s < 3 && wanted("stream"); ++s) {
        servers << new BenchServer({whoisText(sizes[s])}, true, &serverThread);
        streamPorts[s] = servers.last()->listen(QHostAddress::LocalHost);
    }
    QList<double> productRuns[3], bareRuns[3], growth, bareGrowth, growthRatio;
    for (int round = 0; round < StreamRounds && wanted("stream"); ++round) {
        for (int s = 0; s < 3; ++s) {
            bareRuns[s] << bareClient(streamPorts[s], sizes[s]);
            window.txtResult->setText(QString()); // the previous answer goes outside the clock
            TcpSocketBoundary::setPortForTesting(streamPorts[s]);
            productRuns[s] << queryUntil(window, window.client().mySock(),
                                         wholeAnswer(window, sizes[s]))
                                      .ms();
        }
        growth << productRuns[2].last() / productRuns[1].last();
        growthRatio << growth.last() / (bareRuns[2].last() / bareRuns[1].last());
        bareGrowth << bareRuns[2].last() / bareRuns[1].last();
    }

    for (BenchServer *server : servers)
        server->deleteLater();
    serverThread.quit();
    serverThread.wait();

    header();
    const char *streamNames[3] = {"stream 1 MiB", "stream 4 MiB", "stream 16 MiB"};
    for (int s = 0; s < 3; ++s) {
        const double mbps = double(sizes[s]) / 1e3 / median(productRuns[s]);
        const double bareMbps = double(sizes[s]) / 1e3 / median(bareRuns[s]);
        row(streamNames[s], num(mbps, " MB/s", 1), num(bareMbps, " MB/s (bare)", 1),
            mbps / bareMbps, ">= 0.25 of bare", mbps / bareMbps >= 0.25);
    }
    // Growth from 4 to 16 MiB against a bare client's: 4 would be linear, and the bare client is
    // no more linear than the loopback link and the machine allow. The ratio is the median of each
    // round's, whose four runs come close together, so that a change of load between rounds
    // moves both growths alike.
    const double linear = median(growth), bareLinear = median(bareGrowth);
    const double ratio = median(growthRatio);
    row("stream T(16)/T(4)", num(linear, ""), num(bareLinear, " (bare)"), ratio,
        "<= 1.15 x bare growth", ratio <= 1.15);
    const double idleBefore = median(answerIdle), peak = median(answerPeak);
    row("peak RSS 16 MiB answer", num(peak, " MiB", 1), num(idleBefore + 16, " MiB (idle + 16)", 1),
        peak / (idleBefore + 16), "<= idle + 48 MiB", peak <= idleBefore + 48);
    const double q = median(query), trip = median(bareTrip), cmd = median(whoisRuns);
    row("query latency", num(q, " ms"), num(trip, " ms (bare trip)"), q / trip,
        "<= 1.5 x floor + 1 ms", q <= 1.5 * trip + 1);
    row("query vs whois(1)", num(q, " ms"), num(cmd, " ms (whois)"), q / cmd, "< whois", q < cmd);
    const double referralFloor = 50 + 2 * trip;
    const double r = median(referralRuns);
    row("referral latency", num(r, " ms"), num(referralFloor, " ms (tick+2 trips)"),
        r / referralFloor, "<= floor", r <= referralFloor);
    const double up = median(startWindow), upMinimal = median(startMinimal);
    row("start-up to shown", num(up, " ms", 1), num(upMinimal, " ms (empty)", 1), up / upMinimal,
        "<= 1.3 x floor", up <= 1.3 * upMinimal);
    const double idle = median(rssWindow), idleMinimal = median(rssMinimal);
    row("RSS idle", num(idle, " MiB", 1), num(idleMinimal, " MiB (empty)", 1), idle / idleMinimal,
        "<= floor + 5 MiB", idle <= idleMinimal + 5);
    row("RSS after 1000 queries", num(rssAfter1000, " MiB", 1), num(rssAfter1, " MiB (after 1)", 1),
        rssAfter1000 / rssAfter1, "<= floor + 1 MiB", rssAfter1000 <= rssAfter1 + 1);
    std::printf("(medians: start-up of 15 runs, query of 200, whois(1) of 50, referral of %lld of "
                "30, streaming of %d rounds, peak RSS of %lld runs, idle %.1f MiB; MB = 10^6 "
                "bytes)\n",
                static_cast<long long>(finished(referralRuns).size()), StreamRounds,
                static_cast<long long>(finished(answerPeak).size()), idleBefore);
    return 0;
}
