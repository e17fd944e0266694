#pragma once

#include <QByteArrayView>
#include <QString>
#include <QUrl>

// What an RDAP server's answer about a domain says, as the whois-style text users know.
struct RdapDocument
{
    // False when the body is not an RDAP domain answer: not JSON, not an object, an RDAP error
    // object, or an object that describes no domain.
    bool isRdap = false;
    // Lines ended by CR LF. The first says where the answer came from (`source`).
    QString text;
    // When isRdap is false: why, as a short phrase that completes "sent no RDAP data: ...".
    QString problem;
    // The registrar's own RDAP record of the same domain on another host, when the answer links
    // one ("related", application/rdap+json); empty otherwise.
    QUrl registrarUrl;
};

// Renders one RDAP response body. Pure: no network, no widgets; any bytes give a result.
RdapDocument renderRdap(QByteArrayView body, const QUrl &source);
