#include "RdapText.h"

RdapDocument renderRdap(QByteArrayView body, const QUrl &source)
{
    Q_UNUSED(body);
    Q_UNUSED(source);
    RdapDocument document;
    document.problem = QStringLiteral("not rendered yet");
    return document;
}
