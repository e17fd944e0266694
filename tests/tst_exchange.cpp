// The whois conversations on connections whose every event the test drives by hand: only these
// control where one chunk ends and the next begins. Among them ARIN's answers about addresses and
// AS numbers that another regional registry holds; tst_loopback asks those over real connections.
#include "ArinReferral.h"
#include "FakeSockets.h"
#include "TestData.h"
#include "WireText.h"

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype MiB = 1024 * 1024;
const QString Banner = QStringLiteral("Registry banner\r\n");
const QString ReferralChunk
        = QStringLiteral("   Registrar WHOIS Server: whois.registrar.test\n   Referral URL: x\n");
const QString FoundCom = QStringLiteral("Whois data for : x.com");

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
        thick("AS number", "as064496", "a +64496\r\n", {"a\r\n"}, "Whois data for : AS64496");
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
        FakeRig rig;
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
        FakeRig rig;
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

    void arrivalCountSaturates()
    {
        FakeRig rig;
        rig.start(QStringLiteral("x.org"));
        for (int i = 0; i < 33000; ++i)
            rig.mySock().feed(QStringLiteral("a"));
        QCOMPARE(rig.client.queryState().arrivalCount, qint16(32767));
    }

    // The query line's bytes: labels with other characters than ASCII in their A-label form. Only
    // ASCII white space separates: a wide space sent as one would become a stray byte.
    void queryLineOnTheWire_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("IDN label") << u"bücher.test\r\n"_s << "xn--bcher-kva.test\r\n"_ba;
        QTest::newRow("wide space in a label")
                << u"a\u3000b.test /e\r\n"_s << u"a\u3000b.test /e\r\n"_s.toUtf8();
    }
    void queryLineOnTheWire()
    {
        QFETCH(QString, line);
        QTEST(encodeQueryLine(line), "bytes");
    }

    // Bytes that no UTF-8 character starts with, or that start none that is valid: from the first
    // one on, the connection reads as Latin-1, even the valid é (C3 A9) that follows. The valid
    // characters at the edges of each length stay UTF-8.
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
        QTest::newRow("overlong C1, split")
                << QList<QByteArray> {"\xc1", "\xbf\xc3\xa9"} << u"Á¿Ã©"_s;
        QTest::newRow("first and last valid of each length")
                << QList<QByteArray> {"\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbd"
                                      "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"}
                << u"\u0080\u07ff\u0800\ufffd\U00010000\U0010ffff"_s;
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

    // ARIN's answers and the referral lines it has written, and lines from which no whois server on
    // port 43 can be read, whole and cut after every character. Hostile hosts are the fuzzer's.
    void referralLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        const QString ripe = u"whois.ripe.net"_s;
        const auto line = [](const char *name, const QString &text, const QString &host = {}) {
            QTest::newRow(name) << text << host;
        };
        const auto answer = [](const char *name) {
            return QString::fromLatin1(TEST_DATA(u"data/arin/"_s + QLatin1StringView(name)));
        };
        line("to RIPE, CR LF, after the terms and a ResourceLink", answer("ripe-referral.txt"),
             ripe);
        line("to APNIC in 2013, LF, a lone CR in a value", answer("apnic-referral-2013.txt"),
             u"whois.apnic.net"_s);
        line("an AS number's", answer("as-referral.txt"), ripe);
        line("rwhois is another protocol", answer("rwhois-referral.txt"));
        line("one space", u"ReferralServer: whois://whois.ripe.net\n"_s, ripe);
        line("two spaces, CR LF", u"ReferralServer:  whois://whois.ripe.net\r\n"_s, ripe);
        line("tab, port 43", u"ReferralServer:\twhois://whois.ripe.net:43\n"_s, ripe);
        line("port 43 and slash", u"ReferralServer: whois://whois.ripe.net:43/\r\n"_s, ripe);
        line("the first of two",
             u"x\nReferralServer: whois://a.test\nReferralServer: whois://b.test\n"_s, u"a.test"_s);
        line("after one not followed",
             u"ReferralServer: rwhois://r.test:4321\nReferralServer: whois://whois.ripe.net/\n"_s,
             ripe);
        line("other port", u"ReferralServer: whois://whois.ripe.net:4343\n"_s);
        line("no blank", u"ReferralServer:whois://whois.ripe.net\n"_s);
        line("ResourceLink", u"ResourceLink:  whois.ripe.net\n"_s);
        line("not at a line start", u"x ReferralServer: whois://whois.ripe.net\n"_s);
        line("no line end yet", u"ReferralServer: whois://whois.ripe.net"_s);
        line("lone CR", u"ReferralServer: whois://whois.ripe.net\rx\n"_s);
        line("text after the host", u"ReferralServer: whois://whois.ripe.net x\n"_s);
        line("path", u"ReferralServer: whois://whois.ripe.net/x\n"_s);
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

    // The registry that ARIN names is asked on port 43 only once ARIN has closed the connection,
    // and once per query; not at all when the query ended first, here on a not-found phrase.
    void referralFollowedOnce()
    {
        FakeRig rig;
        const QString arin = QString::fromLatin1(TEST_DATA("data/arin/ripe-referral.txt"));
        rig.start(u"138.198.0.1"_s, {arin.left(1000), arin.mid(1000)});
        QCOMPARE(rig.mySock2().state, int(SocketBoundary::sckClosed));
        rig.mySock().end();
        QCOMPARE(QList<QVariant>({rig.mySock2().host, rig.mySock2().port}),
                 QList<QVariant>({u"whois.ripe.net"_s, 43}));
        rig.mySock2().host.clear();
        rig.mySock().end();
        QCOMPARE(rig.mySock2().host, QString());

        rig.start(u"138.198.0.1"_s, {arin, u"No match found.\r\n"_s});
        rig.mySock().end();
        QCOMPARE(rig.status, u"Whois data for : 138.198.0.1 is NOT FOUND."_s);
        QCOMPARE(rig.mySock2().host, QString());
    }
};

QTEST_GUILESS_MAIN(tst_exchange)
#include "tst_exchange.moc"
