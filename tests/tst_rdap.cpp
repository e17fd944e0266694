// Queries for suffixes listed with an RDAP service, against HTTPS servers on loopback addresses
// that trust only the test CA.
#include "LoopbackRdapServer.h"
#include "RdapText.h"
#include "RecordingSurface.h"
#include "TestData.h"

Q_DECLARE_METATYPE(RdapRoute)

using namespace Qt::StringLiterals;

namespace {

const QString Connecting = QStringLiteral("Connecting ...");
const QString Found = QStringLiteral("Whois data for : example.app");
constexpr qsizetype MaxBody = 16 * 1024 * 1024;

// A registry's answer about example.app as its server sends it, padded with white space to size.
QByteArray document(qsizetype size = 0)
{
    QByteArray body = TEST_DATA("data/rdap/example_app.json");
    return body.insert(1, QByteArray(std::max(size - body.size(), qsizetype(0)), ' '));
}

// A client whose server list sends app to an RDAP service, and the window it shows its work in.
struct Rig : ClientRig
{
    explicit Rig(const QString &base)
        : ClientRig((u"app,"_s + base).toUtf8())
    { }
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
    void initTestCase()
    {
        LoopbackRdapServer::trustTestCa();
        // A proxy set for the desktop serves servers elsewhere; one on this machine is asked
        // directly, and this one would refuse every query.
        qputenv("https_proxy", "http://127.0.0.1:9");
    }

    // A server elsewhere is asked through the desktop's proxy, which refuses here, so its name is
    // never looked up.
    void proxyForServersElsewhere()
    {
        Rig rig(u"https://rdap.invalid/"_s);
        rig.start(u"example.app"_s);
        QTRY_COMPARE_WITH_TIMEOUT(rig.status,
                                  u"RDAP server rdap.invalid: Proxy connection refused."_s, 20000);
    }

    // One query for example.app, its outcome on the status line and in the result box.
    void outcome_data()
    {
        QTest::addColumn<QString>("server");          // trusted, untrusted or none listening
        QTest::addColumn<QList<RdapRoute>>("routes"); // in headers: %origin, %http, %in299s
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("answerPath"); // the route whose answer is shown; none: empty
        const auto row = [](const char *name, const QList<RdapRoute> &routes, const QString &status,
                            const QByteArray &answerPath = {}, const char *server = "trusted") {
            QTest::newRow(name) << QString::fromLatin1(server) << routes << status << answerPath;
        };
        const auto failed = [](const QString &tail) { return u"RDAP server 127.0.0.1 "_s + tail; };
        const QByteArray path = "/rdap/domain/example.app";
        const RdapRoute answer {.path = path, .body = document()};

        row("answer", {answer}, Found, path);
        row("404", {}, u"Whois data for : example.app is NOT FOUND."_s);
        // A chain of redirects by each code that means one, to an absolute, a path-absolute and
        // then relative locations: the answer at its end is shown after 5, and never after 6.
        const auto chain = [&](int hops) {
            QList<RdapRoute> routes {RdapRoute::redirect(path, 301, "%origin/1")};
            for (int hop = 1; hop < hops; ++hop)
                routes << RdapRoute::redirect('/' + QByteArray::number(hop),
                                              QList {302, 307, 308, 301}.at(hop % 4),
                                              (hop == 1 ? "/" : "") + QByteArray::number(hop + 1));
            return routes << RdapRoute {.path = '/' + QByteArray::number(hops), .body = document()};
        };
        row("5 redirects", chain(5), Found, "/5");
        row("6 redirects", chain(6), failed(u"redirected more than 5 times."_s));
        row("redirect to http", {RdapRoute::redirect(path, 301, "%http" + path)},
            failed(u"redirected to an address that is not secure (http): not followed."_s));
        // Multiple Choices leaves the choice to the user: neither followed nor read as the answer.
        RdapRoute choices = RdapRoute::redirect(path, 300, "/b");
        choices.reason = "Multiple Choices";
        choices.body = document();
        row("300", {choices, RdapRoute {.path = "/b", .body = document()}},
            failed(u"answered HTTP 300 Multiple Choices."_s));
        const auto status = [&](int code, const QByteArray &reason, const QByteArray &retry = {}) {
            RdapRoute route {.path = path, .status = code, .reason = reason};
            route.body = "{\"errorCode\":" + QByteArray::number(code) + '}';
            if (!retry.isEmpty())
                route.headers = {{"Retry-After", retry}};
            return QList {route};
        };
        row("429 for a second", status(429, "Too Many Requests", "1"),
            failed(u"is limiting queries (HTTP 429): try again in 1 second."_s));
        row("429 with a date", status(429, "Too Many Requests", "%in299s"),
            failed(u"is limiting queries (HTTP 429): try again in 5 minutes."_s));
        row("429 without a hint", status(429, "Too Many Requests"),
            failed(u"is limiting queries (HTTP 429)."_s));
        row("500", status(500, "Internal Server Error"),
            failed(u"answered HTTP 500 Internal Server Error."_s));
        row("403 without a phrase", status(403, ""), failed(u"answered HTTP 403."_s));
        row("HTML page",
            {RdapRoute {.path = path,
                        .headers = {{"Content-Type", "text/html; charset=utf-8"}},
                        .body = "<html><body>Hello</body></html>"}},
            failed(u"sent no RDAP data: the body is not JSON (HTTP 200, text/html)."_s));
        row("cut-off body", {RdapRoute {.path = path, .body = document(), .cutAt = 100}},
            failed(u"closed the connection before the answer was complete."_s));
        row("16 MB", {RdapRoute {.path = path, .body = document(MaxBody)}}, Found, path);
        // The server says there is more and never sends it: only counting the bytes as they come
        // ends the answer.
        row("one byte over 16 MB",
            {RdapRoute {.path = path,
                        .body = document(MaxBody + 1024),
                        .cutAt = MaxBody + 1,
                        .hold = true}},
            failed(u"sent more than 16 MB: answer not shown."_s));
        row("untrusted certificate", {answer},
            failed(u"is not trusted: "_s + QSslError(QSslError::SelfSignedCertificate).errorString()
                   + u'.'),
            {}, "untrusted");
        row("connection refused", {}, failed(u"refused the connection."_s), {}, "none");
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
        const QByteArray origin = rdap.url({}).toLatin1();
        if (server == u"none")
            rdap.close();
        const QByteArray in299s = QLocale::c()
                                          .toString(QDateTime::currentDateTimeUtc().addSecs(299),
                                                    u"ddd, dd MMM yyyy hh:mm:ss 'GMT'")
                                          .toLatin1();
        for (RdapRoute route : routes) {
            for (auto &[name, value] : route.headers) {
                value.replace("%origin", origin).replace("%http", "http" + origin.mid(5));
                value.replace("%in299s", in299s);
            }
            rdap.setRoute(route);
        }

        Rig rig(QString::fromLatin1(origin) + u"/rdap"_s);
        rig.start(u"www.Example.APP"_s);
        QCOMPARE(rig.status, Connecting);
        QTRY_COMPARE_WITH_TIMEOUT(rig.status, status, 20000);
        // Spoken once, "Connecting ..." only shown; the answer came before its status line.
        QCOMPARE(rig.spoken, QStringList {status});
        QCOMPARE(rig.resultAtStatus, QStringList({QString(), QString(), rig.result}));
        // White space in the body aside, every answer here is the same document.
        QCOMPARE(rig.result,
                 answerPath.isEmpty()
                         ? QString()
                         : rendered(QString::fromLatin1(origin + answerPath), document()));
    }

