// The domain answer's layout: which fields, contacts and notes appear, in the order whois shows.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>

namespace Rdap {

// The whois-style text of an RDAP domain object, its first line naming `source`.
QString renderDomain(const QJsonObject &domain, const QUrl &source);

} // namespace Rdap
