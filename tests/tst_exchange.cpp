// The whois conversations on connections whose every event the test drives by hand: only these
// control where one chunk ends and the next begins.
#include "ArinReferral.h"
#include "LoopbackWhoisServer.h"
#include "ServerTable.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "WindowSurface.h"
#include "WireText.h"

#include <QtTest>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype MiB = 1024 * 1024;
const QString Banner = QStringLiteral("Registry banner\r\n");
const QString ReferralChunk
        = QStringLiteral("   Registrar WHOIS Server: whois.registrar.test\n   Referral URL: x\n");
const QString FoundCom = QStringLiteral("Whois data for : x.com");

class FakeSocket : public SocketBoundary
{
public:
    QString host, written, unread;
    quint16 port = 0;
    int state = sckClosed, closes = 0;

    void Connect(const QString &toHost, quint16 toPort) override
    {
        host = toHost;
        port = toPort;
        state = sckConnecting;
    }
    void SendData(const QString &text) override { written += text; }
    void GetData(QString &data) override { data = std::exchange(unread, QString()); }
    int State() const override { return state; }
    void Close() override
    {
        ++closes;
        state = sckClosed;
        unread.clear();
    }
    void accept()
    {
        state = sckConnected;
        emit connected();
    }
    void end()
    {
        state = sckClosing;
        emit closedByPeer();
    }
    void feed(const QString &chunk)
    {
        unread += chunk;
        emit dataArrived(chunk.size());
    }
};

// A client on fake sockets, with ARIN's host listed for jp so the query-line rules compete. As
// the window, it keeps the result shown at each status message, and what a screen reader would
// speak: the messages that are not progress.
struct Rig : WindowSurface
{
    QString input, result, status;
    QStringList resultAtStatus, spoken;
    ServerTable servers;
    QList<FakeSocket *> sockets; // mySock, then mySock2
    WhoisClient client {*this, servers, [this] {
                            sockets.append(new FakeSocket);
                            return std::unique_ptr<SocketBoundary>(sockets.last());
                        }};

    Rig()
    {
        servers.LoadServers(QByteArray("com,registry.test\norg,org.test\njp,whois.arin.net\n"
                                       "co.jp,whois.arin.net\nup,WHOIS.ARIN.NET\n"));
    }
    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { }
    void txtResult_SetText(const QString &text) override { result = text; }
    void txtResult_Append(const QString &chunk) override { result += chunk; }
    void myStatus_SetSimpleText(const QString &text) override
    {
        myStatus_SetProgressText(text);
        if (!text.isEmpty())
            spoken.append(text);
    }
    void myStatus_SetProgressText(const QString &text) override
    {
        resultAtStatus.append(result);
        status = text;
    }

    FakeSocket &mySock() const { return *sockets.at(0); }
    FakeSocket &mySock2() const { return *sockets.at(1); }
    // StartQuery closes each connection once; one more Close each means the query was ended.
    QList<int> closes() const { return {mySock().closes, mySock2().closes}; }

    void start(const QString &query, const QStringList &chunks = {}, bool connect = true)
    {
        input = query;
        client.StartQuery();
        if (connect)
            mySock().accept();
        for (const QString &chunk : chunks)
            mySock().feed(chunk);
    }
};

QString arinData(const QString &name)
{
    QFile file(QFINDTESTDATA(u"data/arin/"_s + name));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Real connections, each to the loopback server that stands in for the host it was asked for.
class LoopbackSocket : public TcpSocketBoundary
{
public:
    inline static QHash<QString, QPair<QString, quint16>> routes;
    void Connect(const QString &host, quint16 port) override
    {
        const auto route = routes.value(host, {host, port});
        TcpSocketBoundary::Connect(route.first, route.second);
    }
};

struct LoopbackRig : Rig
{
    LoopbackWhoisServer arin, rir;
    WhoisClient real {*this, servers, [] { return std::make_unique<LoopbackSocket>(); }};

    LoopbackRig()
    {
        QVERIFY(arin.listen() && rir.listen(QHostAddress(u"127.0.0.2"_s)));
        LoopbackSocket::routes = {{u"whois.arin.net"_s, {u"127.0.0.1"_s, arin.port()}},
                                  {u"whois.ripe.net"_s, {u"127.0.0.2"_s, rir.port()}}};
        arin.setAnswer({arinData(u"ripe-referral.txt"_s).toLatin1()});
    }
    void ask(const QString &query)
    {
        input = query;
        real.StartQuery();
    }
};

} // namespace

