#pragma once

#include "LoopbackServer.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

#include <utility>

// One canned HTTP answer of the loopback RDAP server.
struct RdapRoute
{
    QByteArray path = {}; // as sent in the request line, percent-encoding kept
    int status = 200;
    QByteArray reason = "OK";
    QList<std::pair<QByteArray, QByteArray>> headers = {{"Content-Type", "application/rdap+json"}};
    QByteArray body = {};
    qsizetype cutAt = -1; // only this many body bytes go out; the length is not changed
    bool hold = false;    // the connection stays open after the last byte instead of closing

    static RdapRoute redirect(const QByteArray &path, int status, const QByteArray &location)
    {
        return RdapRoute {.path = path,
                          .status = status,
                          .reason = "Moved",
                          .headers = {{"Location", location}}};
    }
};

// An HTTPS server on a loopback address that answers each path with its route and closes the
// connection after every answer, so each request has a fresh connection. Unknown paths get 404.
class LoopbackRdapServer : public LoopbackServer<QSslServer, QSslSocket>
{
public:
    enum class Certificate { Trusted, Untrusted };

    static QByteArray readFile(const char *name)
    {
        QFile file(QStringLiteral(ONDRIX_SOURCE_DIR "/tests/support/certs/")
                   + QLatin1StringView(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The process trusts the test CA from now on; the program itself only uses the system's.
    static void trustTestCa()
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificates(QSslCertificate::fromData(readFile("ca.pem")));
        QSslConfiguration::setDefaultConfiguration(configuration);
    }

    explicit LoopbackRdapServer(Certificate certificate = Certificate::Trusted)
    {
        const bool trusted = certificate == Certificate::Trusted;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(
                QSslCertificate(readFile(trusted ? "server.pem" : "untrusted.pem")));
        configuration.setPrivateKey(
                QSslKey(readFile(trusted ? "server.key" : "untrusted.key"), QSsl::Ec));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(configuration);
    }

    // "https://127.0.0.1:port" + path, while listening
    QString url(const QByteArray &path = "/rdap/") const
    {
        return QStringLiteral("https://%1:%2")
                       .arg(m_server.serverAddress().toString())
                       .arg(m_server.serverPort())
                + QString::fromLatin1(path);
    }
    void setRoute(const RdapRoute &route) { m_routes.insert(route.path, route); }

    // The head of each request, up to its empty line.
    QList<QByteArray> requests() const { return m_requests; }

private:
    void read(QSslSocket *socket) override
    {
        if (socket->property("answered").toBool())
            return;
        QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        socket->setProperty("answered", true);
        m_requests.append(head.left(end + 2));
        const RdapRoute route = m_routes.value(
                head.split(' ').value(1),
                RdapRoute {.status = 404, .reason = "Not Found", .body = "{\"errorCode\":404}"});
        QByteArray answer = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + route.reason
                + "\r\nConnection: close\r\nContent-Length: "
                + QByteArray::number(route.body.size()) + "\r\n";
        for (const auto &[name, value] : route.headers)
            answer += name + ": " + value + "\r\n";
        socket->write(answer + "\r\n");
        socket->write(route.cutAt >= 0 ? route.body.left(route.cutAt) : route.body);
        if (!route.hold)
            socket->disconnectFromHost();
    }

    QHash<QByteArray, RdapRoute> m_routes;
    QList<QByteArray> m_requests;
};
