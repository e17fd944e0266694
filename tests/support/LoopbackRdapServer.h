#pragma once

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

// One canned HTTP answer of the loopback RDAP server.
struct RdapRoute
{
    QByteArray path = {}; // as sent in the request line, percent-encoding kept
    int status = 200;
    QByteArray reason = "OK";
    QList<std::pair<QByteArray, QByteArray>> headers = {}; // Content-Type is application/rdap+json
    QByteArray body = {};
    int delayMs = 0;      // before the answer starts
    int chunk = 0;        // when > 0, the body goes out in pieces this long ...
    int gapMs = 0;        // ... this far apart
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
class LoopbackRdapServer : public QObject
{
public:
    enum class Certificate { Trusted, Untrusted };
    struct Request
    {
        QByteArray path, accept, userAgent;
    };

    static QString certificatePath(const char *name)
    {
        return QStringLiteral(ONDRIX_SOURCE_DIR "/tests/support/certs/") + QLatin1StringView(name);
    }
    static QByteArray readFile(const char *name)
    {
        QFile file(certificatePath(name));
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
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection())) {
                socket->setParent(this);
                connect(socket, &QSslSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    bool listen(const QHostAddress &address = QHostAddress::LocalHost)
    {
        const bool listening = m_server.listen(address, 0);
        m_address = m_server.serverAddress();
        m_port = m_server.serverPort();
        return listening;
    }
    // Keeps the address and port for url(), with nothing listening there any more.
    void close() { m_server.close(); }
    // "https://127.0.0.1:port" + path
    QString url(const QByteArray &path = "/rdap/") const
    {
        return QStringLiteral("https://%1:%2").arg(m_address.toString()).arg(m_port)
                + QString::fromLatin1(path);
    }
    void setRoute(const RdapRoute &route) { m_routes.insert(route.path, route); }

    QList<Request> requests() const { return m_requests; }
    // Connections that the client has not closed yet.
    int openConnections() const
    {
        const auto sockets = findChildren<QSslSocket *>();
        return int(
                std::ranges::count(sockets, QAbstractSocket::ConnectedState, &QSslSocket::state));
    }

private:
    void read(QSslSocket *socket)
    {
        if (socket->property("answered").toBool())
            return;
        QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        socket->setProperty("answered", true);
        const QList<QByteArray> lines = head.left(end).split('\n');
        Request request {lines.constFirst().split(' ').value(1), {}, {}};
        for (const QByteArray &line : lines) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            if (name == "accept")
                request.accept = line.mid(colon + 1).trimmed();
            else if (name == "user-agent")
                request.userAgent = line.mid(colon + 1).trimmed();
        }
        m_requests.append(request);
        const RdapRoute route = m_routes.value(
                request.path,
                RdapRoute {.status = 404, .reason = "Not Found", .body = "{\"errorCode\":404}"});
        QTimer::singleShot(route.delayMs, socket, [=, this] { answer(socket, route); });
    }

    void answer(QSslSocket *socket, const RdapRoute &route)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + route.reason
                + "\r\nConnection: close\r\nContent-Length: "
                + QByteArray::number(route.body.size()) + "\r\n";
        bool typed = false;
        for (const auto &[name, value] : route.headers) {
            head += name + ": " + value + "\r\n";
            typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        }
        if (!typed)
            head += "Content-Type: application/rdap+json\r\n";
        socket->write(head + "\r\n");
        const QByteArray body = route.cutAt >= 0 ? route.body.left(route.cutAt) : route.body;
        send(socket, body, route.chunk > 0 ? route.chunk : body.size(), route);
    }

    void send(QSslSocket *socket, const QByteArray &rest, qsizetype chunk, const RdapRoute &route)
    {
        socket->write(rest.left(chunk));
        if (rest.size() > chunk) {
            QTimer::singleShot(route.gapMs, socket,
                               [=, this] { send(socket, rest.mid(chunk), chunk, route); });
        } else if (!route.hold) {
            socket->disconnectFromHost();
        }
    }

    QSslServer m_server;
    QHostAddress m_address;
    quint16 m_port = 0;
    QHash<QByteArray, RdapRoute> m_routes;
    QList<Request> m_requests;
};
