// Redacted fields (RFC 9537) read "(redacted: reason)" in place rather than vanishing.
#pragma once

#include <QJsonValue>
#include <QList>
#include <QMultiHash>
#include <QString>
#include <QStringList>

namespace Rdap {

// The RFC 9537 "redacted" member: which fields the server withheld, and why.
class Redactions
{
public:
    explicit Redactions(const QJsonValue &redacted);

    // What an empty field shows when the server redacted it, or nothing. Either way, a field
    // shown under this label accounts for the redactions of that name.
    QString valueFor(const QString &label, bool empty);

    // "Redacted: Registrant Fax (Server policy)" for each redaction no field accounted for.
    QStringList unshown() const;

private:
    struct Item
    {
        QString name;
        QString reason;
        bool shown = false;
    };
    QList<Item> m_items;
    QMultiHash<QString, qsizetype> m_byLabel;
};

} // namespace Rdap
