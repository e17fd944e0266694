// What a domain answer shows and in which order; the writer gives each line its form.
#include "RdapDomain.h"

#include "JCard.h"
#include "RdapValues.h"
#include "RdapWriter.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace Rdap {

namespace {

// Registrars nest their abuse contact and some registries nest further; nothing real goes this
// deep, and the bound keeps a hostile document from exhausting the stack.
constexpr int MaxEntityDepth = 8;

// "Domain Name: xn--bcher-kva.example (bücher.example)"
QString nameWithUnicode(const QJsonObject &object)
{
    const QString ldh = text(object, "ldhName"_L1), unicode = text(object, "unicodeName"_L1);
    if (ldh.isEmpty())
        return unicode;
    if (!ldh.startsWith("xn--"_L1, Qt::CaseInsensitive)
        && !ldh.contains(".xn--"_L1, Qt::CaseInsensitive))
        return ldh;
    // Both forms stand side by side, so Qt's guard against look-alike names in URLs has no use.
    const QString shown
            = unicode.isEmpty() ? QUrl::fromAce(ldh.toUtf8(), QUrl::IgnoreIDNWhitelist) : unicode;
    if (shown.isEmpty() || shown.compare(ldh, Qt::CaseInsensitive) == 0)
        return ldh;
    return ldh + " ("_L1 + shown + u')';
}

QString eventDate(const QJsonObject &domain, QLatin1StringView action)
{
    for (const QJsonValue &event : domain.value("events"_L1).toArray()) {
        const QJsonObject object = event.toObject();
        if (text(object, "eventAction"_L1).compare(action, Qt::CaseInsensitive) == 0)
            return text(object, "eventDate"_L1);
    }
    return {};
}

struct Entity
{
    QJsonObject object;
    QStringList roles;
};

// Depth first, in document order. A registrar's own contacts are not the domain's, so the
// search does not enter it.
void collectEntities(const QJsonValue &entities, int depth, QList<Entity> &found)
{
    if (depth > MaxEntityDepth)
        return;
    for (const QJsonValue &value : entities.toArray()) {
        Entity entity {value.toObject(), strings(value.toObject().value("roles"_L1))};
        for (QString &role : entity.roles)
            role = role.trimmed().toLower();
        found.append(entity);
        if (!entity.roles.contains("registrar"_L1))
            collectEntities(entity.object.value("entities"_L1), depth + 1, found);
    }
}

const Entity *withRole(const QList<Entity> &entities, QLatin1StringView role)
{
    for (const Entity &entity : entities) {
        if (entity.roles.contains(role))
            return &entity;
    }
    return nullptr;
}

} // namespace

QString renderDomain(const QJsonObject &domain, const QUrl &source)
{
    Writer out(domain.value("redacted"_L1));
    out.line({u"RDAP answer from ", source.toString()});
    out.line();
    out.field(u"Domain Name"_s, nameWithUnicode(domain));
    out.field(u"Registry Domain ID"_s, text(domain, "handle"_L1));

    QList<Entity> entities;
    collectEntities(domain.value("entities"_L1), 1, entities);
    const Entity *registrar = withRole(entities, "registrar"_L1);
    QList<Entity> registrarContacts;
    QString ianaId;
    if (registrar) {
        collectEntities(registrar->object.value("entities"_L1), 2, registrarContacts);
        for (const QJsonValue &id : registrar->object.value("publicIds"_L1).toArray()) {
            const QJsonObject object = id.toObject();
            if (text(object, "type"_L1).compare("IANA Registrar ID"_L1, Qt::CaseInsensitive) == 0) {
                ianaId = text(object, "identifier"_L1);
                break;
            }
        }
    }
    const JCardContact registrarCard
            = registrar ? readJCard(registrar->object.value("vcardArray"_L1)) : JCardContact();
    out.field(u"Registrar"_s,
              registrarCard.name.isEmpty() ? registrarCard.organization : registrarCard.name);
    out.field(u"Registrar IANA ID"_s, ianaId);
    // Some registries list the abuse contact beside the registrar rather than inside it.
    const Entity *abuse = withRole(registrarContacts, "abuse"_L1);
    if (!abuse)
        abuse = withRole(entities, "abuse"_L1);
    const JCardContact abuseCard
            = abuse ? readJCard(abuse->object.value("vcardArray"_L1)) : JCardContact();
    out.field(u"Registrar Abuse Contact Email"_s, abuseCard.email);
    out.field(u"Registrar Abuse Contact Phone"_s, abuseCard.phone);

    out.field(u"Creation Date"_s, eventDate(domain, "registration"_L1));
    out.field(u"Updated Date"_s, eventDate(domain, "last changed"_L1));
    out.field(u"Registry Expiry Date"_s, eventDate(domain, "expiration"_L1));
    out.fields(u"Domain Status"_s, strings(domain.value("status"_L1)));

    static const std::pair<QLatin1StringView, QLatin1StringView> roles[] = {
            {"registrant"_L1, "Registrant"_L1},
            {"administrative"_L1, "Admin"_L1},
            {"technical"_L1, "Tech"_L1},
            {"billing"_L1, "Billing"_L1},
    };
    for (const auto &[role, name] : roles) {
        const QStringList label = contactLabels(name);
        bool present = false;
        for (const Entity &entity : std::as_const(entities)) {
            if (entity.roles.contains(role)) {
                present = true;
                out.contact(label, readJCard(entity.object.value("vcardArray"_L1)));
            }
        }
        // Without the entity, only the fields the server says it redacted are shown.
        if (!present)
            out.contact(label, {});
    }

    QStringList nameServers;
    for (const QJsonValue &nameServer : domain.value("nameservers"_L1).toArray())
        nameServers.append(nameWithUnicode(nameServer.toObject()));
    out.fields(u"Name Server"_s, nameServers);
    const QJsonValue signedDelegation
            = domain.value("secureDNS"_L1).toObject().value("delegationSigned"_L1);
    out.field(u"DNSSEC"_s,
              signedDelegation.isBool()
                      ? (signedDelegation.toBool() ? u"signedDelegation"_s : u"unsigned"_s)
                      : QString());
    for (const QString &redacted : out.redactions().unshown())
        out.line({redacted});
    const QString lastUpdate = eventDate(domain, "last update of RDAP database"_L1);
    if (!lastUpdate.isEmpty())
        out.line({u">>> Last update of RDAP database: ", lastUpdate, u" <<<"});

    out.notes(domain.value("notices"_L1));
    out.notes(domain.value("remarks"_L1));
    return out.result();
}

} // namespace Rdap
