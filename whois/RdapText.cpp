// Decides what a body is; a domain answer goes to its layout, anything else gets its phrase.
#include "RdapText.h"

#include "RdapDomain.h"
#include "RdapProblems.h"
#include "RdapValues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace Rdap {

namespace {

// The registrar's record of the same domain: only on another host, and never from https down
// to http.
QUrl registrarLink(const QJsonObject &domain, const QUrl &source)
{
    for (const QJsonValue &value : domain.value("links"_L1).toArray()) {
        const QJsonObject link = value.toObject();
        if (text(link, "rel"_L1).compare("related"_L1, Qt::CaseInsensitive) != 0
            || text(link, "type"_L1).compare("application/rdap+json"_L1, Qt::CaseInsensitive) != 0)
            continue;
        const QUrl url(text(link, "href"_L1), QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        const bool schemeAllowed = scheme == "https"_L1
                || (scheme == "http"_L1
                    && source.scheme().compare("http"_L1, Qt::CaseInsensitive) == 0);
        if (url.isValid() && schemeAllowed && !url.host().isEmpty()
            && url.host().compare(source.host(), Qt::CaseInsensitive) != 0
            && url.path().contains("/domain/"_L1))
            return url;
    }
    return {};
}

} // namespace

} // namespace Rdap

RdapDocument renderRdap(QByteArrayView body, const QUrl &source)
{
    RdapDocument document;
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(body.toByteArray(), &error);
    document.problem = error.error != QJsonParseError::NoError ? Rdap::parseProblem(error, body)
                                                               : Rdap::documentProblem(json);
    if (!document.problem.isEmpty())
        return document;
    const QJsonObject domain = json.object();
    document.isRdap = true;
    document.text = Rdap::renderDomain(domain, source);
    document.registrarUrl = Rdap::registrarLink(domain, source);
    return document;
}
