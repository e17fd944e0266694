// Rendering RDAP documents of 1, 4 and 16 MiB (many name servers, contacts and notices): the time
// for 1 MiB, and how it grows with the size, against parsing the same JSON alone.
#include "RdapText.h"
#include "Table.h"

#include <QJsonDocument>
#include <QList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

using namespace Qt::StringLiterals;

constexpr int Runs = 5;

QByteArray nameServer(const QByteArray &n)
{
    return R"({"objectClassName":"nameserver","ldhName":"ns)" + n + R"(.xn--bcher-kva.example"})";
}

QByteArray contact(const QByteArray &n)
{
    return R"({"objectClassName":"entity","handle":"C)" + n
            + R"(","roles":["technical","billing"],"vcardArray":["vcard",[["version",{},"text",)"
              R"("4.0"],["fn",{},"text","Contact )"
            + n
            + R"("],["org",{},"text","Example Org"],["adr",{"cc":"DE"},"text",["","",)"
              R"(["Hauptstr. 1","Hinterhaus"],"Berlin","BE","10115",""]],)"
              R"(["tel",{"type":"voice"},"uri","tel:+49.30123456"],)"
              R"(["email",{},"text","contact)"
            + n + R"(@example.test"]]]})";
}

QByteArray notice(const QByteArray &n)
{
    return R"({"title":"Notice )" + n
            + R"(","description":["First line of the notice.","Second line, a little longer."],)"
              R"("links":[{"rel":"related","href":"https://registry.test/notices/)"
            + n + R"(","type":"text/html"}]})";
}

// A domain whose name servers, contacts and notices fill about `bytes`, one of each per step.
QByteArray document(qsizetype bytes)
{
    QList<QByteArray> nameServers, contacts, notices;
    for (qsizetype size = 0, n = 0; size < bytes; ++n) {
        const QByteArray number = QByteArray::number(n);
        nameServers.append(nameServer(number));
        contacts.append(contact(number));
        notices.append(notice(number));
        size += nameServers.constLast().size() + contacts.constLast().size()
                + notices.constLast().size() + 3;
    }
    return R"({"objectClassName":"domain","ldhName":"xn--bcher-kva.example","nameservers":[)"
            + nameServers.join(',') + R"(],"entities":[)" + contacts.join(',') + R"(],"notices":[)"
            + notices.join(',') + "]}";
}

// This thread's CPU time, page faults included: on a busy machine the wall clock would measure
// the other processes as well.
qint64 cpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Timing
{
    double render = 0;
    double parse = 0;
    qsizetype lines = 0;
};

Timing timeDocument(qsizetype bytes)
{
    const QByteArray body = document(bytes);
    const QUrl source(u"https://rdap.registry.test/domain/xn--bcher-kva.example"_s);
    QList<double> render, parse;
    Timing timing;
    // The first run of each size pays for the allocator's first touch of its memory.
    renderRdap(body, source);
    for (int run = 0; run < Runs; ++run) {
        qint64 start = cpuNs();
        const RdapDocument rendered = renderRdap(body, source);
        render.append(ms(cpuNs() - start));
        timing.lines = rendered.text.count(u'\n');
        start = cpuNs();
        // Parsed and freed, as the rendering does.
        const bool parsed = QJsonDocument::fromJson(body).isObject();
        parse.append(ms(cpuNs() - start));
        if (!rendered.isRdap || !parsed)
            return {qQNaN(), qQNaN(), 0};
    }
    timing.render = median(render);
    timing.parse = median(parse);
    return timing;
}

} // namespace

int main()
{
    constexpr qsizetype MiB = 1024 * 1024;
    const Timing t1 = timeDocument(MiB), t4 = timeDocument(4 * MiB), t16 = timeDocument(16 * MiB);
    header();
    row("RDAP render 1 MiB", num(t1.render, " ms CPU"), num(t1.parse, " ms (parse)"),
        t1.render / t1.parse, "<= 250 ms", t1.render <= 250);
    const double grow4 = t4.render / t1.render, grow16 = t16.render / t4.render;
    row("RDAP render T(4)/T(1)", num(grow4, ""), num(t4.parse / t1.parse, " (parse)"), grow4 / 4,
        "<= 4.4", grow4 <= 4.4);
    row("RDAP render T(16)/T(4)", num(grow16, ""), num(t16.parse / t4.parse, " (parse)"),
        grow16 / 4, "<= 4.4", grow16 <= 4.4);
    std::printf("(medians of %d renderings in CPU time; 16 MiB gave %lld lines)\n", Runs,
                static_cast<long long>(t16.lines));
    return 0;
}
