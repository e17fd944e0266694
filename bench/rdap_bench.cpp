// Figures, not a test: one RDAP query through the client, from StartQuery to the status line that
// reports the answer, against a bare QNetworkAccessManager GET of the same document from the same
// loopback HTTPS server. The server closes every connection, so both pay for a fresh connection
// and handshake each time.
#include "Figures.h"
#include "LoopbackRdapServer.h"
#include "ServerTable.h"
#include "Table.h"
#include "WhoisClient.h"
#include "WindowSurface.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Runs = 100;
constexpr int WarmUp = 5;

// A registry's answer of the usual size and shape.
const QByteArray Document = R"({"rdapConformance":["rdap_level_0","icann_rdap_response_profile_1"],
"objectClassName":"domain","handle":"D123-TEST","ldhName":"example.app",
"status":["client delete prohibited","client transfer prohibited","client update prohibited"],
"events":[{"eventAction":"registration","eventDate":"2018-05-08T20:18:47Z"},
 {"eventAction":"expiration","eventDate":"2027-05-08T20:18:47Z"},
 {"eventAction":"last changed","eventDate":"2026-04-01T10:00:00Z"},
 {"eventAction":"last update of RDAP database","eventDate":"2026-12-08T10:00:00Z"}],
"entities":[{"objectClassName":"entity","handle":"9999","roles":["registrar"],
 "publicIds":[{"type":"IANA Registrar ID","identifier":"9999"}],
 "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar, Inc."]]],
 "entities":[{"objectClassName":"entity","roles":["abuse"],"vcardArray":["vcard",[
  ["version",{},"text","4.0"],["fn",{},"text","Abuse desk"],
  ["email",{},"text","abuse@registrar.test"],["tel",{"type":"voice"},"uri","tel:+1.5555550100"]]]}]},
 {"objectClassName":"entity","roles":["registrant"],"vcardArray":["vcard",[
  ["version",{},"text","4.0"],["fn",{},"text","REDACTED FOR PRIVACY"],
  ["org",{},"text","Example Holdings"],
  ["adr",{},"text",["","","REDACTED FOR PRIVACY","REDACTED FOR PRIVACY","CA","","US"]]]]}],
"nameservers":[{"objectClassName":"nameserver","ldhName":"ns1.dns.test"},
 {"objectClassName":"nameserver","ldhName":"ns2.dns.test"},
 {"objectClassName":"nameserver","ldhName":"ns3.dns.test"},
 {"objectClassName":"nameserver","ldhName":"ns4.dns.test"}],
"secureDNS":{"delegationSigned":true,"dsData":[{"keyTag":12345,"algorithm":13,"digestType":2,
 "digest":"0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF"}]},
"links":[{"value":"https://rdap.test/domain/example.app","rel":"self",
 "href":"https://rdap.test/domain/example.app","type":"application/rdap+json"}],
"notices":[{"title":"Terms of Use","description":["Use this data lawfully.",
 "Do not use it for unsolicited mail."],
 "links":[{"href":"https://registry.test/tos","rel":"terms-of-service","type":"text/html"}]},
 {"title":"Status Codes","description":["For more information on domain status codes, visit the page below."],
 "links":[{"href":"https://icann.org/epp","rel":"glossary","type":"text/html"}]}]})";

// Ends a wait when the client reports the query's outcome; progress steps are not outcomes.
struct Surface : WindowSurface
{
    QString input = QStringLiteral("example.app"), outcome;
    QEventLoop *loop = nullptr;

    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { }
    void txtResult_SetText(const QString &) override { }
    void txtResult_Append(const QString &) override { }
    void myStatus_SetSimpleText(const QString &text) override
    {
        if (text.isEmpty())
            return;
        outcome = text;
        if (loop)
            loop->quit();
    }
    void myStatus_SetProgressText(const QString &) override { }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LoopbackRdapServer::trustTestCa();

    // The server answers from a thread of its own, as a remote one would.
    QString base;
    QSemaphore ready;
    QThread *serverThread = QThread::create([&] {
        LoopbackRdapServer server;
        server.setRoute({.path = "/rdap/domain/example.app", .body = Document});
        if (server.listen())
            base = server.url();
        ready.release();
        QEventLoop loop;
        loop.exec();
    });
    serverThread->start();
    ready.acquire();
    if (base.isEmpty()) {
        std::fprintf(stderr, "the loopback server could not listen\n");
        return 1;
    }

    Surface surface;
    ServerTable servers;
    servers.LoadServers(QStringLiteral("app,%1\n").arg(base).toUtf8());
    WhoisClient client(surface, servers);
    const QString found = QStringLiteral("Whois data for : example.app");
    const auto query = [&] {
        QEventLoop loop;
        surface.loop = &loop;
        surface.outcome.clear();
        const qint64 start = nowNs();
        client.StartQuery();
        if (surface.outcome.isEmpty())
            loop.exec();
        const qint64 end = nowNs();
        surface.loop = nullptr;
        return surface.outcome == found ? ms(end - start) : std::nan("");
    };

    QNetworkAccessManager bare;
    QNetworkRequest request(QUrl(base + QStringLiteral("domain/example.app")));
    request.setRawHeader("Accept", "application/rdap+json, application/json;q=0.9");
    const auto get = [&] {
        const qint64 start = nowNs();
        QNetworkReply *reply = bare.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray body = reply->readAll();
        const qint64 end = nowNs();
        const bool whole = reply->error() == QNetworkReply::NoError && body == Document;
        reply->deleteLater();
        return whole ? ms(end - start) : std::nan("");
    };

    QList<double> product, floor;
    for (int run = 0; run < WarmUp + Runs; ++run) {
        // Alternating, so that whatever the machine does meanwhile falls on both alike.
        const double q = query(), g = get();
        if (run < WarmUp)
            continue;
        if (!std::isnan(q))
            product << q;
        if (!std::isnan(g))
            floor << g;
    }
    serverThread->quit();
    serverThread->wait();
    delete serverThread;

    const double q = median(product), g = median(floor);
    header();
    row("RDAP query latency", num(q, " ms"), num(g, " ms (bare GET)"), q / g,
        "<= 1.5 x floor + 1 ms", q <= 1.5 * g + 1);
    std::printf(
            "(medians of %lld and %lld of %d alternating runs on loopback HTTPS, a fresh "
            "connection each, after %d warm-up runs; the query includes rendering the %lld-byte "
            "answer)\n",
            static_cast<long long>(product.size()), static_cast<long long>(floor.size()), Runs,
            WarmUp, static_cast<long long>(Document.size()));
    return product.size() == Runs && floor.size() == Runs ? 0 : 1;
}
