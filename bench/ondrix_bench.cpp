// Ondrix's figures, each beside its floor measured in the same run against the same loopback
// servers, so that the ratios hold on a busy machine. Prints one table; see scripts/bench.sh.
// Each kind of figure has its file (Rows.h); this one sets up the servers and the window, runs
// them in a fixed order and prints the table.
#include "BenchServer.h"
#include "QueryParser.h"
#include "Rows.h"
#include "Table.h"
#include "TcpSocketBoundary.h"
#include "frmMain.h"

#include <QApplication>
#include <QTest>
#include <QThread>

#include <cstdio>

namespace {

// The window's connections, but those to ARIN's whois server go to a loopback address.
class ArinOnLoopback : public TcpSocketBoundary
{
public:
    void Connect(const QString &host, quint16 port) override
    {
        const bool arin = host == QLatin1StringView(QueryParser::ArinWhoisServer);
        TcpSocketBoundary::Connect(arin ? QString::fromLatin1(ArinAddress) : host, port);
    }
};

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
    // Names sections to run (startup memory query referral arin stream peak); none runs them all.
    const QStringList only = app.arguments().mid(1);
    const auto wanted = [&only](const char *section) {
        return only.isEmpty() || only.contains(QLatin1StringView(section));
    };

    // Start-up, idle memory and the peak over one long answer first, in fresh processes.
    const StartupFigures startup = wanted("startup") ? measureStartup() : StartupFigures();
    const PeakFigures peak = wanted("peak") ? measurePeak() : PeakFigures();

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
    // ARIN and the registry it names, likewise on one port.
    const QByteArray arinAnswer = whoisText(2046) + "\r\nReferralServer:  whois://127.0.0.5\r\n";
    auto *arin = new BenchServer({arinAnswer}, false, &serverThread);
    auto *rir = new BenchServer({answer2k}, false, &serverThread);
    quint16 arinPort = 0;
    for (int attempt = 0; attempt < 20 && !arinPort; ++attempt) {
        arinPort = arin->listen(QHostAddress(QString::fromLatin1(ArinAddress)));
        if (!rir->listen(QHostAddress(QStringLiteral("127.0.0.5")), arinPort))
            arinPort = 0;
    }
    const QList<BenchServer *> servers {thick, registry, registrar, arin, rir};

    frmMain window([] { return std::make_unique<ArinOnLoopback>(); });
    window.serverTable().LoadServers(QByteArray("test,127.0.0.1\ncom,127.0.0.2\n"));
    window.show();
    if (!thickPort || !referralPort || !arinPort || !QTest::qWaitForWindowExposed(&window)) {
        std::fputs("ondrix_bench: cannot set up the loopback servers or the window\n", stderr);
        return 1;
    }

    const QueryMemory memory = wanted("memory")
            ? measureQueryMemory(window, thickPort, answer2k.size())
            : QueryMemory();
    const QueryFigures queries = wanted("query") || wanted("referral")
            ? measureQueries(window, thickPort, wanted("query"))
            : QueryFigures();
    const ReferralFigures referrals = wanted("referral")
            ? measureReferral(window, *registry, referralPort,
                              banner.size() + referral.size() + answer2k.size())
            : ReferralFigures();
    const ArinFigures arinReferrals = wanted("arin")
            ? measureArinReferral(window, arinPort, arinAnswer.size(), answer2k.size())
            : ArinFigures();
    const StreamFigures stream
            = wanted("stream") ? measureStreaming(window, serverThread) : StreamFigures();

    for (BenchServer *server : servers)
        server->deleteLater();
    serverThread.quit();
    serverThread.wait();

    header("second floor");
    printStreaming(stream);
    printPeak(peak);
    printQueries(queries);
    printReferral(referrals, queries);
    printArinReferral(arinReferrals);
    printStartup(startup);
    printQueryMemory(memory);
    std::printf("(medians: start-up of %d runs, query of 200, whois(1) of 50, referral of %lld of "
                "30, ARIN referral of 100, streaming of %d rounds, peak RSS of %lld runs, idle "
                "%.1f MiB; MB = 10^6 "
                "bytes)\n",
                StartupRuns, static_cast<long long>(finished(referrals.runsMs).size()),
                StreamRounds, static_cast<long long>(finished(peak.peakMiB).size()),
                median(peak.idleMiB));
    return 0;
}
