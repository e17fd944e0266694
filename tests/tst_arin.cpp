// ARIN's answers about addresses and AS numbers that another regional registry holds: the
// referral line found in them, and the second question that follows it, on connections driven by
// hand.
#include "ArinReferral.h"
#include "FakeSockets.h"

using namespace Qt::StringLiterals;

namespace {

QString arinData(const QString &name)
{
    QFile file(QFINDTESTDATA(u"data/arin/"_s + name));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

} // namespace

class tst_arin : public QObject
{
    Q_OBJECT

private slots:
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
        FakeRig rig;
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
    // read, whole and cut after every character. Hostile bytes in the host are the fuzzer's.
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

    // A query that ended before ARIN closed the connection, here on a not-found phrase, asks no
    // other registry.
    void noReferralAfterAnEarlyEnd()
    {
        FakeRig rig;
        rig.start(u"138.198.0.1"_s, {arinData(u"ripe-referral.txt"_s), u"No match found.\r\n"_s});
        rig.mySock().end();
        QCOMPARE(rig.status, u"Whois data for : 138.198.0.1 is NOT FOUND."_s);
        QCOMPARE(rig.mySock2().host, QString());
    }
};

QTEST_GUILESS_MAIN(tst_arin)
#include "tst_arin.moc"
