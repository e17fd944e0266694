// Queries for suffixes listed with an RDAP service, against HTTPS servers on loopback addresses
// that trust only the test CA.
#include "LoopbackRdapServer.h"
#include "RdapText.h"
#include "ServerTable.h"
#include "WhoisClient.h"
#include "WindowSurface.h"

#include <QtTest>

Q_DECLARE_METATYPE(RdapRoute)

using namespace Qt::StringLiterals;

namespace {

const QString Connecting = QStringLiteral("Connecting ...");

// A registry's answer, shaped as RDAP servers send it: nested entities, a jCard, events, links.
QByteArray domainDocument(const QByteArray &name, const QByteArray &registrarLink = {})
{
    QByteArray related;
    if (!registrarLink.isEmpty()) {
        related = R"(,{"value":"x","rel":"related","type":"application/rdap+json","href":")"
                + registrarLink + R"("})";
    }
    return R"({"rdapConformance":["rdap_level_0","icann_rdap_response_profile_1"],
"objectClassName":"domain","handle":"D123-TEST","ldhName":")"
            + name + R"(","status":["client transfer prohibited","active"],
"events":[{"eventAction":"registration","eventDate":"2018-05-08T20:18:47Z"},
 {"eventAction":"expiration","eventDate":"2027-05-08T20:18:47Z"}],
"entities":[{"objectClassName":"entity","handle":"9999","roles":["registrar"],
 "publicIds":[{"type":"IANA Registrar ID","identifier":"9999"}],
 "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar, Inc."]]],
 "entities":[{"objectClassName":"entity","roles":["abuse"],"vcardArray":["vcard",[
  ["version",{},"text","4.0"],["email",{},"text","abuse@registrar.test"],
  ["tel",{"type":"voice"},"uri","tel:+1.5555550100"]]]}]}],
"nameservers":[{"objectClassName":"nameserver","ldhName":"ns1.dns.test"},
 {"objectClassName":"nameserver","ldhName":"NS2.DNS.TEST","unknownMember":[1,2]}],
"secureDNS":{"delegationSigned":false},
"links":[{"value":"x","rel":"self","href":"https://rdap.test/domain/x","type":"application/rdap+json"})"
            + related + R"(],
"notices":[{"title":"Terms of Use","description":["Use this data lawfully."],
 "links":[{"href":"https://registry.test/tos","rel":"terms-of-service","type":"text/html"}]}]})";
}

// The window as the client sees it: what is shown, and apart from it what a screen reader speaks.
struct Rig : WindowSurface
{
    QString input, result, status;
    QStringList spoken, progress;
    ServerTable servers;
    WhoisClient client {*this, servers};

    explicit Rig(const QString &rows) { servers.LoadServers(rows.toUtf8()); }
    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { }
    void txtResult_SetText(const QString &text) override { result = text; }
    void txtResult_Append(const QString &chunk) override { result += chunk; }
    void myStatus_SetSimpleText(const QString &text) override
    {
        status = text;
        if (!text.isEmpty())
            spoken.append(text);
    }
    void myStatus_SetProgressText(const QString &text) override
    {
        status = text;
        progress.append(text);
    }
    void start(const QString &query)
    {
        input = query;
        client.StartQuery();
    }
};

QString rendered(const QString &url, const QByteArray &body)
{
    return renderRdap(body, QUrl(url)).text;
}

} // namespace

