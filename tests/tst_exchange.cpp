#include "FakeSocket.h"
#include "RecordingSurface.h"
#include "ServerTable.h"
#include "WhoisClient.h"

#include <QtTest>

namespace {

constexpr qsizetype MiB = 1024 * 1024;
const QString Banner = QStringLiteral("Registry banner\r\n");
const QString ReferralChunk
        = QStringLiteral("   Registrar WHOIS Server: whois.registrar.test\n   Referral URL: x\n");

// Keeps, with each status message, the result text shown at that moment.
struct Surface : RecordingSurface
{
    QStringList resultAtStatus;
    void myStatus_SetSimpleText(const QString &text) override
    {
        resultAtStatus.append(result);
        RecordingSurface::myStatus_SetSimpleText(text);
    }
};

// A client on fake sockets, with ARIN's host listed for jp so the query-line rules compete.
struct Rig
{
    Surface surface;
    ServerTable servers;
    FakeSocketFactory sockets;
    WhoisClient client {surface, servers, sockets.factory()};

    Rig()
    {
        servers.LoadServers(QByteArray("com,whois.registry.test\norg,whois.org.test\n"
                                       "jp,whois.arin.net\nco.jp,whois.arin.net\n"
                                       "up,WHOIS.ARIN.NET\nsp, whois.sp.test ,spaces kept\n"));
    }
    FakeSocket &mySock() const { return *sockets.created.at(0); }
    FakeSocket &mySock2() const { return *sockets.created.at(1); }
    bool timerActive() { return client.Timer1().isActive(); }
    // StartQuery closes each connection once; one more Close each means the query was ended.
    QList<int> closes() const { return {mySock().closeCount(), mySock2().closeCount()}; }

    void start(const QString &input, bool connect = true)
    {
        surface.input = input;
        client.StartQuery();
        if (connect)
            mySock().simulateConnected();
    }
    void feed(const QStringList &chunks)
    {
        for (const QString &chunk : chunks)
            mySock().feed(chunk);
    }
    // A com query whose registry has named whois.registrar.test, up to the tick that follows it.
    void toReferral()
    {
        start(QStringLiteral("x.com"));
        feed({Banner, ReferralChunk});
        client.Timer1_Timer();
    }
};

} // namespace

