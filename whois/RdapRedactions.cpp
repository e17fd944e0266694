// Matching the server's redactions to the labels the writer shows.
#include "RdapRedactions.h"

#include "RdapValues.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace Rdap {

namespace {

// ICANN's profile names redacted fields as whois labels ("Registrant Name", "Tech Email"), some
// servers with the long role names.
QString labelKey(QString label)
{
    label = label.simplified().toLower();
    if (label.endsWith(u':'))
        label.chop(1);
    if (label.startsWith("administrative "_L1))
        label.replace(0, 14, "admin"_L1);
    else if (label.startsWith("technical "_L1))
        label.replace(0, 9, "tech"_L1);
    return label;
}

} // namespace

Redactions::Redactions(const QJsonValue &redacted)
{
    for (const QJsonValue &value : redacted.toArray()) {
        const QJsonObject object = value.toObject();
        const QJsonObject name = object.value("name"_L1).toObject();
        const QJsonObject reason = object.value("reason"_L1).toObject();
        Item item;
        item.name = text(name, "type"_L1);
        if (item.name.isEmpty())
            item.name = text(name, "description"_L1);
        item.reason = text(reason, "description"_L1);
        if (item.reason.isEmpty())
            item.reason = text(reason, "type"_L1);
        m_byLabel.insert(labelKey(item.name), m_items.size());
        // A nameless redaction still tells where in the document it applied.
        if (item.name.trimmed().isEmpty())
            item.name = text(object, "postPath"_L1);
        if (item.name.trimmed().isEmpty())
            item.name = text(object, "prePath"_L1);
        if (item.name.trimmed().isEmpty())
            item.name = u"a field"_s;
        m_items.append(item);
    }
}

QString Redactions::valueFor(const QString &label, bool empty)
{
    if (m_items.isEmpty())
        return {};
    const auto found = m_byLabel.constFind(labelKey(label));
    if (found == m_byLabel.cend())
        return {};
    Item &item = m_items[found.value()];
    if (!item.shown) {
        for (auto same = found; same != m_byLabel.cend() && same.key() == found.key(); ++same)
            m_items[same.value()].shown = true;
    }
    if (!empty)
        return {};
    return item.reason.isEmpty() ? u"(redacted)"_s : "(redacted: "_L1 + item.reason + u')';
}

QStringList Redactions::unshown() const
{
    QStringList lines;
    for (const Item &item : m_items) {
        if (!item.shown) {
            lines.append(item.reason.isEmpty()
                                 ? "Redacted: "_L1 + item.name
                                 : "Redacted: "_L1 + item.name + " ("_L1 + item.reason + u')');
        }
    }
    return lines;
}

} // namespace Rdap
