#pragma once

#include "RdapText.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// How one RDAP request ended.
struct RdapOutcome
{
    enum Kind { Answer, NotFound, Failure };
    Kind kind = Failure;
    RdapDocument document; // Answer: the rendered text, from the final URL after redirects
    QString host;          // the server that answered or failed
    // Failure: one sentence for the status line that names the host; reason: the same fact as a
    // phrase ("it refused the connection") for a line about a second server. NotFound: reason only.
    QString sentence;
    QString reason;
};

// One RDAP request over HTTP(S) at a time: follows redirects, reads the body up to a cap and
// reports one outcome. The network access manager is made by the first request, so a user who
// never asks an RDAP service pays nothing for it.
class RdapExchange : public QObject
{
    Q_OBJECT

public:
    // A body longer than this is not read on: a server that never stops would otherwise fill
    // memory.
    static constexpr qsizetype MaxBodyLength = 16 * 1024 * 1024;
    static constexpr int MaxRedirects = 5;

    explicit RdapExchange(QObject *parent = nullptr);
    ~RdapExchange() override;

    // The domain's RDAP address under a base URL: the name in ACE form, as one path segment, so
    // that no character the user typed can change the path or the host.
    static QUrl domainUrl(const QString &base, const QString &queryText);

    // Ends any pending request, then asks for the url.
    void Get(const QUrl &url);
    // Ends the pending request at once; nothing of it is reported.
    void Close();

    // What a registrar's outcome adds below the registry's answer: an empty line, then its text
    // or one line saying why it is missing.
    static QString registrarPart(const RdapOutcome &outcome);

signals:
    void finished(const RdapOutcome &outcome);

private:
    void readBody();
    void onFinished();
    RdapOutcome describe(QNetworkReply &reply) const;
    void finish(const RdapOutcome &outcome);

    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QString m_sslError; // the first reason the server's certificate was refused
};
