// Timing a query through the real window, and the bare client that is its floor.
#pragma once

#include "Table.h"

#include <QEventLoop>

#include <functional>

class SocketBoundary;
class frmMain;

// Runs the event loop until finish() or the time-out.
class Waiter : public QEventLoop
{
public:
    void finish();
    bool wait(int timeoutMs = 60000);
    qint64 endNs = 0;
};

struct Span
{
    qint64 startNs = 0;
    qint64 endNs = 0; // 0: timed out
    double ms() const { return endNs ? ::ms(endNs - startNs) : qQNaN(); }
};

// Enter in the input box, until `done` holds after a read of `socket`. The key goes in from the
// running event loop, as in the program, so that sockets the query drops are deleted in time.
Span queryUntil(frmMain &window, SocketBoundary &socket, const std::function<bool()> &done,
                int timeoutMs = 60000);

// The whole answer of `size` characters is in the result box and drawn.
std::function<bool()> wholeAnswer(frmMain &window, qsizetype size);

// The floor of a client: a bare QTcpSocket connects, sends the query and reads until `size`
// bytes are in memory (1: the first read). Returns milliseconds.
double bareClient(quint16 port, qsizetype size);
