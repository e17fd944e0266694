#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>

// The whois contact fields that an RDAP entity's jCard (RFC 7095) carries. Empty when absent.
struct JCardContact
{
    QString name;
    QString organization;
    QStringList street;
    QString city;
    QString region;
    QString postalCode;
    QString country;
    QString phone;
    QString email;
};

// Reads an entity's "vcardArray" member: ["vcard", [[name, params, type, value...], ...]].
// Anything of another shape gives what could be read and no more.
JCardContact readJCard(const QJsonValue &vcardArray);

// A JSON string or number as text; a list of them joined by ", "; anything else empty.
QString jsonText(const QJsonValue &value);
