// Long answers: throughput at three sizes, and whether time grows with size like a bare reader's.
#include "BenchServer.h"
#include "QueryClock.h"
#include "ResultBox.h"
#include "Rows.h"
#include "Table.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QHostAddress>
#include <QLineEdit>

namespace {

constexpr qsizetype MiB = 1024 * 1024;
constexpr qsizetype Sizes[3] = {1 * MiB, 4 * MiB, 16 * MiB};

} // namespace

StreamFigures measureStreaming(frmMain &window, QThread &serverThread)
{
    // 1, 4 and 16 MiB in 1,460-byte writes, the product beside a bare client. The sizes take
    // turns in each round, so that a change in the machine's load hits them alike.
    window.txtURL->setText(QStringLiteral("example.test"));
    QList<BenchServer *> servers;
    quint16 ports[3] = {};
    for (int s = 0; s < 3; ++s) {
        servers << new BenchServer({whoisText(Sizes[s])}, true, &serverThread);
        ports[s] = servers.last()->listen(QHostAddress::LocalHost);
    }
    StreamFigures figures;
    for (int round = 0; round < StreamRounds; ++round) {
        for (int s = 0; s < 3; ++s) {
            figures.bareMs[s] << bareClient(ports[s], Sizes[s]);
            window.txtResult->setText(QString()); // the previous answer goes outside the clock
            TcpSocketBoundary::setPortForTesting(ports[s]);
            figures.productMs[s] << queryUntil(window, window.client().mySock(),
                                               wholeAnswer(window, Sizes[s]))
                                            .ms();
        }
        const double bareGrowth = figures.bareMs[2].last() / figures.bareMs[1].last();
        figures.growth << figures.productMs[2].last() / figures.productMs[1].last();
        figures.growthRatio << figures.growth.last() / bareGrowth;
        figures.bareGrowth << bareGrowth;
    }
    for (BenchServer *server : std::as_const(servers))
        server->deleteLater();
    return figures;
}

void printStreaming(const StreamFigures &figures)
{
    const char *names[3] = {"stream 1 MiB", "stream 4 MiB", "stream 16 MiB"};
    for (int s = 0; s < 3; ++s) {
        const double mbps = double(Sizes[s]) / 1e3 / median(figures.productMs[s]);
        const double bareMbps = double(Sizes[s]) / 1e3 / median(figures.bareMs[s]);
        row(names[s], num(mbps, " MB/s", 1), num(bareMbps, " MB/s (bare)", 1), mbps / bareMbps,
            ">= 0.25 of bare", mbps / bareMbps >= 0.25);
    }
    // Growth from 4 to 16 MiB against a bare client's: 4 would be linear, and the bare client is
    // no more linear than the loopback link and the machine allow. The ratio is the median of each
    // round's, whose four runs come close together, so that a change of load between rounds
    // moves both growths alike.
    const double linear = median(figures.growth), bareLinear = median(figures.bareGrowth);
    const double ratio = median(figures.growthRatio);
    row("stream T(16)/T(4)", num(linear, ""), num(bareLinear, " (bare)"), ratio,
        "<= 1.15 x bare growth", ratio <= 1.15);
}