class tst_rdap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { LoopbackRdapServer::trustTestCa(); }

    // One query for example.app, its outcome on the status line and in the result box.
    void outcome_data()
    {
        QTest::addColumn<QString>("server"); // trusted, untrusted or none listening
        QTest::addColumn<QList<RdapRoute>>("routes");
        QTest::addColumn<QString>("status");        // %host: the server's address
        QTest::addColumn<QByteArray>("answerPath"); // the route whose answer is shown; none: empty

        const QByteArray path = "/rdap/domain/example.app";
        const QByteArray document = domainDocument("example.app");
        const RdapRoute answer {.path = path, .body = document};
        const QString found = QStringLiteral("Whois data for : example.app");
        const auto failed = [](const char *tail) {
            return QStringLiteral("RDAP server %host ") + QLatin1StringView(tail);
        };
        QTest::newRow("answer") << "trusted" << QList {answer} << found << path;
        QTest::newRow("404") << "trusted" << QList<RdapRoute>()
                             << "Whois data for : example.app is NOT FOUND." << QByteArray();
        for (int code : {301, 302, 307, 308}) {
            const QByteArray moved = "/moved/" + QByteArray::number(code) + "/example.app";
            QTest::addRow("%d redirect", code)
                    << "trusted"
                    << QList {RdapRoute::redirect(path, code, "%origin" + moved),
                              RdapRoute {.path = moved, .body = document}}
                    << found << moved;
        }
        QTest::newRow("relative redirects")
                << "trusted"
                << QList {RdapRoute::redirect(path, 302, "/a"), RdapRoute::redirect("/a", 307, "b"),
                          RdapRoute {.path = "/b", .body = document}}
                << found << QByteArray("/b");
        QTest::newRow("redirect to http")
                << "trusted" << QList {RdapRoute::redirect(path, 301, "%http" + path)}
                << failed("redirected to an address that is not secure (http): not followed.")
                << QByteArray();
        // A chain of redirects: the answer at its end is shown after 5, and never after 6.
        const auto chain = [&](int hops) {
            QList<RdapRoute> routes {RdapRoute::redirect(path, 307, "/1")};
            for (int hop = 1; hop < hops; ++hop)
                routes << RdapRoute::redirect('/' + QByteArray::number(hop), 308,
                                              '/' + QByteArray::number(hop + 1));
            return routes << RdapRoute {.path = '/' + QByteArray::number(hops), .body = document};
        };
        QTest::newRow("5 redirects") << "trusted" << chain(5) << found << QByteArray("/5");
        QTest::newRow("6 redirects")
                << "trusted" << chain(6) << failed("redirected more than 5 times.") << QByteArray();
        QTest::newRow("redirect loop") << "trusted"
                                       << QList {RdapRoute::redirect(path, 302, "/loop"),
                                                 RdapRoute::redirect("/loop", 302, path)}
                                       << failed("redirected more than 5 times.") << QByteArray();
        const auto status = [&](int code, const QByteArray &reason,
                                const QList<std::pair<QByteArray, QByteArray>> &headers = {}) {
            return QList {RdapRoute {.path = path,
                                     .status = code,
                                     .reason = reason,
                                     .headers = headers,
                                     .body = R"({"errorCode":)" + QByteArray::number(code) + '}'}};
        };
        QTest::newRow("429 with seconds")
                << "trusted" << status(429, "Too Many Requests", {{"Retry-After", "30"}})
                << failed("is limiting queries (HTTP 429): try again in 30 seconds.")
                << QByteArray();
        QTest::newRow("429 with a date")
                << "trusted" << status(429, "Too Many Requests", {{"Retry-After", "%in299s"}})
                << failed("is limiting queries (HTTP 429): try again in 5 minutes.")
                << QByteArray();
        QTest::newRow("429 without a hint")
                << "trusted" << status(429, "Too Many Requests")
                << failed("is limiting queries (HTTP 429).") << QByteArray();
        QTest::newRow("500") << "trusted" << status(500, "Internal Server Error")
                             << failed("answered HTTP 500 Internal Server Error.") << QByteArray();
        QTest::newRow("403 without a phrase")
                << "trusted" << status(403, "") << failed("answered HTTP 403.") << QByteArray();
        QTest::newRow("HTML page")
                << "trusted"
                << QList {RdapRoute {.path = path,
                                     .headers = {{"Content-Type", "text/html; charset=utf-8"}},
                                     .body = "<html><body>Hello</body></html>"}}
                << failed("sent no RDAP data: %problem (HTTP 200, text/html).") << QByteArray();
        QTest::newRow("cut-off body")
                << "trusted" << QList {RdapRoute {.path = path, .body = document, .cutAt = 100}}
                << failed("closed the connection before the answer was complete.") << QByteArray();
        // The server never finishes: only counting the bytes as they come ends the answer.
        QByteArray huge = document;
        huge.insert(1, QByteArray(32 * 1024 * 1024, ' '));
        QTest::newRow("over 16 MB")
                << "trusted"
                << QList {RdapRoute {
                           .path = path, .body = huge, .cutAt = 17 * 1024 * 1024, .hold = true}}
                << failed("sent more than 16 MB: answer not shown.") << QByteArray();
        QTest::newRow("untrusted certificate")
                << "untrusted" << QList {answer} << failed("is not trusted: %selfsigned.")
                << QByteArray();
        QTest::newRow("connection refused") << "none" << QList<RdapRoute>()
                                            << failed("refused the connection.") << QByteArray();
    }
    void outcome()
    {
        QFETCH(QString, server);
        QFETCH(QList<RdapRoute>, routes);
        QFETCH(QString, status);
        QFETCH(QByteArray, answerPath);
        LoopbackRdapServer rdap(server == u"untrusted" ? LoopbackRdapServer::Certificate::Untrusted
                                                       : LoopbackRdapServer::Certificate::Trusted);
        QVERIFY(rdap.listen());
        const QString origin = rdap.url({});
        if (server == u"none")
            rdap.close();
        for (RdapRoute route : routes) {
            for (auto &[name, value] : route.headers) {
                value.replace("%origin", origin.toLatin1());
                value.replace("%http", "http" + origin.toLatin1().mid(5));
                value.replace("%in299s",
                              QLocale::c()
                                      .toString(QDateTime::currentDateTimeUtc().addSecs(299),
                                                u"ddd, dd MMM yyyy hh:mm:ss 'GMT'")
                                      .toLatin1());
            }
            rdap.setRoute(route);
        }
        const QByteArray html = "<html><body>Hello</body></html>";
        status.replace(u"%host"_s, u"127.0.0.1"_s);
        status.replace(u"%problem"_s, renderRdap(html, QUrl()).problem);
        status.replace(u"%selfsigned"_s, QSslError(QSslError::SelfSignedCertificate).errorString());

        Rig rig(u"app,"_s + origin + u"/rdap\r\n"_s);
        rig.start(u"www.Example.APP"_s);
        QCOMPARE(rig.progress, QStringList {Connecting});
        QTRY_COMPARE_WITH_TIMEOUT(rig.status, status, 20000);
        // Spoken once; "Connecting ..." only shown.
        QCOMPARE(rig.spoken, QStringList {status});
        if (server == u"trusted")
            QCOMPARE(rdap.requests().constFirst().path, "/rdap/domain/example.app");
        const auto answered = std::ranges::find(routes, answerPath, &RdapRoute::path);
        QCOMPARE(rig.result,
                 answerPath.isEmpty()
                         ? QString()
                         : rendered(origin + QString::fromLatin1(answerPath), answered->body));
        // Where the answer came from, after redirects, is its first line.
        if (!answerPath.isEmpty())
            QVERIFY(rig.result.section(u"\r\n"_s, 0, 0)
                            .contains(origin + QString::fromLatin1(answerPath)));
    }

    // A proxy set for the desktop serves servers elsewhere; one on this machine is asked directly.
    void loopbackWithoutProxy()
    {
        const QByteArray before = qgetenv("https_proxy");
        qputenv("https_proxy", "http://127.0.0.1:9");
        const auto restore = qScopeGuard([&] { qputenv("https_proxy", before); });
        LoopbackRdapServer rdap;
        QVERIFY(rdap.listen());
        rdap.setRoute({.path = "/rdap/domain/example.app", .body = domainDocument("example.app")});
        Rig rig(u"app,"_s + rdap.url() + u"\r\n"_s);
        rig.start(u"example.app"_s);
        QTRY_COMPARE_WITH_TIMEOUT(rig.status, u"Whois data for : example.app"_s, 20000);
    }

    // What is asked: the name in ACE form as one path segment, whatever was typed.
    void request_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("IDN") << u"www.BÜCHER.app"_s << QByteArray("/rdap/domain/xn--bcher-kva.app");
        QTest::newRow("slashes and question mark")
                << u"../admin?.app"_s << QByteArray("/rdap/domain/%2Fadmin%3F.app");
        QTest::newRow("hash and percent")
                << u"a#b%41.app"_s << QByteArray("/rdap/domain/a%23b%2541.app");
    }
    void request()
    {
        QFETCH(QString, input);
        LoopbackRdapServer rdap;
        QVERIFY(rdap.listen());
        Rig rig(u"app,"_s + rdap.url() + u"\r\n"_s);
        rig.start(input);
        QTRY_COMPARE(rdap.requests().size(), 1);
        QTEST(rdap.requests().constFirst().path, "path");
        QCOMPARE(rdap.requests().constFirst().accept,
                 "application/rdap+json, application/json;q=0.9");
        QVERIFY(rdap.requests().constFirst().userAgent.startsWith("Ondrix/1.1"));
    }

    // The registry's answer links the registrar's record on another host; its part follows.
    void registrar_data()
    {
        QTest::addColumn<RdapRoute>("route"); // at the registrar; its path is the link's
        QTest::addColumn<QString>("part");    // after the registry's text; %text: the registrar's
        const QByteArray path = "/rr/domain/example.app";
        const QByteArray document = domainDocument("example.app");
        const QString missing = u"\r\nRegistrar's RDAP server 127.0.0.2 gave no answer: it "_s;
        QTest::newRow("answers") << RdapRoute {.path = path, .body = document} << u"\r\n%text"_s;
        QTest::newRow("404") << RdapRoute {.path = "/none"}
                             << missing + u"has no record of the domain (HTTP 404)\r\n"_s;
        QTest::newRow("500") << RdapRoute {.path = path, .status = 500, .reason = "Oops"}
                             << missing + u"answered HTTP 500 Oops\r\n"_s;
        QTest::newRow("empty body") << RdapRoute {.path = path}
                                    << missing
                        + u"sent no RDAP data: %problem (HTTP 200, "
                          "application/rdap+json)\r\n"_s;
        // Not asked at all: an answer that came over https never leads to plain http.
        QTest::newRow("plain http link") << RdapRoute {.path = "http"} << QString();
    }
    void registrar()
    {
        QFETCH(RdapRoute, route);
        QFETCH(QString, part);
        LoopbackRdapServer registry, registrar;
        QVERIFY(registry.listen());
        QVERIFY(registrar.listen(QHostAddress(u"127.0.0.2"_s)));
        const QString link = route.path == "http" ? u"http"_s + registrar.url("/x").mid(5)
                                                  : registrar.url("/rr/domain/example.app");
        const QByteArray registryBody = domainDocument("example.app", link.toLatin1());
        registry.setRoute({.path = "/rdap/domain/example.app", .body = registryBody});
        registrar.setRoute(route);
        part.replace(u"%text"_s, rendered(link, route.body));
        part.replace(u"%problem"_s, renderRdap(route.body, QUrl()).problem);

        Rig rig(u"app,"_s + registry.url() + u"\r\n"_s);
        rig.start(u"example.app"_s);
        const QString registryText
                = rendered(registry.url("/rdap/domain/example.app"), registryBody);
        QTRY_COMPARE_WITH_TIMEOUT(rig.result, registryText + part, 20000);
        QCOMPARE(rig.spoken, QStringList {u"Whois data for : example.app"_s});
        QCOMPARE(registrar.requests().size(), route.path == "http" ? 0 : 1);
    }

    // A query left while its answer trickles in: the connection is closed at once and nothing of
    // it reaches the window afterwards.
    void abandoned_data()
    {
        QTest::addColumn<QString>("next"); // the next query; empty: the window closes instead
        QTest::addColumn<QString>("spoken");
        QTest::newRow("new RDAP query") << u"quick.app"_s << u"Whois data for : quick.app"_s;
        QTest::newRow("new query that asks nobody")
                << u"x.zz"_s << u"No whois server listed to support .zz domain"_s;
        QTest::newRow("window closes") << QString() << QString();
    }
    void abandoned()
    {
        QFETCH(QString, next);
        QFETCH(QString, spoken);
        LoopbackRdapServer rdap;
        QVERIFY(rdap.listen());
        rdap.setRoute({.path = "/rdap/domain/slow.app",
                       .body = domainDocument("slow.app").repeated(20),
                       .chunk = 16,
                       .gapMs = 20});
        const QByteArray quick = domainDocument("quick.app");
        rdap.setRoute({.path = "/rdap/domain/quick.app", .body = quick});
        Rig rig(u"app,"_s + rdap.url() + u"\r\n"_s);
        rig.start(u"slow.app"_s);
        QTRY_COMPARE(rdap.openConnections(), 1);
        if (next.isEmpty())
            rig.client.Form_Unload();
        else
            rig.start(next);
        QTRY_COMPARE(rdap.openConnections(), 0);
        QTRY_COMPARE(rig.status, spoken.isEmpty() ? Connecting : spoken);
        QCOMPARE(rig.spoken, spoken.isEmpty() ? QStringList() : QStringList {spoken});
        QCOMPARE(rig.result,
                 next == u"quick.app" ? rendered(rdap.url("/rdap/domain/quick.app"), quick)
                                      : QString());
    }
};

QTEST_GUILESS_MAIN(tst_rdap)
#include "tst_rdap.moc"
