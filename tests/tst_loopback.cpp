#include "LoopbackWhoisServer.h"
#include "RecordingSurface.h"
#include "ServerTable.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"

#include <QtTest>

using Ending = LoopbackWhoisServer::Ending;

namespace {

// The referral is only looked for in the registry's second read, so its chunks go out this far
// apart; should they still merge, the referral tests say so instead of timing out silently.
constexpr int ChunkGapMs = 300;
constexpr auto Merged = "no referral seen: were the registry's two chunks read as one?";
const QByteArray Banner = "Registry banner\r\n";

// The registry on 127.0.0.2 and a registrar on 127.0.0.3, both on one port that every real
// connection is redirected to.
struct Loopback
{
    LoopbackWhoisServer registry;
    LoopbackWhoisServer registrar;
    RecordingSurface surface;
    ServerTable servers;
    WhoisClient client {surface, servers};

    ~Loopback() { TcpSocketBoundary::setPortForTesting(0); }
    // The registry names the registrar in its second chunk and keeps its end open.
    bool askReferred(const QByteArray &registrarHost)
    {
        registry.setAnswer({Banner, "Whois Server: " + registrarHost + "\r\n   Referral URL\r\n"},
                           Ending::KeepOpen, ChunkGapMs);
        surface.input = QStringLiteral("example.com");
        client.StartQuery();
        return QTest::qWaitFor([this] { return !client.queryState().referralServer.isEmpty(); });
    }
};

} // namespace

class tst_loopback : public QObject
{
    Q_OBJECT

    std::optional<Loopback> net;

private slots:
    void init()
    {
        net.emplace();
        QVERIFY(net->registry.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        QVERIFY(net->registrar.listen(QHostAddress(QStringLiteral("127.0.0.3")),
                                      net->registry.port()));
        TcpSocketBoundary::setPortForTesting(net->registry.port());
        QVERIFY(net->servers.LoadServers(QByteArray("com,127.0.0.2\ntest,127.0.0.2\n")));
    }
    void cleanup() { net.reset(); }

    void referral()
    {
        net->registrar.setAnswer({"Registrar answer\r\n"});
        QVERIFY2(net->askReferred("127.0.0.3"), Merged);
        QTRY_COMPARE(net->surface.result,
                     QString::fromLatin1(Banner + "Whois Server: 127.0.0.3\r\n   Referral URL\r\n"
                                         + "Registrar answer\r\n"));
        QCOMPARE(net->registrar.queries(), QList<QByteArray> {"example.com\r\n"});
    }

    void unreachableRegistrar()
    {
        QVERIFY2(net->askReferred("127.0.0.4"), Merged); // nothing listens there
        QTRY_COMPARE(net->surface.status(), QStringLiteral("Connection refused"));
        QTRY_COMPARE(net->registry.openConnections(), 0);
    }

    // The new query's thick answer comes in chunks, then the registry closes; the old registrar
    // keeps streaming until it sees its connection dropped.
    void newQueryDuringReferral()
    {
        net->registrar.setAnswer({"old registrar\r\n"}, Ending::Endless);
        QVERIFY2(net->askReferred("127.0.0.3"), Merged);
        QTRY_VERIFY(net->surface.result.contains(u"endless answer line"));
        net->registry.setAnswer({"Domain: example.test\r\n", "End\r\n"}, Ending::Close, 20);
        net->surface.input = QStringLiteral("www.example.test");
        net->client.StartQuery();
        const QString thick = QStringLiteral("Domain: example.test\r\nEnd\r\n");
        QTRY_COMPARE(net->surface.result, thick);
        QTRY_COMPARE(net->registrar.openConnections(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(net->surface.result, thick);
        QCOMPARE(net->surface.status(), QStringLiteral("Whois data for : example.test"));
    }
};

QTEST_GUILESS_MAIN(tst_loopback)
#include "tst_loopback.moc"