class tst_exchange : public QObject
{
    Q_OBJECT

private slots:
    void queryLine_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("line");
        const auto row = [](const char *name, const QString &input, const QString &line) {
            QTest::newRow(name) << input << line;
        };
        row("jp listed at ARIN", "x.jp", "x.jp /e\r\n");
        row("co.jp listed at ARIN", "www.x.co.jp", "x.co.jp /e\r\n");
        row("IPv4", "1.2.3.4", "n +1.2.3.4\r\n");
        row("ARIN's name in capitals", "x.up", "x.up\r\n");
        row("plain", "www.x.org", "x.org\r\n");
    }
    void queryLine()
    {
        QFETCH(QString, input);
        QFETCH(QString, line);
        Rig rig;
        rig.start(input);
        QCOMPARE(rig.mySock().writtenText(), line);
        QCOMPARE(rig.surface.status(), QStringLiteral("Connected"));
    }

    void primaryAnswer_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<bool>("notFound");
        QTest::addColumn<int>("foundReports"); // times "Whois data for : q" was shown
        QTest::newRow("not found in chunk 1")
                << "x.org" << QStringList {"%% No Match for x.org\r\n"} << true << 0;
        QTest::newRow("not found in a later chunk of a thick answer")
                << "x.org" << QStringList {"Domain: x.org\r\n", "a\r\n", "NOT FOUND\r\n"} << true
                << 1;
        QTest::newRow("not found in chunk 3 of a thin answer")
                << "x.com" << QStringList {Banner, ReferralChunk, "Not found\r\n"} << true << 0;
        QTest::newRow("not found inside a sentence")
                << "x.org" << QStringList {"Sorry, No match was found."} << true << 0;
        QTest::newRow("phrase split across chunks")
                << "x.org" << QStringList {"No ma", "tch\r\n"} << false << 1;
        QTest::newRow("phrase in lower case")
                << "x.org" << QStringList {"no match for x.org\r\n"} << false << 1;
        QTest::newRow("IPv4") << "1.2.3.4" << QStringList {"a\r\n", "b\r\n"} << false << 1;
    }
    void primaryAnswer()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, chunks);
        QFETCH(bool, notFound);
        QFETCH(int, foundReports);
        Rig rig;
        rig.start(input);
        rig.client.Timer1().start(); // IPv4 never starts it, yet its first arrival stops it
        rig.feed(chunks);
        QCOMPARE(rig.surface.result, chunks.join(QString()));
        QCOMPARE(rig.timerActive(), false);
        const QString found = "Whois data for : " + input;
        QCOMPARE(rig.surface.statusHistory.count(found), foundReports);
        if (notFound) {
            QCOMPARE(rig.surface.status(), found + " is NOT FOUND.");
            // The chunk that says so is shown before the status line reports it.
            QCOMPARE(rig.surface.resultAtStatus.last(), rig.surface.result);
            QCOMPARE(rig.closes(), QList<int>({2, 2}));
        } else {
            QCOMPARE(rig.surface.status(), found);
            QCOMPARE(rig.closes(), QList<int>({1, 1}));
        }
    }

    void referral_data()
    {
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("status");
        const auto row
                = [](const char *name, const QStringList &chunks, const QString &host,
                     const QString &status) { QTest::newRow(name) << chunks << host << status; };
        const QString h = QStringLiteral("whois.registrar.test");
        const QString none;
        const QString connected = QStringLiteral("Connected");
        const QString found = QStringLiteral("Whois data for : x.com");
        row("LF, three spaces", {Banner, ReferralChunk}, h, connected);
        row("CR LF", {Banner, "Whois Server: " + h + "\r\n   Referral URL\r\n"}, h, connected);
        row("no indentation", {Banner, "Whois Server: " + h + "\nReferral\n"}, h, connected);
        row("tab after colon", {Banner, "Whois Server:\t" + h + "\n   Referral\n"}, h, connected);
        row("two spaces", {Banner, "Whois Server:  " + h + "\n   Referral\n"}, h, connected);
        row("markers in capitals", {Banner, "WHOIS SERVER: " + h + "\n   REFERRAL\n"}, h,
            connected);
        row("Referral at position 19", {Banner, "Whois Server: abc Referral\n"}, "abc", connected);
        row("Referral at position 18", {Banner, "Whois Server: ab Referral\n"}, none, found);
        row("Referral only in chunk 3", {Banner, "Whois Server: " + h, "\n   Referral\n"}, none,
            found);
        row("markers only in chunk 1", {ReferralChunk, Banner}, none, found);
        row("whole answer in one chunk", {Banner + ReferralChunk}, none, connected);
        row("empty host", {Banner, "Whois Server: \n   Referral URL\n"}, none, connected);
    }
    void referral()
    {
        QFETCH(QStringList, chunks);
        QFETCH(QString, host);
        QFETCH(QString, status);
        Rig rig;
        rig.start(QStringLiteral("x.com"));
        rig.feed(chunks);
        QCOMPARE(rig.client.queryState().referralServer, host);
        QCOMPARE(rig.surface.status(), status);
        rig.client.Timer1_Timer();
        if (host.isEmpty()) {
            QCOMPARE(rig.mySock2().connectCount(), 0);
            QCOMPARE(rig.timerActive(), true);
            QCOMPARE(rig.surface.status(), status);
            return;
        }
        QCOMPARE(rig.mySock2().connectedHost(), host);
        QCOMPARE(rig.mySock2().connectedPort(), quint16(43));
        QCOMPARE(rig.timerActive(), false);
        QCOMPARE(rig.mySock2().State(), int(SocketBoundary::sckConnecting));
        QCOMPARE(rig.surface.status(), QStringLiteral("Whois data for : x.com"));
        rig.mySock2().simulateConnected();
        QCOMPARE(rig.mySock2().writtenText(), QStringLiteral("x.com\r\n"));
    }

    void secondAnswer()
    {
        Rig rig;
        rig.toReferral();
        rig.mySock2().simulateConnected();
        rig.mySock2().feed(QStringLiteral("Registrar: No match here\r\n"));
        rig.feed({"late registry\r\n"});
        rig.mySock2().feed(QStringLiteral("end\r\n"));
        QCOMPARE(rig.surface.result,
                 Banner + ReferralChunk + "Registrar: No match here\r\nlate registry\r\nend\r\n");
        QCOMPARE(rig.surface.status(), QStringLiteral("Whois data for : x.com"));
        QCOMPARE(rig.closes(), QList<int>({1, 1}));
        QCOMPARE(rig.client.queryState().arrivalCount, qint16(3));
    }

    void arrivalWhileNotConnected_data()
    {
        QTest::addColumn<bool>("second");
        QTest::newRow("mySock") << false;
        QTest::newRow("mySock2") << true;
    }
    void arrivalWhileNotConnected()
    {
        QFETCH(bool, second);
        Rig rig;
        if (second)
            rig.toReferral();
        else
            rig.start(QStringLiteral("x.org"), false);
        const QString before = rig.surface.result;
        const qint16 count = rig.client.queryState().arrivalCount;
        FakeSocket &socket = second ? rig.mySock2() : rig.mySock();
        socket.feed(QStringLiteral("early"));
        QCOMPARE(socket.unreadText(), QStringLiteral("early"));
        QCOMPARE(rig.surface.result, before);
        QCOMPARE(rig.client.queryState().arrivalCount, count);
    }

    void error_data()
    {
        QTest::addColumn<bool>("second");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("status");
        const QString hostNotFound = QStringLiteral("Authoritative answer: Host not found");
        const QString refused = QStringLiteral("Connection refused");
        QTest::newRow("mySock, host not found")
                << false << hostNotFound << "Whois server :  whois.sp.test  not available.";
        QTest::newRow("mySock, refused") << false << refused << refused;
        QTest::newRow("mySock2, host not found") << true << hostNotFound << hostNotFound;
        QTest::newRow("mySock2, refused") << true << refused << refused;
    }
    void error()
    {
        QFETCH(bool, second);
        QFETCH(QString, description);
        QFETCH(QString, status);
        Rig rig;
        if (second) {
            rig.toReferral();
            rig.client.Timer1().start(); // shows that the error stops it
            rig.mySock2().simulateError(description);
        } else {
            rig.start(QStringLiteral("x.sp"), false);
            rig.mySock().simulateError(description);
        }
        QCOMPARE(rig.surface.status(), status);
        QCOMPARE(rig.closes(), QList<int>({2, 2}));
        QCOMPARE(rig.timerActive(), false);
    }

    void resultCap_data()
    {
        QTest::addColumn<qsizetype>("first");
        QTest::addColumn<qsizetype>("second");
        QTest::addColumn<bool>("secondOnMySock2");
        QTest::addColumn<bool>("cut");
        const qsizetype shown = Banner.size() + ReferralChunk.size();
        QTest::newRow("registry answer alone") << 9 * MiB << 9 * MiB << false << true;
        QTest::newRow("both answers together") << 9 * MiB << 9 * MiB << true << true;
        QTest::newRow("exactly 16 MiB") << 8 * MiB << 8 * MiB - shown << true << false;
    }
    void resultCap()
    {
        QFETCH(qsizetype, first);
        QFETCH(qsizetype, second);
        QFETCH(bool, secondOnMySock2);
        QFETCH(bool, cut);
        Rig rig;
        rig.toReferral();
        rig.mySock2().simulateConnected();
        rig.client.Timer1().start(); // shows that the cut stops it
        const QString expected = (rig.surface.result + QString(first, u'a') + QString(second, u'b'))
                                         .left(16 * MiB);
        rig.mySock().feed(QString(first, u'a'));
        (secondOnMySock2 ? rig.mySock2() : rig.mySock()).feed(QString(second, u'b'));
        QCOMPARE(rig.surface.result.size(), expected.size());
        QVERIFY(rig.surface.result == expected);
        if (!cut) {
            QCOMPARE(rig.surface.status(), QStringLiteral("Whois data for : x.com"));
            return;
        }
        QCOMPARE(rig.surface.status(),
                 QStringLiteral("Whois answer too long: stopped after 16 MB."));
        QCOMPARE(rig.closes(), QList<int>({2, 2}));
        QCOMPARE(rig.timerActive(), false);
        rig.mySock2().feed(QStringLiteral("late"));
        QCOMPARE(rig.surface.result.size(), 16 * MiB);
    }

    void arrivalCountSaturates()
    {
        Rig rig;
        rig.start(QStringLiteral("x.org"));
        for (int i = 0; i < 33000; ++i)
            rig.mySock().feed(QStringLiteral("a"));
        QCOMPARE(rig.client.queryState().arrivalCount, qint16(32767));
        QCOMPARE(rig.surface.result.size(), 33000);
        QCOMPARE(rig.surface.status(), QStringLiteral("Whois data for : x.org"));
    }
};

QTEST_GUILESS_MAIN(tst_exchange)
#include "tst_exchange.moc"
