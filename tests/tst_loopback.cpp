// The whois conversations over real connections, to servers on loopback addresses: what the
// socket layer adds to the logic that tst_exchange drives by hand. Text decoded across reads and
// at the close, failures as the system reports them, and nothing late from a connection dropped.
#include "LoopbackWhoisServer.h"
#include "RecordingSurface.h"
#include "TestData.h"

using namespace Qt::StringLiterals;
using Ending = LoopbackWhoisServer::Ending;

namespace {

// Real connections; those to a host that has a route go to its loopback address instead.
class RoutedSocket : public TcpSocketBoundary
{
public:
    inline static QHash<QString, QString> routes;
    void Connect(const QString &host, quint16 port) override
    {
        TcpSocketBoundary::Connect(routes.value(host, host), port);
    }
};

// ARIN's whois server is the first server, and the registry it names wherever the test routes it.
struct Rig : TwoWhoisServers, ClientRig
{
    explicit Rig(const QString &ripe = u"127.0.0.2"_s)
        : ClientRig("test,127.0.0.1\nother,127.0.0.2\nrefused,127.0.0.3\nnohost,\n",
                    [] { return std::make_unique<RoutedSocket>(); })
    {
        RoutedSocket::routes = {{u"whois.arin.net"_s, u"127.0.0.1"_s}, {u"whois.ripe.net"_s, ripe}};
    }
};

} // namespace

class tst_loopback : public QObject
{
    Q_OBJECT

private slots:
    // The answer, the outcome, and what each server was asked. Where ARIN names the registry that
    // holds an address or AS number, that registry is asked the same question once ARIN is done.
    void outcome_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("ripe");             // where whois.ripe.net leads
        QTest::addColumn<QList<QByteArray>>("chunks"); // from the first server, 50 ms apart
        QTest::addColumn<QList<QByteArray>>("asked");  // by the first server, then the second
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("result"); // null: the chunks as Latin-1, then any second answer
        const QString ripe = u"127.0.0.2"_s;
        // An é split between reads, and a € of which the answer brings only the first bytes.
        QTest::newRow("characters split between reads and at the close")
                << u"example.test"_s << ripe
                << QList<QByteArray> {"Domain: \xc3", "\xa9\r\n", "End \xe2\x82"}
                << QList<QByteArray> {"example.test\r\n"} << u"Whois data for : example.test"_s
                << u"Domain: é\r\nEnd \u00e2\u0082"_s;
        QTest::newRow("refused") << u"example.refused"_s << ripe << QList<QByteArray>()
                                 << QList<QByteArray>() << u"Connection refused"_s << QString();
        QTest::newRow("no host") << u"example.nohost"_s << ripe << QList<QByteArray>()
                                 << QList<QByteArray>() << u"Whois server :  not available."_s
                                 << QString();
        // ARIN's answer names RIPE, which is asked the same question; or a host that is nowhere.
        const QByteArray referral = TEST_DATA("data/arin/ripe-referral.txt");
        const QList<QByteArray> fromArin {referral.left(700), referral.mid(700)};
        const QByteArray asked = "138.198.0.1\r\n";
        QTest::newRow("IPv4 to RIPE")
                << u"138.198.0.1"_s << ripe << fromArin << QList<QByteArray> {"n +" + asked, asked}
                << u"Whois data for : 138.198.0.1"_s << QString();
        QTest::newRow("ARIN names a host that does not resolve")
                << u"138.198.0.1"_s << u"no-such-host.invalid"_s << fromArin
                << QList<QByteArray> {"n +" + asked} << u"Authoritative answer: Host not found"_s
                << QString();
    }
    void outcome()
    {
        QFETCH(QString, ripe);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<QByteArray>, asked);
        QFETCH(QString, status);
        Rig rig(ripe);
        QVERIFY(rig.listening());
        rig.first.setAnswer(chunks, Ending::Close, 50);
        const QByteArray second = TEST_DATA("data/arin/ripe-answer.txt");
        rig.second.setAnswer({second});
        QFETCH(QString, input);
        rig.start(input);
        QTRY_COMPARE(rig.status, status);
        // The second answer follows the first unchanged.
        QFETCH(QString, result);
        if (result.isNull())
            result = QString::fromLatin1(chunks.join() + (asked.size() == 2 ? second : ""));
        QTRY_COMPARE(rig.result, result);
        QCOMPARE(rig.first.queries() + rig.second.queries(), asked);
        // The outcome is said once, and last: the registry that ARIN names says nothing new.
        QCOMPARE(rig.spoken.count(status), 1);
        QCOMPARE(rig.spoken.constLast(), status);
    }

    void thousandQueriesInQuickSuccession()
    {
        Rig rig;
        QVERIFY(rig.listening());
        // The first server's answer is not UTF-8, the second's is: its é comes out whole only if
        // nothing of the connection before carries over.
        rig.first.setAnswer(QList<QByteArray>(20, "first server \xff\r\n"), Ending::Close, 1);
        rig.second.setAnswer(QList<QByteArray>(20, "second server \xc3\xa9\r\n"), Ending::Close, 1);
        // Alternating servers, so that a stale byte of the one before would show. Every tenth
        // query is cut off only once its answer has begun to arrive.
        for (int i = 0; i < 1000; ++i) {
            if (i == 999) // its failure is still on its way when the last query starts
                rig.start(u"example.nohost"_s);
            rig.start(u"q%1.%2"_s.arg(i).arg(i % 2 ? "other"_L1 : "test"_L1));
            QCoreApplication::processEvents();
            if (i % 10 == 0)
                QTRY_VERIFY(!rig.result.isEmpty());
        }
        const QString expected = u"second server é\r\n"_s.repeated(20);
        QTRY_COMPARE(rig.result, expected);
        QCOMPARE(rig.second.queries().constLast(), "q999.other\r\n"_ba);
        QCOMPARE(rig.status, u"Whois data for : q999.other"_s);
        // Once every connection is gone nothing more can arrive.
        QTRY_COMPARE(rig.first.openConnections() + rig.second.openConnections(), 0);
        QCOMPARE(rig.result, expected);
    }
};

QTEST_GUILESS_MAIN(tst_loopback)
#include "tst_loopback.moc"
