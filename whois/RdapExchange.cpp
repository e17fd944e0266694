#include "RdapExchange.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QSslError>

namespace {

// Sentence: "RDAP server " + host + tail + "."; reason: the same fact for a line about a second
// server.
RdapOutcome failure(const QString &host, const QString &tail, const QString &reason)
{
    RdapOutcome outcome;
    outcome.host = host;
    outcome.sentence = QStringLiteral("RDAP server ") + host + tail + u'.';
    outcome.reason = reason;
    return outcome;
}

// For facts that read as what the server did: "refused the connection".
RdapOutcome serverDid(const QString &host, const QString &predicate)
{
    return failure(host, u' ' + predicate, QStringLiteral("it ") + predicate);
}

// Qt's own error texts, without a full stop of their own: they end up inside a sentence.
QString phrase(QString text)
{
    while (text.endsWith(u'.'))
        text.chop(1);
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

// Retry-After holds either seconds or an HTTP date; a value that is neither, or that lies in the
// past, gives no hint.
QString retryHint(const QByteArray &value)
{
    const QString text = QString::fromLatin1(value.trimmed());
    bool isNumber = false;
    qint64 seconds = text.toLongLong(&isNumber);
    if (!isNumber) {
        QDateTime when = QLocale::c().toDateTime(text,
                                                 QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"
                                                                " 'GMT'"));
        if (!when.isValid())
            return {};
        when.setTimeSpec(Qt::UTC);
        seconds = QDateTime::currentDateTimeUtc().secsTo(when);
    }
    if (seconds <= 0)
        return {};
    if (seconds == 1)
        return QStringLiteral(": try again in 1 second");
    if (seconds < 120)
        return QStringLiteral(": try again in %1 seconds").arg(seconds);
    return QStringLiteral(": try again in %1 minutes").arg((seconds + 59) / 60);
}

// The desktop's proxy settings for this manager's requests only: made process-wide, they would
// also send the port-43 connections through an HTTP proxy. As Qt's own process-wide lookup does,
// a server on this machine is reached directly, since no proxy can reach it.
class SystemProxies : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        if (host == u"localhost" || QHostAddress(host).isLoopback())
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

RdapOutcome tooLong(const QString &host)
{
    return serverDid(host, QStringLiteral("sent more than 16 MB: answer not shown"));
}

} // namespace

RdapExchange::RdapExchange(QObject *parent)
    : QObject(parent)
{ }

RdapExchange::~RdapExchange()
{
    Close();
}

QUrl RdapExchange::domainUrl(const QString &base, const QString &queryText)
{
    QStringList labels = queryText.split(u'.');
    for (QString &label : labels) {
        // A label that is no valid host name part stays as typed and is only percent-encoded.
        const QByteArray ace = QUrl::toAce(label);
        if (!ace.isEmpty())
            label = QString::fromLatin1(ace);
    }
    const QByteArray segment = QUrl::toPercentEncoding(labels.join(u'.'));
    QString address = base;
    if (!address.endsWith(u'/'))
        address += u'/';
    return QUrl(address + QStringLiteral("domain/") + QString::fromLatin1(segment));
}

void RdapExchange::Get(const QUrl &url)
{
    Close();
    if (!m_manager) {
        m_manager = new QNetworkAccessManager(this);
        m_manager->setProxyFactory(new SystemProxies); // the manager owns it
    }
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/rdap+json, application/json;q=0.9");
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Ondrix/1.1"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    m_body.clear();
    m_sslError.clear();
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &RdapExchange::readBody);
    connect(m_reply, &QNetworkReply::sslErrors, this, [this](const QList<QSslError> &errors) {
        // Never ignored: the handshake fails, and the first reason is what the user reads.
        if (m_sslError.isEmpty() && !errors.isEmpty())
            m_sslError = errors.constFirst().errorString();
    });
    connect(m_reply, &QNetworkReply::finished, this, &RdapExchange::onFinished);
}

