// Memory of one long answer in the real window: prints the window's resident memory once it has
// settled, its peak resident memory (VmHWM) once a 16 MiB answer from a loopback server is all on
// screen, and its resident memory then, in KiB. The server makes its text as it goes, so that
// none of the peak is its own.
#include "Figures.h"
#include "ResultBox.h"
#include "TcpSocketBoundary.h"
#include "WhoisClient.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QWindow>

#include <cstdio>

namespace {

constexpr qsizetype AnswerSize = 16 * 1024 * 1024;
constexpr int SegmentSize = 1460; // one Ethernet segment of payload

// Answers each connection with AnswerSize bytes of whois-like lines, in 1,460-byte writes, each
// only once the last has gone out, then closes.
class LineServer : public QTcpServer
{
public:
    explicit LineServer(QThread *thread) { moveToThread(thread); }

    quint16 start()
    {
        quint16 port = 0;
        QMetaObject::invokeMethod(
                this,
                [&] {
                    connect(this, &QTcpServer::newConnection, this, [this] {
                        while (QTcpSocket *socket = nextPendingConnection())
                            serve(socket);
                    });
                    if (listen(QHostAddress::LocalHost))
                        port = serverPort();
                },
                Qt::BlockingQueuedConnection);
        return port;
    }

private:
    void serve(QTcpSocket *socket)
    {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine() || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { next(socket); });
            next(socket);
        });
    }

    void next(QTcpSocket *socket)
    {
        if (socket->bytesToWrite() > 0)
            return;
        if (m_sent == AnswerSize) {
            socket->disconnectFromHost();
            return;
        }
        while (m_text.size() < SegmentSize)
            m_text += "Registrant Street: " + QByteArray::number(1000 + m_line++)
                    + " Example Road, Springfield\r\n";
        const qsizetype size = std::min<qsizetype>(SegmentSize, AnswerSize - m_sent);
        socket->write(m_text.constData(), size);
        m_text.remove(0, size);
        m_sent += size;
    }

    QByteArray m_text;
    qsizetype m_sent = 0;
    int m_line = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QThread serverThread;
    serverThread.start();
    auto *server = new LineServer(&serverThread);
    const quint16 port = server->start();

    frmMain window;
    window.serverTable().LoadServers(QByteArray("test,127.0.0.1\n"));
    window.show();
    if (!port || !QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(300); // settles
    const qint64 idle = rssKiB();
    // From here on the peak counts: Linux sets VmHWM back to the present resident size.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();

    TcpSocketBoundary::setPortForTesting(port);
    window.txtURL->setText(QStringLiteral("example.test"));
    QEventLoop loop;
    QObject::connect(&window.client().mySock(), &SocketBoundary::dataArrived, &loop, [&] {
        if (window.txtResult->length() >= AnswerSize)
            loop.quit();
    });
    QTimer::singleShot(0, &loop, [&] { QTest::keyClick(window.txtURL, Qt::Key_Return); });
    QTimer::singleShot(120000, &loop, [&] { loop.exit(1); });
    if (loop.exec() != 0)
        return 1;
    window.txtResult->flushPending();
    window.txtResult->viewport()->repaint();
    std::printf("idle %lld peak %lld after %lld\n", static_cast<long long>(idle),
                static_cast<long long>(statusKiB("VmHWM:")), static_cast<long long>(rssKiB()));
    server->deleteLater();
    serverThread.quit();
    serverThread.wait();
    return 0;
}
