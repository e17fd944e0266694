// Whois servers that misbehave, seen from the window: what the user finds in the answer box and
// on the status line.
#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QtTest>

using Ending = LoopbackWhoisServer::Ending;

namespace {

template<size_t N>
QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1); // embedded NULs included
}

// "test" and "com" are served on 127.0.0.1, "other" on 127.0.0.2, all at the test's port.
bool prepare(frmMain &w, quint16 port)
{
    TcpSocketBoundary::setPortForTesting(port);
    w.show();
    return w.serverTable().LoadServers(
                   QByteArray("test,127.0.0.1\ncom,127.0.0.1\nother,127.0.0.2\n"))
            && QTest::qWaitForWindowExposed(&w);
}

void startQuery(frmMain &w, const QString &text)
{
    w.txtURL->setText(text);
    QTest::keyClick(w.txtURL, Qt::Key_Return);
}

// The registry's answer comes in two reads, the referral in the second.
QList<QByteArray> thinAnswer(const QByteArray &registrar)
{
    return {"Registry banner\r\n",
            "   Domain Name: EXAMPLE.COM\n   Registrar WHOIS Server: " + registrar
                    + "\n   Referral URL: http://registrar.test\n"};
}

} // namespace

class tst_hostile : public QObject
{
    Q_OBJECT

private slots:
    void endlessAnswerStopsAt16MiB()
    {
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        server.setAnswer({"Domain: example.test\r\n"}, Ending::Endless);
        frmMain w;
        QVERIFY(prepare(w, server.port()));
        startQuery(w, QStringLiteral("example.test"));
        QTRY_COMPARE_WITH_TIMEOUT(w.myStatus->SimpleText(),
                                  QStringLiteral("Whois answer too long: stopped after 16 MB."),
                                  60000);
        QCOMPARE(w.txtResult->Text().size(), 16 * 1024 * 1024);
        QVERIFY(w.txtResult->Text().startsWith(u"Domain: example.test\r\nendless answer line"));
        QTRY_COMPARE(server.openConnections(), 0);
    }