void RdapExchange::Close()
{
    if (!m_reply)
        return;
    // Disconnected first: abort() reports finished at once, and that must not reach anyone.
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

QString RdapExchange::registrarPart(const RdapOutcome &outcome)
{
    if (outcome.kind == RdapOutcome::Answer)
        return QStringLiteral("\r\n") + outcome.document.text;
    return QStringLiteral("\r\nRegistrar's RDAP server ") + outcome.host
            + QStringLiteral(" gave no answer: ") + outcome.reason + QStringLiteral("\r\n");
}

void RdapExchange::readBody()
{
    m_body += m_reply->readAll();
    if (m_body.size() > MaxBodyLength)
        finish(tooLong(m_reply->url().host()));
}

void RdapExchange::onFinished()
{
    m_body += m_reply->readAll();
    if (m_body.size() > MaxBodyLength)
        finish(tooLong(m_reply->url().host()));
    else
        finish(describe(*m_reply));
}

void RdapExchange::finish(const RdapOutcome &outcome)
{
    Close();
    m_body.clear();
    emit finished(outcome);
}

RdapOutcome RdapExchange::describe(QNetworkReply &reply) const
{
    const QString host = reply.url().host();
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString code = QStringLiteral("HTTP ") + QString::number(status);
    // A redirect that is not followed leaves its own 3xx status behind.
    if (reply.error() == QNetworkReply::TooManyRedirectsError)
        return serverDid(host, QStringLiteral("redirected more than %1 times").arg(MaxRedirects));
    if (reply.error() == QNetworkReply::InsecureRedirectError) {
        return serverDid(host,
                         QStringLiteral("redirected to an address that is not secure (http): "
                                        "not followed"));
    }
    if (status == 404) {
        RdapOutcome outcome
                = serverDid(host, QStringLiteral("has no record of the domain (HTTP 404)"));
        outcome.kind = RdapOutcome::NotFound;
        return outcome;
    }
    if (status >= 200 && status < 300 && reply.error() == QNetworkReply::NoError) {
        RdapOutcome outcome;
        outcome.host = host;
        outcome.document = renderRdap(m_body, reply.url());
        if (outcome.document.isRdap) {
            outcome.kind = RdapOutcome::Answer;
            return outcome;
        }
        const QString type = QString::fromLatin1(
                reply.rawHeader("Content-Type").split(';').constFirst().trimmed());
        return serverDid(host,
                         QStringLiteral("sent no RDAP data: ") + outcome.document.problem
                                 + QStringLiteral(" (") + code
                                 + (type.isEmpty() ? QString() : QStringLiteral(", ") + type)
                                 + u')');
    }
    if (status == 429) {
        return serverDid(host,
                         QStringLiteral("is limiting queries (HTTP 429)")
                                 + retryHint(reply.rawHeader("Retry-After")));
    }
    if (status >= 300) {
        const QString reason
                = QString::fromLatin1(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                              .toByteArray()
                                              .trimmed());
        return serverDid(host,
                         QStringLiteral("answered ") + code
                                 + (reason.isEmpty() ? QString() : u' ' + reason));
    }
    switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
        return failure(host, QStringLiteral(" not available: its name does not resolve"),
                       QStringLiteral("its name does not resolve"));
    case QNetworkReply::ConnectionRefusedError:
        return serverDid(host, QStringLiteral("refused the connection"));
    case QNetworkReply::RemoteHostClosedError:
        return serverDid(host,
                         QStringLiteral("closed the connection before the answer was complete"));
    case QNetworkReply::SslHandshakeFailedError: {
        const QString why = phrase(m_sslError.isEmpty() ? reply.errorString() : m_sslError);
        return failure(host, QStringLiteral(" is not trusted: ") + why,
                       QStringLiteral("it is not trusted: ") + why);
    }
    default:
        return failure(host, QStringLiteral(": ") + phrase(reply.errorString()),
                       phrase(reply.errorString()));
    }
}
