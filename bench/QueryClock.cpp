// Each query is timed from the key that starts it to the read that completes it.
#include "QueryClock.h"

#include "Figures.h"
#include "ResultBox.h"
#include "SocketBoundary.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

void Waiter::finish()
{
    if (!endNs) {
        endNs = nowNs();
        quit();
    }
}

bool Waiter::wait(int timeoutMs)
{
    if (!endNs) {
        // A timer of its own: a pending QTimer::singleShot would outlive the wait.
        QTimer timeout;
        timeout.callOnTimeout(this, [this] { exit(1); });
        timeout.start(timeoutMs);
        exec();
    }
    return endNs != 0;
}

Span queryUntil(frmMain &window, SocketBoundary &socket, const std::function<bool()> &done,
                int timeoutMs)
{
    Waiter waiter;
    Span span;
    QObject::connect(&socket, &SocketBoundary::dataArrived, &waiter, [&] {
        if (done())
            waiter.finish();
    });
    QTimer::singleShot(0, &waiter, [&] {
        span.startNs = nowNs();
        QTest::keyClick(window.txtURL, Qt::Key_Return);
    });
    span.endNs = waiter.wait(timeoutMs) ? waiter.endNs : 0;
    return span;
}

std::function<bool()> wholeAnswer(frmMain &window, qsizetype size)
{
    return [&window, size] {
        if (window.txtResult->length() < size)
            return false;
        window.txtResult->flushPending();
        return true;
    };
}

double bareClient(quint16 port, qsizetype size)
{
    QTcpSocket socket;
    QByteArray data;
    Waiter waiter;
    QObject::connect(&socket, &QTcpSocket::connected, &waiter,
                     [&] { socket.write("example.test\r\n"); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &waiter, [&] {
        data += socket.readAll();
        if (data.size() >= size)
            waiter.finish();
    });
    const qint64 start = nowNs();
    socket.connectToHost(QHostAddress::LocalHost, port);
    return waiter.wait() ? ms(waiter.endNs - start) : qQNaN();
}