    // What is asked: the name in ACE form as one path segment, whatever was typed, and in which
    // forms the answer may come.
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
        QFETCH(QByteArray, path);
        LoopbackRdapServer rdap;
        QVERIFY(rdap.listen());
        Rig rig(rdap.url());
        rig.start(input);
        QTRY_COMPARE(rdap.requests().size(), 1);
        const QByteArray head = rdap.requests().constFirst();
        QCOMPARE(head.split(' ').value(1), path);
        QVERIFY(head.contains("\r\nAccept: application/rdap+json, application/json;q=0.9\r\n"));
        QVERIFY(head.contains("\r\nUser-Agent: Ondrix/1.1"));
    }

    // The registry's answer links the registrar's record on another host; its part follows.
    void registrar_data()
    {
        QTest::addColumn<RdapRoute>("route"); // at the registrar; its path is the link's
        QTest::addColumn<QString>("part");    // after the registry's text; %text: the registrar's
        const QByteArray path = "/rr/domain/example.app";
        const QString missing = u"\r\nRegistrar's RDAP server 127.0.0.2 gave no answer: it "_s;
        QTest::newRow("answers") << RdapRoute {.path = path, .body = document()} << u"\r\n%text"_s;
        QTest::newRow("404") << RdapRoute {.path = "/none"}
                             << missing + u"has no record of the domain (HTTP 404)\r\n"_s;
    }
    void registrar()
    {
        QFETCH(RdapRoute, route);
        QFETCH(QString, part);
        LoopbackRdapServer registry, registrar;
        QVERIFY(registry.listen());
        QVERIFY(registrar.listen(QHostAddress(u"127.0.0.2"_s)));
        // The link names the registrar's port, known only now.
        const QString link = registrar.url("/rr/domain/example.app");
        QJsonObject answer = QJsonDocument::fromJson(document()).object();
        answer[u"links"] = QJsonArray {QJsonObject {{u"rel"_s, u"related"_s},
                                                    {u"type"_s, u"application/rdap+json"_s},
                                                    {u"href"_s, link}}};
        const QByteArray registryBody = QJsonDocument(answer).toJson();
        registry.setRoute({.path = "/rdap/domain/example.app", .body = registryBody});
        registrar.setRoute(route);
        part.replace(u"%text"_s, rendered(link, route.body));

        Rig rig(registry.url());
        rig.start(u"example.app"_s);
        const QString registryText
                = rendered(registry.url("/rdap/domain/example.app"), registryBody);
        QTRY_COMPARE_WITH_TIMEOUT(rig.result, registryText + part, 20000);
        QCOMPARE(rig.spoken, QStringList {Found});
        QCOMPARE(registrar.requests().size(), 1);
    }

    // A query left while its answer comes in: the connection is closed at once and nothing of it
    // reaches the window afterwards.
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
        rdap.setRoute(
                {.path = "/rdap/domain/slow.app", .body = document(), .cutAt = 100, .hold = true});
        rdap.setRoute({.path = "/rdap/domain/quick.app", .body = document()});
        Rig rig(rdap.url());
        rig.start(u"slow.app"_s);
        QTRY_COMPARE(rdap.requests().size(), 1);
        QCOMPARE(rdap.openConnections(), 1);
        if (next.isEmpty())
            rig.client.Form_Unload();
        else
            rig.start(next);
        QTRY_COMPARE(rdap.openConnections(), 0);
        QTRY_COMPARE(rig.status, spoken.isEmpty() ? Connecting : spoken);
        QCOMPARE(rig.spoken, spoken.isEmpty() ? QStringList() : QStringList {spoken});
        QCOMPARE(rig.result,
                 next == u"quick.app" ? rendered(rdap.url("/rdap/domain/quick.app"), document())
                                      : QString());
    }
};

QTEST_GUILESS_MAIN(tst_rdap)
#include "tst_rdap.moc"