class tst_exchange : public QObject
{
    Q_OBJECT

private slots:
    // The query line each server gets, and the registry's answer chunk by chunk. Domain queries
    // start the timer that, for thin registries, follows the referral at its next tick.
    void registryAnswer_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("host"); // connected to at the tick
        const auto thick = [](const char *name, const QString &input, const QString &line,
                              const QStringList &chunks, const QString &status) {
            QTest::newRow(name) << input << line << chunks << status << QString();
        };
        const auto thin = [](const char *name, const QStringList &chunks, const QString &host,
                             const QString &status) {
            QTest::newRow(name) << QStringLiteral("x.com") << QStringLiteral("x.com\r\n") << chunks
                                << status << host;
        };
        const QString org = QStringLiteral("Whois data for : x.org");
        const QString notFound = org + QStringLiteral(" is NOT FOUND.");
        const QString plain = QStringLiteral("x.org\r\n");
        thick("jp listed at ARIN", "x.jp", "x.jp /e\r\n", {"a"}, "Whois data for : x.jp");
        thick("co.jp listed at ARIN", "www.x.co.jp", "x.co.jp /e\r\n", {"a"},
              "Whois data for : x.co.jp");
        thick("ARIN's name in capitals", "x.up", "x.up\r\n", {"a"}, "Whois data for : x.up");
        thick("IPv4", "1.2.3.4", "n +1.2.3.4\r\n", {"a\r\n"}, "Whois data for : 1.2.3.4");
        thick("not found in chunk 1", "www.x.org", plain, {"No Match"}, notFound);
        thick("not found in a later chunk", "x.org", plain, {"Domain\r\n", "a\r\n", "NOT FOUND"},
              notFound);
        thick("phrase split across chunks", "x.org", plain, {"No ma", "tch\r\n"}, org);
        thick("other capitalisation", "x.org", plain, {"no match, Not Found\r\n"}, org);
        const QString h = QStringLiteral("whois.registrar.test");
        const QString connected = QStringLiteral("Connected");
        thin("LF and indentation", {Banner, ReferralChunk}, h, connected);
        thin("CR LF", {Banner, "Whois Server: " + h + "\r\n   Referral URL\r\n"}, h, connected);
        thin("tab after colon", {Banner, "Whois Server:\t" + h + "\n   Referral\n"}, h, connected);
        thin("two spaces", {Banner, "Whois Server:  " + h + "\n   Referral\n"}, h, connected);
        thin("Referral at position 19", {Banner, "Whois Server: abc Referral\n"}, "abc", connected);
        thin("Referral at position 18", {Banner, "Whois Server: ab Referral\n"}, {}, FoundCom);
        thin("Referral only in chunk 3", {Banner, "Whois Server: " + h, "\n   Referral\n"}, {},
             FoundCom);
        thin("markers only in chunk 1", {ReferralChunk, Banner}, {}, FoundCom);
        thin("host at the end of the read",
             {Banner, "Domain Name: X.COM\nReferral URL: x\nWhois Server: " + h}, h, connected);
        thin("empty host", {Banner, "Whois Server: \n   Referral URL\n"}, {}, connected);
    }
    void registryAnswer()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, chunks);
        QFETCH(QString, host);
        Rig rig;
        rig.start(input);
        QTEST(rig.mySock().written, "line");
        // "Connecting ..." and "Connected" are progress, not spoken.
        QCOMPARE(rig.spoken, QStringList());
        rig.client.Timer1().start(); // IPv4 never starts it, yet its first arrival stops it
        for (const QString &chunk : chunks)
            rig.mySock().feed(chunk);
        QCOMPARE(rig.result, chunks.join(QString()));
        QTEST(rig.status, "status");
        // The outcome on the status line was the last thing spoken; while it reads "Connected",
        // nothing was.
        QCOMPARE(rig.spoken.value(rig.spoken.size() - 1),
                 rig.status == u"Connected" ? QString() : rig.status);
        const bool notFound = rig.status.endsWith(u"NOT FOUND.");
        if (notFound) // the chunk that says so is shown before the status reports it
            QCOMPARE(rig.resultAtStatus.last(), rig.result);
        QCOMPARE(rig.closes(), QList<int>(2, notFound ? 2 : 1));
        QCOMPARE(rig.client.Timer1().isActive(), input == u"x.com");
        rig.client.Timer1_Timer();
        QCOMPARE(rig.mySock2().host, host);
    }

    // Data that arrives while a connection is still being set up is ignored; then it fails, and
    // the query ends. Only the primary connection names its server instead of the description.
    void error_data()
    {
        QTest::addColumn<bool>("second");
        QTest::addColumn<QString>("status");
        QTest::newRow("mySock") << false << u"Whois server : registry.test not available."_s;
        QTest::newRow("mySock2") << true << u"Authoritative answer: Host not found"_s;
    }
    void error()
    {
        QFETCH(bool, second);
        Rig rig;
        rig.start(u"x.com"_s, second ? QStringList {Banner, ReferralChunk} : QStringList {},
                  second);
        rig.client.Timer1_Timer();
        FakeSocket &socket = second ? rig.mySock2() : rig.mySock();
        socket.feed(u"early"_s);
        QVERIFY(!rig.result.contains(u"early"));
        emit socket.errorOccurred(u"Authoritative answer: Host not found"_s);
        QTEST(rig.status, "status");
        QCOMPARE(rig.closes(), QList<int>(2, 2));
    }

    // The tick connects mySock2; the registrar's answer follows the registry's without separator
    // and is not searched; both answers together are cut at 16 MiB.
    void secondAnswer_data()
    {
        QTest::addColumn<qsizetype>("size"); // the registrar's, after 8 MiB more from the registry
        QTest::addColumn<bool>("cut");
        QTest::newRow("16 MiB exactly") << 8 * MiB - Banner.size() - ReferralChunk.size() << false;
        QTest::newRow("over 16 MiB") << 9 * MiB << true;
    }
    void secondAnswer()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, cut);
        Rig rig;
        rig.start(QStringLiteral("x.com"), {Banner, ReferralChunk});
        rig.client.Timer1_Timer();
        QCOMPARE(rig.mySock2().port, quint16(43));
        QVERIFY(!rig.client.Timer1().isActive());
        rig.mySock2().accept();
        QCOMPARE(rig.mySock2().written, QStringLiteral("x.com\r\n"));
        rig.client.Timer1().start(); // shows that the cut stops it
        const QString registrar = QStringLiteral("No match") + QString(size - 8, u'b');
        const QString expected = (rig.result + QString(8 * MiB, u'a') + registrar).left(16 * MiB);
        rig.mySock().feed(QString(8 * MiB, u'a'));
        rig.mySock2().feed(registrar);
        QVERIFY(rig.result == expected); // QCOMPARE would print 16 MiB
        QCOMPARE(rig.status,
                 cut ? QStringLiteral("Whois answer too long: stopped after 16 MB.") : FoundCom);
        QCOMPARE(rig.closes(), QList<int>(2, cut ? 2 : 1));
        QCOMPARE(rig.client.Timer1().isActive(), !cut);
    }

    // ARIN names the registry that holds an address or AS number it does not. Once its answer is
    // whole, that registry gets the same question, and its answer follows ARIN's unchanged.
    void arinReferral_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("answer");   // ARIN's, from data/arin
        QTest::addColumn<QList<int>>("cuts");  // chunk ends, counted from "ReferralServer"
        QTest::addColumn<QString>("line");     // sent to ARIN
        QTest::addColumn<QString>("host");     // asked next; empty: ARIN's answer stands alone
        QTest::addColumn<QString>("question"); // as shown, and as asked of the next registry
        QTest::newRow("IPv4, CR LF, after the terms and a ResourceLink")
                << u"138.198.0.1"_s << u"ripe-referral.txt"_s << QList<int> {}
                << u"n +138.198.0.1\r\n"_s << u"whois.ripe.net"_s << u"138.198.0.1"_s;
        QTest::newRow("line split in the marker and in the host")
                << u"138.198.0.1"_s << u"ripe-referral.txt"_s << QList<int> {6, 30}
                << u"n +138.198.0.1\r\n"_s << u"whois.ripe.net"_s << u"138.198.0.1"_s;
        QTest::newRow("IPv6 prefix; LF, one space, in the first of two chunks")
                << u"2001:DB8::/32"_s << u"apnic-referral-2013.txt"_s << QList<int> {60}
                << u"n +2001:DB8::/32\r\n"_s << u"whois.apnic.net"_s << u"2001:DB8::/32"_s;
        QTest::newRow("AS number, port 43 and a slash")
                << u"as64496"_s << u"as-referral.txt"_s << QList<int> {} << u"a +64496\r\n"_s
                << u"whois.ripe.net"_s << u"AS64496"_s;
        QTest::newRow("rwhois is another protocol")
                << u"192.0.2.1"_s << u"rwhois-referral.txt"_s << QList<int> {}
                << u"n +192.0.2.1\r\n"_s << QString() << u"192.0.2.1"_s;
    }
    void arinReferral()
    {
        QFETCH(QString, answer);
        QFETCH(QList<int>, cuts);
        QFETCH(QString, host);
        QFETCH(QString, question);
        Rig rig;
        QFETCH(QString, input);
        rig.start(input);
        QTEST(rig.mySock().written, "line");
        const QString arin = arinData(answer);
        const qsizetype marker = arin.indexOf(u"ReferralServer");
        qsizetype from = 0;
        for (int cut : cuts) {
            rig.mySock().feed(arin.mid(from, marker + cut - from));
            from = marker + cut;
        }
        rig.mySock().feed(arin.mid(from));
        QCOMPARE(rig.mySock2().state, int(SocketBoundary::sckClosed)); // until ARIN has finished
        rig.mySock().end();
        QCOMPARE(rig.mySock2().host, host);
        const QString status = u"Whois data for : "_s + question;
        const QString rir = arinData(u"ripe-answer.txt"_s);
        if (!host.isEmpty()) {
            QCOMPARE(rig.mySock2().port, quint16(43));
            rig.mySock2().accept();
            QCOMPARE(rig.mySock2().written, question + u"\r\n"_s);
            rig.mySock2().feed(rir.left(100));
            rig.mySock2().feed(rir.mid(100));
        }
        QCOMPARE(rig.result, host.isEmpty() ? arin : arin + rir);
        QCOMPARE(rig.status, status);
        QCOMPARE(rig.spoken, QStringList {status});
        // Once per query.
        rig.mySock2().host.clear();
        rig.mySock().end();
        QCOMPARE(rig.mySock2().host, QString());
    }

    // The referral lines ARIN has written, and lines from which no whois server on port 43 can be
    // read, whole and cut after every character.
    void referralLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        const QString ripe = u"whois.ripe.net"_s;
        const auto line = [](const char *name, const QString &text, const QString &host = {}) {
            QTest::newRow(name) << text << host;
        };
        line("one space", u"ReferralServer: whois://whois.ripe.net\n"_s, ripe);
        line("two spaces, CR LF", u"ReferralServer:  whois://whois.ripe.net\r\n"_s, ripe);
        line("tab, port 43", u"ReferralServer:\twhois://whois.ripe.net:43\n"_s, ripe);
        line("port 43 and slash", u"ReferralServer: whois://whois.ripe.net:43/\r\n"_s, ripe);
        line("the first of two",
             u"x\nReferralServer: whois://a.test\nReferralServer: whois://b.test\n"_s, u"a.test"_s);
        line("after one not followed",
             u"ReferralServer: rwhois://r.test:4321\nReferralServer: whois://whois.ripe.net/\n"_s,
             ripe);
        line("rwhois", u"ReferralServer: rwhois://rwhois.example.net:4321\n"_s);
        line("other port", u"ReferralServer: whois://whois.ripe.net:4343\n"_s);
        line("no blank", u"ReferralServer:whois://whois.ripe.net\n"_s);
        line("ResourceLink", u"ResourceLink:  whois.ripe.net\n"_s);
        line("not at a line start", u"x ReferralServer: whois://whois.ripe.net\n"_s);
        line("other letter case", u"referralserver: whois://whois.ripe.net\n"_s);
        line("no line end yet", u"ReferralServer: whois://whois.ripe.net"_s);
        line("lone CR", u"ReferralServer: whois://whois.ripe.net\rx\n"_s);
        line("text after the host", u"ReferralServer: whois://whois.ripe.net x\n"_s);
        line("path", u"ReferralServer: whois://whois.ripe.net/x\n"_s);
        line("user", u"ReferralServer: whois://u@whois.ripe.net\n"_s);
        line("NUL", u"ReferralServer: whois://whois\0.ripe.net\n"_s);
        line("non-ASCII", u"ReferralServer: whois://whoís.test\n"_s);
        line("empty host", u"ReferralServer: whois://\n"_s);
        line("empty label", u"ReferralServer: whois://whois..test\n"_s);
        line("hyphen at a label's edge", u"ReferralServer: whois://-whois.test\n"_s);
        line("label of 64", u"ReferralServer: whois://"_s + QString(64, u'a') + u".test\n"_s);
        line("host of 10,000", u"ReferralServer: whois://"_s + u"a."_s.repeated(4999) + u"a\n"_s);
    }
    void referralLine()
    {
        QFETCH(QString, text);
        ArinReferral whole, cut;
        whole.scan(text);
        for (QChar c : text)
            cut.scan(QStringView(&c, 1));
        QTEST(whole.host(), "host");
        QTEST(cut.host(), "host");
    }

    // A query that ended before ARIN closed the connection asks no other registry.
    void arinReferralAfterAnEarlyEnd_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("status");
        QTest::newRow("not found") << u"No match found for n + 138.198.0.1.\r\n"_s
                                   << u"Whois data for : 138.198.0.1 is NOT FOUND."_s;
        QTest::newRow("16 MB") << QString(16 * MiB, u'x')
                               << u"Whois answer too long: stopped after 16 MB."_s;
        QTest::newRow("error") << QString() << u"Connection reset by peer"_s;
    }
    void arinReferralAfterAnEarlyEnd()
    {
        QFETCH(QString, ending);
        Rig rig;
        rig.start(u"138.198.0.1"_s, {arinData(u"ripe-referral.txt"_s)});
        if (ending.isEmpty())
            emit rig.mySock().errorOccurred(u"Connection reset by peer"_s);
        else
            rig.mySock().feed(ending);
        rig.mySock().end();
        QTEST(rig.status, "status");
        QCOMPARE(rig.mySock2().host, QString());
    }

    // The same over real connections: the registry ARIN names answers, refuses or has no address,
    // or a new query starts while its answer is still coming.
    void arinReferralOnLoopback_data()
    {
        QTest::addColumn<QString>("route"); // where whois.ripe.net leads
        QTest::addColumn<QString>("status");
        QTest::newRow("answered") << u"127.0.0.2"_s << u"Whois data for : 138.198.0.1"_s;
        QTest::newRow("refused") << u"127.0.0.3"_s << u"Connection refused"_s;
        QTest::newRow("no address")
                << u"no-such-host.invalid"_s << u"Authoritative answer: Host not found"_s;
        QTest::newRow("new query meanwhile") << u"127.0.0.2"_s << QString();
    }
    void arinReferralOnLoopback()
    {
        QFETCH(QString, route);
        QFETCH(QString, status);
        LoopbackRig rig;
        LoopbackSocket::routes[u"whois.ripe.net"_s].first = route;
        const QString arin = arinData(u"ripe-referral.txt"_s);
        const QString rir = arinData(u"ripe-answer.txt"_s);
        const bool abandoned = status.isEmpty();
        rig.rir.setAnswer({rir.left(100).toLatin1(), rir.mid(100).toLatin1()},
                          abandoned ? LoopbackWhoisServer::Ending::KeepOpen
                                    : LoopbackWhoisServer::Ending::Close,
                          abandoned ? 60000 : 0);
        rig.ask(u"138.198.0.1"_s);
        if (abandoned) {
            QTRY_COMPARE(rig.result, arin + rir.left(100));
            rig.ask(QString());
            QTRY_COMPARE(rig.rir.openConnections(), 0);
            QCOMPARE(rig.result, QString());
            return;
        }
        QTRY_COMPARE(rig.status, status);
        QTRY_COMPARE(rig.result, route == u"127.0.0.2" ? arin + rir : arin);
        QCOMPARE(rig.arin.queries(), QList<QByteArray> {"n +138.198.0.1\r\n"});
        QCOMPARE(rig.rir.queries(),
                 route == u"127.0.0.2" ? QList<QByteArray> {"138.198.0.1\r\n"}
                                       : QList<QByteArray> {});
    }

    void arrivalCountSaturates()
    {
        Rig rig;
        rig.start(QStringLiteral("x.org"));
        for (int i = 0; i < 33000; ++i)
            rig.mySock().feed(QStringLiteral("a"));
        QCOMPARE(rig.client.queryState().arrivalCount, qint16(32767));
    }

    // Bytes that no UTF-8 character starts with, or that start none that is valid: from the first
    // one on, the connection reads as Latin-1, even the valid é (C3 A9) that follows.
    void decoderRefusesInvalidBytes_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QString>("text");
        QTest::newRow("stray continuation first")
                << QList<QByteArray> {"\x80\xc3\xa9"} << u"\u0080Ã©"_s;
        QTest::newRow("stray continuation after é")
                << QList<QByteArray> {"a\xc3\xa9\xbf\xc3\xa9"} << u"aé¿Ã©"_s;
        QTest::newRow("stray continuation after a split €")
                << QList<QByteArray> {"\xe2\x82", "\xac\x80", "\xc3\xa9"} << u"€\u0080Ã©"_s;
        QTest::newRow("overlong C0") << QList<QByteArray> {"\xc0\xaf\xc3\xa9"} << u"À¯Ã©"_s;
        QTest::newRow("overlong C1, split")
                << QList<QByteArray> {"\xc1", "\xbf\xc3\xa9"} << u"Á¿Ã©"_s;
        // Past F4 a lead byte would start a character beyond U+10FFFF, or none at all.
        for (int lead = 0xf5; lead <= 0xff; ++lead) {
            const QByteArray bytes = char(lead) + "\x80\x80\x80\xc3\xa9"_ba;
            QTest::addRow("lead %X", lead)
                    << QList<QByteArray> {"a", bytes} << u'a' + QString::fromLatin1(bytes);
        }
    }
    void decoderRefusesInvalidBytes()
    {
        QFETCH(QList<QByteArray>, reads);
        AnswerDecoder decoder;
        QString text;
        for (const QByteArray &bytes : reads)
            text += decoder.decode(bytes);
        QTEST(text + decoder.flush(), "text");
    }
};

QTEST_GUILESS_MAIN(tst_exchange)
#include "tst_exchange.moc"
