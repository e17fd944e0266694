#include "LoopbackWhoisServer.h"
#include "TcpSocketBoundary.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using Ending = LoopbackWhoisServer::Ending;

namespace {

// Drives a connection the way the exchange does: sends the query line once connected, and on
// every arrival takes the text with GetData, but only while State() reports connected.
struct Reader
{
    Reader(TcpSocketBoundary &socket, const QString &queryLine)
    {
        QObject::connect(&socket, &SocketBoundary::connected, &socket,
                         [&socket, queryLine] { socket.SendData(queryLine); });
        QObject::connect(&socket, &SocketBoundary::dataArrived, &socket, [this, &socket] {
            if (paused)
                return;
            if (socket.State() != SocketBoundary::sckConnected) {
                ++unreadable;
                return;
            }
            QString chunk;
            socket.GetData(chunk);
            if (chunk.isEmpty())
                ++unreadable;
            text += chunk;
        });
    }

    QString text;
    bool paused = false; // leaves the text waiting in the socket
    int unreadable = 0;  // arrivals whose text GetData could not take
};

void addRow(const char *name, const QList<QByteArray> &chunks, const QString &text,
            const QString &line = QStringLiteral("example.test\r\n"),
            const QByteArray &wire = "example.test\r\n")
{
    QTest::newRow(name) << line << wire << chunks << text;
}

} // namespace

class tst_socketboundary : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { TcpSocketBoundary::setPortForTesting(0); }
    void exchange_data();
    void exchange();
    void outcomeComesAfterConnectReturns_data();
    void outcomeComesAfterConnectReturns();
    void closeThenConnectElsewhere();
    void closeDropsPendingOutcome();
};

void tst_socketboundary::exchange_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("text");

    QByteArray bulk;
    for (int i = 0; i < 5000; ++i)
        bulk += "line " + QByteArray::number(i) + " of a long answer\r\n";
    const QList<QByteArray> answer {"Domain Name: EXAMPLE.TEST\r\n", bulk, "", "End\r\n"};
    addRow("long answer in chunks", answer, QString::fromLatin1(answer.join()));
    addRow("two-byte character split", {"caf\xc3", "\xa9\r\n"}, QStringLiteral("café\r\n"));
    addRow("four-byte character split", {"\xf0\x9f", "\x98\x80 ok\r\n"},
           QStringLiteral("😀 ok\r\n"));
    addRow("invalid byte: the rest is Latin-1", {"\xc3\xa9 ", "\xff ", "\xc3\xa9\r\n"},
           QStringLiteral("é ÿ Ã©\r\n"));
    addRow("unfinished character, then ASCII", {"a\xc3", "b\r\n"}, QStringLiteral("aÃb\r\n"));
    addRow("unfinished character at the close", {"end ", "\xe2\x82"},
           QString::fromLatin1("end \xe2\x82"));
    addRow("international name sent as A-label", {"ok\r\n"}, QStringLiteral("ok\r\n"),
           QStringLiteral("bücher.example\r\n"), "xn--bcher-kva.example\r\n");
    addRow("international name before an option", {"ok\r\n"}, QStringLiteral("ok\r\n"),
           QStringLiteral("bücher.jp /e\r\n"), "xn--bcher-kva.jp /e\r\n");
    addRow("wide space stays inside its label", {"ok\r\n"}, QStringLiteral("ok\r\n"),
           QStringLiteral("a\u3000b.example\r\n"), QStringLiteral("a\u3000b.example\r\n").toUtf8());
}

void tst_socketboundary::exchange()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, wire);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, text);

    // The gap makes the client most likely read each chunk on its own; the close follows at once.
    LoopbackWhoisServer server;
    QVERIFY(server.listen());
    server.setAnswer(chunks, Ending::Close, 100);
    TcpSocketBoundary::setPortForTesting(server.port());

    TcpSocketBoundary socket;
    Reader reader(socket, line);
    QSignalSpy errors(&socket, &SocketBoundary::errorOccurred);
    socket.Connect(QStringLiteral("127.0.0.1"), 43);
    QTRY_COMPARE(socket.State(), int(SocketBoundary::sckClosing));
    QCOMPARE(server.queries(), QList<QByteArray> {wire});
    QCOMPARE(reader.text, text);
    QCOMPARE(reader.unreadable, 0);
    // The server's close is the normal end of an answer, not an error.
    QCOMPARE(errors.count(), 0);
}