    void bytesKeptExactly_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("expected");
        const QByteArray controls = bytes("a\0b\x01\x02\x07\x08\t\x0b\x0c\x1b[0m\x7f\r\n\0");
        QTest::newRow("NUL and control bytes") << QList<QByteArray> {controls, controls}
                                               << QString::fromLatin1(controls + controls);
        const QByteArray invalid = bytes("caf\xe9 cr\xe8me \xff\xfe\x80\xc3\r\n");
        QTest::newRow("invalid UTF-8 as Latin-1")
                << QList<QByteArray> {invalid} << QString::fromLatin1(invalid);
        QTest::newRow("Latin-1 from the first invalid byte on")
                << QList<QByteArray> {"M\xc3\xbcller\r\n", "caf\xe9\r\n", "\xc3\xbc\r\n"}
                << QString::fromUtf8("M\xc3\xbcller\r\n")
                        + QString::fromLatin1("caf\xe9\r\n\xc3\xbc\r\n");
        QTest::newRow("UTF-8 character split between reads") << QList<QByteArray> {"Stra\xc3",
                                                                                   "\x9f"
                                                                                   "e\r\n"}
                                                             << QString::fromUtf8("Stra\xc3\x9f"
                                                                                  "e\r\n");
    }

    void bytesKeptExactly()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, expected);
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        server.setAnswer(chunks, Ending::Close, 30);
        frmMain w;
        QVERIFY(prepare(w, server.port()));
        startQuery(w, QStringLiteral("example.test"));
        QTRY_COMPARE(w.txtResult->Text(), expected);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Whois data for : example.test"));
    }

    void oneByteChunksArriveWhole()
    {
        // Characters of one to four bytes, written a byte at a time.
        const QByteArray line("Gr\xc3\xbc\xc3\x9f"
                              "e \xe6\x9d\xb1\xe4\xba\xac \xf0\x9f\x98\x80\n");
        const QByteArray whole = line.repeated(100000 / line.size());
        QCOMPARE(whole.size(), 100000);
        QList<QByteArray> chunks;
        for (char byte : whole)
            chunks.append(QByteArray(1, byte));
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        server.setAnswer(chunks, Ending::Close);
        frmMain w;
        QVERIFY(prepare(w, server.port()));
        startQuery(w, QStringLiteral("example.test"));
        const QString expected = QString::fromUtf8(whole);
        QTRY_COMPARE_WITH_TIMEOUT(w.txtResult->Text().size(), expected.size(), 20000);
        QCOMPARE(w.txtResult->Text(), expected);
    }

    void silentServerIsLeftForTheNextQuery()
    {
        LoopbackWhoisServer silent;
        QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
        LoopbackWhoisServer answering;
        QVERIFY(answering.listen(QHostAddress(QStringLiteral("127.0.0.2")), silent.port()));
        silent.setAnswer({}, Ending::Silent);
        answering.setAnswer({"Domain: example.other\r\n"}, Ending::Close);
        frmMain w;
        QVERIFY(prepare(w, silent.port()));
        startQuery(w, QStringLiteral("example.test"));
        QTRY_COMPARE(silent.queries(), QList<QByteArray> {"example.test\r\n"});
        QCOMPARE(silent.openConnections(), 1);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Connected"));

        startQuery(w, QStringLiteral("example.other"));
        QTRY_COMPARE_WITH_TIMEOUT(w.txtResult->Text(), QStringLiteral("Domain: example.other\r\n"),
                                  1000);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Whois data for : example.other"));
        QTRY_COMPARE(silent.openConnections(), 0);
    }

    void resetMidAnswerKeepsWhatArrived()
    {
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        // The empty last chunk only makes the reset wait until the client has read the rest.
        server.setAnswer({"Domain: example.test\r\n", "Registrant: cut off he", ""}, Ending::Reset,
                         100);
        frmMain w;
        QVERIFY(prepare(w, server.port()));
        startQuery(w, QStringLiteral("example.test"));
        QTRY_COMPARE(w.txtResult->Text(),
                     QStringLiteral("Domain: example.test\r\nRegistrant: cut off he"));
        QTRY_VERIFY(w.client().mySock().State() != SocketBoundary::sckConnected);
        // A reset reads like the end of the answer: nothing on the status line tells them apart.
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Whois data for : example.test"));

        server.setAnswer({"Domain: example.test\r\n"}, Ending::Close);
        startQuery(w, QStringLiteral("example.test"));
        QTRY_COMPARE(w.txtResult->Text(), QStringLiteral("Domain: example.test\r\n"));
    }

    void referral_data()
    {
        QTest::addColumn<QByteArray>("registrar");
        QTest::addColumn<int>("registryQueries");
        QTest::addColumn<int>("hangingQueries");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("answeredTwice");
        QTest::newRow("host does not resolve")
                << QByteArray("no-such-host.invalid") << 1 << 0
                << QStringLiteral("Authoritative answer: Host not found") << false;
        QTest::newRow("registrar accepts and hangs")
                << QByteArray("127.0.0.2") << 1 << 1
                << QStringLiteral("Whois data for : example.com") << false;
        QTest::newRow("registry refers to itself")
                << QByteArray("127.0.0.1") << 2 << 0
                << QStringLiteral("Whois data for : example.com") << true;
    }

    void referral()
    {
        QFETCH(QByteArray, registrar);
        QFETCH(int, registryQueries);
        QFETCH(int, hangingQueries);
        QFETCH(QString, status);
        QFETCH(bool, answeredTwice);
        LoopbackWhoisServer registry;
        QVERIFY(registry.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
        LoopbackWhoisServer hanging;
        QVERIFY(hanging.listen(QHostAddress(QStringLiteral("127.0.0.2")), registry.port()));
        const QList<QByteArray> answer = thinAnswer(registrar);
        registry.setAnswer(answer, Ending::Close, 50);
        hanging.setAnswer({}, Ending::Silent);
        frmMain w;
        QVERIFY(prepare(w, registry.port()));
        startQuery(w, QStringLiteral("www.example.com"));

        QTRY_COMPARE(registry.queries().size(), registryQueries);
        QTRY_COMPARE(hanging.queries().size(), hangingQueries);
        const QString once = QString::fromLatin1(answer.join());
        QTRY_COMPARE(w.txtResult->Text(), answeredTwice ? once + once : once);
        QTRY_COMPARE(w.myStatus->SimpleText(), status);
        QCOMPARE(w.client().queryState().referralServer, QString::fromLatin1(registrar));
    }

    void thousandQueriesInQuickSuccession()
    {
        LoopbackWhoisServer first;
        QVERIFY(first.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
        LoopbackWhoisServer second;
        QVERIFY(second.listen(QHostAddress(QStringLiteral("127.0.0.2")), first.port()));
        QList<QByteArray> firstAnswer, secondAnswer;
        for (int i = 0; i < 20; ++i) {
            firstAnswer.append("first server, line " + QByteArray::number(i) + "\r\n");
            secondAnswer.append("second server, line " + QByteArray::number(i) + "\r\n");
        }
        first.setAnswer(firstAnswer, Ending::Close, 1);
        second.setAnswer(secondAnswer, Ending::Close, 1);
        frmMain w;
        QVERIFY(prepare(w, first.port()));

        // Alternating servers, so that a stale byte of the one before would show. Every tenth
        // query is cut off only once its answer has begun to arrive.
        for (int i = 0; i < 1000; ++i) {
            const auto suffix = QLatin1StringView(i % 2 ? "other" : "test");
            startQuery(w, QStringLiteral("q%1.%2").arg(i).arg(suffix));
            QCoreApplication::processEvents();
            if (i % 10 == 0)
                QTRY_VERIFY(!w.txtResult->Text().isEmpty());
        }
        const QString expected = QString::fromLatin1(secondAnswer.join());
        QTRY_COMPARE(w.txtResult->Text(), expected);
        QCOMPARE(second.queries().constLast(), QByteArray("q999.other\r\n"));
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Whois data for : q999.other"));
        // Once every connection is gone nothing more can arrive.
        QTRY_COMPARE(first.openConnections() + second.openConnections(), 0);
        QCOMPARE(w.txtResult->Text(), expected);
    }
};

QTEST_MAIN(tst_hostile)
#include "tst_hostile.moc"
