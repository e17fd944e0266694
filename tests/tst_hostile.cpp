// Whois servers that misbehave, seen from the window: the answer box and the status line.
#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QtTest>

#include <optional>

using Ending = LoopbackWhoisServer::Ending;
using namespace Qt::StringLiterals;

// "test" and "com" are served by `first` on 127.0.0.1, "other" by `second` on 127.0.0.2.
struct Setup
{
    LoopbackWhoisServer first, second;
    frmMain w;
};

class tst_hostile : public QObject
{
    Q_OBJECT

    std::optional<Setup> s;

    void query(const QString &text)
    {
        s->w.txtURL->setText(text);
        QTest::keyClick(s->w.txtURL, Qt::Key_Return);
    }

private slots:
    void init()
    {
        s.emplace();
        QVERIFY(s->first.listen(QHostAddress(u"127.0.0.1"_s)));
        QVERIFY(s->second.listen(QHostAddress(u"127.0.0.2"_s), s->first.port()));
        TcpSocketBoundary::setPortForTesting(s->first.port());
        QVERIFY(s->w.serverTable().LoadServers(
                "test,127.0.0.1\ncom,127.0.0.1\nother,127.0.0.2\n"_ba));
        s->w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s->w));
    }
    void cleanup() { s.reset(); }

    void endlessAnswerStopsAt16MiB()
    {
        s->first.setAnswer({"Domain: example.test\r\n"}, Ending::Endless);
        query(u"example.test"_s);
        QTRY_COMPARE_WITH_TIMEOUT(s->w.myStatus->SimpleText(),
                                  u"Whois answer too long: stopped after 16 MB."_s, 60000);
        QCOMPARE(s->w.txtResult->Text().size(), 16 * 1024 * 1024);
        QVERIFY(s->w.txtResult->Text().startsWith(u"Domain: example.test\r\nendless answer line"));
        QTRY_COMPARE(s->first.openConnections(), 0);
    }

    void bytesKeptExactly_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<QString>("expected");
        const QByteArray controls = "a\0b\x01\x02\x07\x08\t\x0b\x0c\x1b[0m\x7f\r\n\0"_ba;
        QTest::newRow("NUL and control bytes") << QList<QByteArray> {controls, controls} << 30
                                               << QString::fromLatin1(controls + controls);
        // A character may be split between reads; once a byte is not UTF-8, it and everything
        // after it read as Latin-1.
        const QByteArray latin1 = "caf\xe9 \xff\xfe\x80\xc3\r\n"_ba, valid = "\xc3\xbc\r\n"_ba;
        QTest::newRow("invalid UTF-8 as Latin-1")
                << QList<QByteArray> {"M\xc3", "\xbcller\r\n", latin1, valid} << 30
                << u"M\u00fcller\r\n"_s + QString::fromLatin1(latin1 + valid);
        // 100,000 writes of a byte each, of characters one to four bytes long.
        const QByteArray whole = "Gr\xc3\xbc\xc3\x9f"
                                 "e \xe6\x9d\xb1\xe4\xba\xac \xf0\x9f\x98\x80\n"_ba.repeated(5000);
        QList<QByteArray> bytes;
        for (char byte : whole)
            bytes.append(QByteArray(1, byte));
        QTest::newRow("100,000 one-byte chunks") << bytes << 0 << QString::fromUtf8(whole);
    }

    void bytesKeptExactly()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(int, gapMs);
        QFETCH(QString, expected);
        s->first.setAnswer(chunks, Ending::Close, gapMs);
        query(u"example.test"_s);
        QTRY_COMPARE_WITH_TIMEOUT(s->w.txtResult->Text(), expected, 20000);
        QCOMPARE(s->w.myStatus->SimpleText(), u"Whois data for : example.test"_s);
    }

    void silentServerIsLeftForTheNextQuery()
    {
        s->first.setAnswer({}, Ending::Silent);
        s->second.setAnswer({"Domain: example.other\r\n"}, Ending::Close);
        query(u"example.test"_s);
        QTRY_COMPARE(s->first.queries(), QList<QByteArray> {"example.test\r\n"});

        query(u"example.other"_s);
        QTRY_COMPARE_WITH_TIMEOUT(s->w.txtResult->Text(), u"Domain: example.other\r\n"_s, 1000);
        QCOMPARE(s->w.myStatus->SimpleText(), u"Whois data for : example.other"_s);
        QTRY_COMPARE(s->first.openConnections(), 0);
    }

    void resetMidAnswerKeepsWhatArrived()
    {
        // The empty last chunk only makes the reset wait until the client has read the rest.
        s->first.setAnswer({"Domain: example.test\r\n", "Registrant: cut off he", ""},
                           Ending::Reset, 100);
        query(u"example.test"_s);
        QTRY_COMPARE(s->w.txtResult->Text(), u"Domain: example.test\r\nRegistrant: cut off he"_s);
        QTRY_VERIFY(s->w.client().mySock().State() != SocketBoundary::sckConnected);
        // A reset reads like the end of the answer: nothing on the status line tells them apart.
        QCOMPARE(s->w.myStatus->SimpleText(), u"Whois data for : example.test"_s);
    }

    void referral_data()
    {
        QTest::addColumn<QByteArray>("registrar");
        QTest::addColumn<int>("registryQueries");
        QTest::addColumn<int>("hangingQueries");
        QTest::addColumn<QString>("status");
        const QString data = u"Whois data for : example.com"_s;
        QTest::newRow("host does not resolve")
                << "no-such-host.invalid"_ba << 1 << 0 << u"Authoritative answer: Host not found"_s;
        QTest::newRow("registrar accepts and hangs") << "127.0.0.2"_ba << 1 << 1 << data;
        QTest::newRow("registry refers to itself") << "127.0.0.1"_ba << 2 << 0 << data;
    }

    // The registry answers in two reads, the referral in the second; 127.0.0.2 accepts and hangs.
    void referral()
    {
        QFETCH(QByteArray, registrar);
        QFETCH(int, registryQueries);
        QFETCH(int, hangingQueries);
        QFETCH(QString, status);
        const QList<QByteArray> answer {"Registry banner\r\n",
                                        "   Domain Name: EXAMPLE.COM\n   Registrar WHOIS Server: "
                                                + registrar + "\n   Referral URL: http://x.test\n"};
        s->first.setAnswer(answer, Ending::Close, 50);
        s->second.setAnswer({}, Ending::Silent);
        query(u"www.example.com"_s);
        QTRY_COMPARE(s->first.queries().size(), registryQueries);
        QTRY_COMPARE(s->second.queries().size(), hangingQueries);
        QTRY_COMPARE(s->w.txtResult->Text(),
                     QString::fromLatin1(answer.join()).repeated(registryQueries));
        QTRY_COMPARE(s->w.myStatus->SimpleText(), status);
    }

    void thousandQueriesInQuickSuccession()
    {
        s->first.setAnswer(QList<QByteArray>(20, "first server\r\n"), Ending::Close, 1);
        s->second.setAnswer(QList<QByteArray>(20, "second server\r\n"), Ending::Close, 1);
        // Alternating servers, so that a stale byte of the one before would show. Every tenth
        // query is cut off only once its answer has begun to arrive.
        for (int i = 0; i < 1000; ++i) {
            query(u"q%1.%2"_s.arg(i).arg(i % 2 ? "other"_L1 : "test"_L1));
            QCoreApplication::processEvents();
            if (i % 10 == 0)
                QTRY_VERIFY(!s->w.txtResult->Text().isEmpty());
        }
        const QString expected = u"second server\r\n"_s.repeated(20);
        QTRY_COMPARE(s->w.txtResult->Text(), expected);
        QCOMPARE(s->second.queries().constLast(), "q999.other\r\n"_ba);
        QCOMPARE(s->w.myStatus->SimpleText(), u"Whois data for : q999.other"_s);
        // Once every connection is gone nothing more can arrive.
        QTRY_COMPARE(s->first.openConnections() + s->second.openConnections(), 0);
        QCOMPARE(s->w.txtResult->Text(), expected);
    }
};

QTEST_MAIN(tst_hostile)
#include "tst_hostile.moc"