void tst_socketboundary::outcomeComesAfterConnectReturns_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("error"); // empty: the connection is made

    QTest::newRow("listening server") << "127.0.0.1" << true << "";
    QTest::newRow("refused") << "127.0.0.1" << false << "Connection refused";
    QTest::newRow("unresolvable host")
            << "no-such-host.invalid" << true << "Authoritative answer: Host not found";
    QTest::newRow("empty host") << "" << true << "Authoritative answer: Host not found";
}

void tst_socketboundary::outcomeComesAfterConnectReturns()
{
    QFETCH(QString, host);
    QFETCH(bool, listening);
    QFETCH(QString, error);

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TcpSocketBoundary::setPortForTesting(server.serverPort());
    if (!listening)
        server.close(); // nothing listens on that port any more

    TcpSocketBoundary socket;
    QSignalSpy connects(&socket, &SocketBoundary::connected);
    QSignalSpy errors(&socket, &SocketBoundary::errorOccurred);
    QSignalSpy arrivals(&socket, &SocketBoundary::dataArrived);
    socket.Connect(host, 43);
    // The caller must be able to finish its own steps before any outcome reaches it.
    QCOMPARE(connects.count() + errors.count() + arrivals.count(), 0);

    if (error.isEmpty()) {
        QVERIFY(connects.wait());
        QCOMPARE(socket.State(), int(SocketBoundary::sckConnected));
    } else {
        QVERIFY(errors.wait(30000));
        QCOMPARE(errors.constFirst().constFirst().toString(), error);
    }
    QCOMPARE(connects.count() + errors.count(), 1);
}

void tst_socketboundary::closeThenConnectElsewhere()
{
    LoopbackWhoisServer first;
    QVERIFY(first.listen());
    // A byte that is not UTF-8 turns the first connection's decoding to Latin-1.
    first.setAnswer({"first answer \xff\r\n"}, Ending::Endless);
    LoopbackWhoisServer second;
    QVERIFY(second.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
    second.setAnswer({"second answer \xc3\xa9\r\n"}, Ending::Close, 50);

    TcpSocketBoundary socket;
    Reader reader(socket, QStringLiteral("example.test\r\n"));
    QSignalSpy connects(&socket, &SocketBoundary::connected);
    QSignalSpy errors(&socket, &SocketBoundary::errorOccurred);
    TcpSocketBoundary::setPortForTesting(first.port());
    socket.Connect(QStringLiteral("127.0.0.1"), 43);
    // Enough that more of the first answer is still on its way when the connection is dropped.
    QTRY_VERIFY(reader.text.size() > 100000);
    // One arrival stays unread, as if its handler had not run yet.
    reader.paused = true;
    QSignalSpy arrivals(&socket, &SocketBoundary::dataArrived);
    QVERIFY(arrivals.wait());

    socket.Close();
    TcpSocketBoundary::setPortForTesting(second.port());
    socket.Connect(QStringLiteral("127.0.0.2"), 43);
    reader.paused = false;
    reader.text.clear();
    connects.clear();
    QString leftover;
    socket.GetData(leftover);
    QCOMPARE(leftover, QString());

    QTRY_COMPARE(socket.State(), int(SocketBoundary::sckClosing));
    QCOMPARE(reader.text, QStringLiteral("second answer é\r\n"));
    QCOMPARE(connects.count(), 1);
    QCOMPARE(errors.count(), 0);
    QTRY_COMPARE(first.openConnections(), 0);
}

void tst_socketboundary::closeDropsPendingOutcome()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TcpSocketBoundary::setPortForTesting(server.serverPort());

    TcpSocketBoundary socket;
    QSignalSpy connects(&socket, &SocketBoundary::connected);
    QSignalSpy errors(&socket, &SocketBoundary::errorOccurred);
    socket.Connect(QString(), 43); // its error is still on its way when the connection is dropped
    socket.Close();
    socket.Connect(QStringLiteral("127.0.0.1"), 43);
    QVERIFY(connects.wait());
    QCOMPARE(errors.count(), 0);
}

QTEST_GUILESS_MAIN(tst_socketboundary)
#include "tst_socketboundary.moc"
