// A whois conversation driven by arbitrary bytes. The first byte picks the query, the second is
// the separator that cuts the rest into steps; each step's first byte says what happens (a chunk
// from either server, a timer tick, a connection, the end of the first answer, an error, a new
// query), the rest is the chunk.
// Besides: the answer decoder gives the same text however the bytes are cut, and loses none.
#include "Require.h"
#include "ServerTable.h"
#include "WhoisClient.h"
#include "WindowSurface.h"
#include "WireText.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <utility>

namespace {

ServerTable servers;

struct Surface : WindowSurface
{
    QString input, result, status;
    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { }
    void txtResult_SetText(const QString &text) override { result = text; }
    void txtResult_Append(const QString &chunk) override { result += chunk; }
    void myStatus_SetSimpleText(const QString &text) override { status = text; }
};

struct Socket : SocketBoundary
{
    int state = sckClosed, connects = 0;
    quint16 port = 0;
    QString host, unread;
    void Connect(const QString &to, quint16 toPort) override
    {
        host = to;
        port = toPort;
        ++connects;
        state = sckConnecting;
    }
    void SendData(const QString &) override { }
    void GetData(QString &data) override { data = std::exchange(unread, QString()); }
    int State() const override { return state; }
    void Close() override
    {
        state = sckClosed;
        unread.clear();
    }
    void open()
    {
        if (state == sckConnecting) {
            state = sckConnected;
            emit connected();
        }
    }
};

// The text is the decoded UTF-8 of some prefix of the bytes followed by the rest as Latin-1, and
// the same whether the decoder got the bytes whole or in pieces.
void fuzzDecoder(const QList<QByteArray> &pieces)
{
    AnswerDecoder whole, piecewise;
    const QByteArray bytes = pieces.join();
    QString text;
    for (const QByteArray &piece : pieces)
        text += piecewise.decode(piece);
    text += piecewise.flush();
    REQUIRE(text == whole.decode(bytes) + whole.flush());
    qsizetype n = 0, utf8Bytes = 0;
    for (; text.size() - n != bytes.size() - utf8Bytes; ++n) {
        REQUIRE(n < text.size());
        const char16_t unit = text.at(n).unicode();
        utf8Bytes += unit < 0x80 ? 1 : unit < 0x800 || QChar::isSurrogate(unit) ? 2 : 3;
    }
    REQUIRE(text.first(n).toUtf8() == bytes.first(utf8Bytes));
    REQUIRE(text.sliced(n) == QString::fromLatin1(bytes.sliced(utf8Bytes)));
}

void fuzzExchange(char kind, const QList<QByteArray> &steps)
{
    static const char *const inputs[]
            = {"www.example.com", "example.net", "example.jp",  "www.example.co.jp", "example.org",
               "192.0.2.010",     "example.zz",  "2001:db8::1", "as64496",           "10.0.0.0/8"};
    // A host name as DNS spells it: letters, digits and inner hyphens, labels of up to 63.
    static const QRegularExpression hostName(
            QStringLiteral("^(?=.{1,253}$)[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                           "(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*$"));
    Surface surface;
    surface.input = QString::fromLatin1(inputs[static_cast<unsigned char>(kind) % 10]);
    QList<Socket *> sockets;
    WhoisClient client(surface, servers, [&sockets] {
        sockets.append(new Socket);
        return std::unique_ptr<SocketBoundary>(sockets.constLast());
    });
    Socket &mySock = *sockets.at(0), &mySock2 = *sockets.at(1);
    client.StartQuery();
    mySock.open();

    AnswerDecoder decoders[2];
    for (const QByteArray &step : steps) {
        const char action = step.isEmpty() ? 'a' : step.at(0);
        const bool second = action == 'b' || action == 'f';
        Socket &socket = second ? mySock2 : mySock;
        const QString chunk = decoders[second].decode(
                QByteArrayView(step).sliced(std::min<qsizetype>(1, step.size())));
        const QString before = surface.result;
        switch (action) {
        case 't':
            // Ticks come only while the timer runs.
            if (client.Timer1().isActive())
                client.Timer1_Timer();
            // The referral is followed exactly as found, and only once.
            REQUIRE(client.queryState().referralServer.isEmpty() || !client.Timer1().isActive());
            REQUIRE(mySock2.state == Socket::sckClosed
                    || mySock2.host == client.queryState().referralServer);
            break;
        case 'c':
            mySock2.open();
            break;
        case 'z':
            // The first server closes the connection. A registry that ARIN names is asked once,
            // on port 43, and only when it is named by a host name, whatever else the line holds.
            if (mySock.state == Socket::sckConnected) {
                const int before = mySock2.connects;
                mySock.state = Socket::sckClosing;
                emit mySock.closedByPeer();
                REQUIRE(mySock2.connects == before
                        || (before == 0 && mySock2.connects == 1 && mySock2.port == 43
                            && hostName.match(mySock2.host).hasMatch()
                            && client.queryState().kind != QueryKind::Domain));
            }
            break;
        case 'e':
        case 'f':
            // Only a connection in use can fail, and a failure ends the whole query.
            if (socket.state == Socket::sckClosed)
                break;
            socket.state = Socket::sckError;
            emit socket.errorOccurred(chunk);
            REQUIRE(mySock.state == Socket::sckClosed && mySock2.state == Socket::sckClosed);
            REQUIRE(!client.Timer1().isActive());
            break;
        case 'q':
            client.StartQuery();
            mySock2.connects = 0;
            REQUIRE(surface.result.isEmpty() && client.queryState().arrivalCount == 0);
            mySock.open();
            break;
        default:
            if (chunk.isEmpty())
                break;
            // An open connection adds its chunk unchanged; any other adds nothing, and its data
            // is gone with it.
            const bool open = socket.state == Socket::sckConnected;
            socket.unread += chunk;
            emit socket.dataArrived(chunk.size());
            REQUIRE(surface.result == (open ? before + chunk : before));
            socket.unread.clear();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // QObject and QTimer want an application object; it lives as long as the process.
    static int count = *argc;
    new QCoreApplication(count, *argv);
    servers.LoadServers(QByteArray("com,whois.registry.test\nnet,whois.registry.test\n"
                                   "jp,whois.jp.test\nco.jp,whois.jp.test\norg,whois.org.test\n"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const char separator = bytes.at(1);
    fuzzExchange(bytes.at(0), bytes.sliced(2).split(separator));
    // The same bytes cut after every separator, none dropped.
    QList<QByteArray> pieces = bytes.split(separator);
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
        pieces[i] += separator;
    fuzzDecoder(pieces);
    return 0;
}
