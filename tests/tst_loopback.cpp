#include "LoopbackWhoisServer.h"
#include "RecordingSurface.h"
#include "ServerTable.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"

#include <QtTest>

using Ending = LoopbackWhoisServer::Ending;

namespace {

const QByteArray Banner = "Registry banner\r\n";
const QByteArray ReferralTo3
        = "   Registrar WHOIS Server: 127.0.0.3\r\n   Referral URL: http://r\r\n";
// The referral is only looked for in the registry's second read, so its chunks go out this far
// apart; should they still merge, the referral tests say so instead of timing out silently.
constexpr int ChunkGapMs = 300;
constexpr auto Merged = "no referral seen: were the registry's two chunks read as one?";

// The registry on 127.0.0.2 and a registrar on 127.0.0.3, both on one port that every real
// connection is redirected to.
struct Loopback
{
    LoopbackWhoisServer registry;
    LoopbackWhoisServer registrar;
    RecordingSurface surface;
    ServerTable servers;
    WhoisClient client {surface, servers};

    bool listen()
    {
        if (!registry.listen(QHostAddress(QStringLiteral("127.0.0.2")))
            || !registrar.listen(QHostAddress(QStringLiteral("127.0.0.3")), registry.port()))
            return false;
        TcpSocketBoundary::setPortForTesting(registry.port());
        return servers.LoadServers(QByteArray("com,127.0.0.2\ntest,127.0.0.2\n"));
    }
    bool referralSeen() const { return !client.queryState().referralServer.isEmpty(); }
    void ask(const char *input)
    {
        surface.input = QString::fromLatin1(input);
        client.StartQuery();
    }
};

} // namespace

class tst_loopback : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { TcpSocketBoundary::setPortForTesting(0); }

    void thickAnswer()
    {
        Loopback net;
        QVERIFY(net.listen());
        net.registry.setAnswer({"Domain: example.test\r\n", "Holder: someone\r\n", "End\r\n"},
                               Ending::Close, 20);
        net.ask("www.example.test");
        QTRY_COMPARE(net.surface.result,
                     QStringLiteral("Domain: example.test\r\nHolder: someone\r\nEnd\r\n"));
        QCOMPARE(net.registry.queries(), QList<QByteArray> {"example.test\r\n"});
        QCOMPARE(net.surface.status(), QStringLiteral("Whois data for : example.test"));
    }

    void referral()
    {
        Loopback net;
        QVERIFY(net.listen());
        net.registry.setAnswer({Banner, ReferralTo3}, Ending::Close, ChunkGapMs);
        net.registrar.setAnswer({"Registrar answer\r\n"});
        net.ask("example.com");
        QTRY_VERIFY2(net.referralSeen(), Merged);
        QTRY_COMPARE(net.registrar.queries(), QList<QByteArray> {"example.com\r\n"});
        QTRY_COMPARE(net.surface.result,
                     QString::fromLatin1(Banner + ReferralTo3 + "Registrar answer\r\n"));
        QCOMPARE(net.surface.status(), QStringLiteral("Whois data for : example.com"));
    }

    void unreachableRegistrar()
    {
        Loopback net;
        QVERIFY(net.listen());
        // Nothing listens on 127.0.0.4, so the registrar's connection is refused.
        net.registry.setAnswer({Banner, "Whois Server: 127.0.0.4\r\n   Referral URL\r\n"},
                               Ending::KeepOpen, ChunkGapMs);
        net.ask("example.com");
        QTRY_VERIFY2(net.referralSeen(), Merged);
        QTRY_COMPARE(net.surface.status(), QStringLiteral("Connection refused"));
        QTRY_COMPARE(net.registry.openConnections(), 0);
        QCOMPARE(net.client.mySock().State(), int(SocketBoundary::sckClosed));
        QCOMPARE(net.client.mySock2().State(), int(SocketBoundary::sckClosed));
    }

    void newQueryDuringReferral()
    {
        Loopback net;
        QVERIFY(net.listen());
        net.registry.setAnswer({Banner, ReferralTo3}, Ending::KeepOpen, ChunkGapMs);
        net.registrar.setAnswer({"old registrar\r\n"}, Ending::Endless);
        net.ask("example.com");
        QTRY_VERIFY2(net.referralSeen(), Merged);
        QTRY_VERIFY(net.surface.result.contains(u"endless answer line"));
        net.registry.setAnswer({"new answer\r\n"}, Ending::KeepOpen);
        net.ask("example.test");
        QTRY_COMPARE(net.surface.result, QStringLiteral("new answer\r\n"));
        // The old registrar keeps streaming until it sees the connection dropped.
        QTRY_COMPARE(net.registrar.openConnections(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(net.surface.result, QStringLiteral("new answer\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_loopback)
#include "tst_loopback.moc"
