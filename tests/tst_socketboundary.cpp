#include "LoopbackWhoisServer.h"
#include "TcpSocketBoundary.h"

#include <QSignalSpy>
#include <QtTest>

using Ending = LoopbackWhoisServer::Ending;

namespace {

// Reads as the exchange does: sends the query once connected, takes each arrival with GetData
// but only while State() reports connected.
void readInto(TcpSocketBoundary &socket, const QString &queryLine, QString &text)
{
    QObject::connect(&socket, &SocketBoundary::connected, &socket,
                     [&socket, queryLine] { socket.SendData(queryLine); });
    QObject::connect(&socket, &SocketBoundary::dataArrived, &socket, [&socket, &text] {
        QString chunk;
        if (socket.State() == SocketBoundary::sckConnected)
            socket.GetData(chunk);
        text += chunk;
    });
}

void addRow(const char *name, const QList<QByteArray> &chunks, const QString &text,
            const QString &host = QStringLiteral("127.0.0.1"))
{
    QTest::newRow(name) << host << chunks << text;
}

} // namespace

class tst_socketboundary : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
    void closeThenConnectElsewhere();
};

void tst_socketboundary::exchange_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("text"); // with no answer: the error the connection ends in

    // The long answer ends in the first bytes of a character that never comes.
    const QList<QByteArray> answer {"Domain Name: EXAMPLE.TEST\r\n", QByteArray(200000, 'x'), "",
                                    "End \xe2\x82"};
    addRow("long answer in chunks, unfinished character at the close", answer,
           QString::fromLatin1(answer.join()));
    // The unfinished character before the first invalid byte is kept, as Latin-1 like the rest.
    addRow("character split across writes, then invalid UTF-8",
           {"\xf0\x9f", "\x98\x80 \xc3", "b ", "\xc3\xa9\r\n"}, QStringLiteral("😀 Ãb Ã©\r\n"));
    const QString notFound = QStringLiteral("Authoritative answer: Host not found");
    addRow("refused", {}, QStringLiteral("Connection refused"), QStringLiteral("127.0.0.3"));
    addRow("unresolvable host", {}, notFound, QStringLiteral("no-such-host.invalid"));
    addRow("empty host", {}, notFound, QString());
}

void tst_socketboundary::exchange()
{
    QFETCH(QString, host);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, text);

    // Listens on 127.0.0.1 only. The gap makes the client most likely read each chunk on its own;
    // the close follows at once.
    LoopbackWhoisServer server;
    QVERIFY(server.listen());
    server.setAnswer(chunks, Ending::Close, 100);
    TcpSocketBoundary::setPortForTesting(server.port());

    TcpSocketBoundary socket;
    QString received;
    // A wide space is part of its label, not a separator.
    readInto(socket, QStringLiteral("bücher.example a\u3000b.example /e\r\n"), received);
    QSignalSpy connects(&socket, &SocketBoundary::connected);
    QSignalSpy errors(&socket, &SocketBoundary::errorOccurred);
    socket.Connect(host, 43);
    // The caller must be able to finish its own steps before any outcome reaches it.
    QCOMPARE(connects.count() + errors.count(), 0);
    if (chunks.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 30000);
        QCOMPARE(errors.constFirst().constFirst().toString(), text);
        return;
    }
    QTRY_COMPARE(socket.State(), int(SocketBoundary::sckClosing));
    QCOMPARE(server.queries(),
             QList<QByteArray> {
                     QStringLiteral("xn--bcher-kva.example a\u3000b.example /e\r\n").toUtf8()});
    QCOMPARE(received, text);
    QCOMPARE(errors.count(), 0); // the server's close ends an answer normally
}

void tst_socketboundary::closeThenConnectElsewhere()
{
    LoopbackWhoisServer first;
    QVERIFY(first.listen());
    first.setAnswer({"first answer \xff\r\n"}, Ending::Endless);
    LoopbackWhoisServer second;
    QVERIFY(second.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
    second.setAnswer({"second answer \xc3\xa9\r\n"}, Ending::Close, 50);

    TcpSocketBoundary socket;
    QSignalSpy errors(&socket, &SocketBoundary::errorOccurred);
    QSignalSpy arrivals(&socket, &SocketBoundary::dataArrived);
    // This connection's error is still on its way when the next Connect drops it.
    socket.Connect(QString(), 43);
    TcpSocketBoundary::setPortForTesting(first.port());
    socket.Connect(QStringLiteral("127.0.0.1"), 43);
    QVERIFY(QSignalSpy(&socket, &SocketBoundary::connected).wait());
    socket.SendData(QStringLiteral("example.test\r\n"));
    // The text stays unread while more of the answer is still on its way.
    QTRY_VERIFY(arrivals.count() > 3);

    socket.Close();
    TcpSocketBoundary::setPortForTesting(second.port());
    QString received;
    readInto(socket, QStringLiteral("example.test\r\n"), received);
    socket.Connect(QStringLiteral("127.0.0.2"), 43);
    QTRY_COMPARE(socket.State(), int(SocketBoundary::sckClosing));
    // Neither the unread text nor the Latin-1 decoding of the first connection is left over.
    QCOMPARE(received, QStringLiteral("second answer é\r\n"));
    QCOMPARE(errors.count(), 0);
    QTRY_COMPARE(first.openConnections(), 0);
}

QTEST_GUILESS_MAIN(tst_socketboundary)
#include "tst_socketboundary.moc"
