// ARIN's answers about addresses and AS numbers that another regional registry holds: the
// referral line found in them, and when the second question follows it, on connections driven by
// hand. tst_loopback asks the registries over real connections.
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

    // The registry that ARIN names is asked on port 43 only once ARIN has closed the connection,
    // and once per query; not at all when the query ended first, here on a not-found phrase.
    void referralFollowedOnce()
    {
        FakeRig rig;
        const QString arin = arinData(u"ripe-referral.txt"_s);
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

QTEST_GUILESS_MAIN(tst_arin)
#include "tst_arin.moc"
