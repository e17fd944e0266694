#include "RdapText.h"

#include "JCard.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

using namespace Qt::StringLiterals;

// Registrars nest their abuse contact and some registries nest further; nothing real goes this
// deep, and the bound keeps a hostile document from exhausting the stack.
constexpr int MaxEntityDepth = 8;

// A value is shown on its own line: a line break inside it could pass for further fields.
void joinLines(QChar *begin, QChar *end)
{
    for (QChar *c = begin; c != end; ++c) {
        switch (c->unicode()) {
        case u'\n':
        case u'\v':
        case u'\f':
        case u'\r':
        case 0x85:
        case 0x2028:
        case 0x2029:
            *c = u' ';
        }
    }
}

QString oneLine(QString value)
{
    joinLines(value.begin(), value.end());
    return value;
}

QStringList strings(const QJsonValue &value)
{
    if (value.isString())
        return {value.toString()};
    QStringList list;
    for (const QJsonValue &item : value.toArray()) {
        if (item.isString())
            list.append(item.toString());
    }
    return list;
}

QString text(const QJsonObject &object, QLatin1StringView key)
{
    return jsonText(object.value(key));
}

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

// The RFC 9537 "redacted" member: which fields the server withheld, and why.
class Redactions
{
public:
    explicit Redactions(const QJsonValue &redacted)
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

    // What an empty field shows when the server redacted it, or nothing. Either way, a field
    // shown under this label accounts for the redactions of that name.
    QString valueFor(const QString &label, bool empty)
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

    // "Redacted: Registrant Fax (Server policy)" for each redaction no field accounted for.
    QStringList unshown() const
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

// "Tech Name", "Tech Organization"...: made once per role, as a registry may list thousands of
// contacts.
QStringList contactLabels(QLatin1StringView role)
{
    QStringList labels;
    for (const char *field : {" Name", " Organization", " Street", " City", " State/Province",
                              " Postal Code", " Country", " Phone", " Email"})
        labels.append(role + QLatin1StringView(field));
    return labels;
}

class Writer
{
public:
    explicit Writer(const QJsonValue &redacted)
        : m_redactions(redacted)
    { }

    // Appended in place: answers with many thousand lines are rendered in linear time.
    void line(std::initializer_list<QStringView> parts = {})
    {
        const qsizetype start = m_text.size();
        for (QStringView part : parts)
            m_text += part;
        joinLines(m_text.begin() + start, m_text.end());
        m_text += "\r\n"_L1;
    }

    // "Label: value"; an empty value gives no line unless the server redacted it.
    void field(const QString &label, const QString &value)
    {
        const bool empty = QStringView(value).trimmed().isEmpty();
        const QString redacted = m_redactions.valueFor(label, empty);
        if (!empty || !redacted.isEmpty())
            line({label, u": ", empty ? redacted : value});
    }

    void fields(const QString &label, const QStringList &values)
    {
        if (values.isEmpty())
            field(label, {});
        for (const QString &value : values)
            field(label, value);
    }

    // The labels come from contactLabels().
    void contact(const QStringList &label, const JCardContact &contact)
    {
        field(label.at(0), contact.name);
        field(label.at(1), contact.organization);
        fields(label.at(2), contact.street);
        field(label.at(3), contact.city);
        field(label.at(4), contact.region);
        field(label.at(5), contact.postalCode);
        field(label.at(6), contact.country);
        field(label.at(7), contact.phone);
        field(label.at(8), contact.email);
    }

    // Each notice or remark after an empty line: its title, its description, its links.
    void notes(const QJsonValue &notes)
    {
        for (const QJsonValue &value : notes.toArray()) {
            const QJsonObject note = value.toObject();
            QStringList lines = strings(note.value("description"_L1));
            const QString title = text(note, "title"_L1);
            if (!title.isEmpty())
                lines.prepend(title);
            for (const QJsonValue &link : note.value("links"_L1).toArray())
                lines.append(text(link.toObject(), "href"_L1));
            lines.removeAll(QString());
            if (lines.isEmpty())
                continue;
            line();
            for (const QString &content : std::as_const(lines))
                line({content});
        }
    }

    Redactions &redactions() { return m_redactions; }
    QString result() const { return m_text; }

private:
    Redactions m_redactions;
    QString m_text;
};

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

// What kind of JSON value a body holds that is not an object.
QString notAnObject(QByteArrayView body)
{
    const QJsonArray wrapped
            = QJsonDocument::fromJson("["_ba + body.toByteArray() + "]"_ba).array();
    if (wrapped.size() != 1)
        return u"the body is not JSON"_s;
    switch (wrapped.at(0).type()) {
    case QJsonValue::Array:
        return u"the JSON is an array, not an object"_s;
    case QJsonValue::String:
        return u"the JSON is a string, not an object"_s;
    case QJsonValue::Double:
        return u"the JSON is a number, not an object"_s;
    case QJsonValue::Null:
        return u"the JSON is null, not an object"_s;
    default:
        return u"the JSON is a boolean, not an object"_s;
    }
}

QString parseProblem(const QJsonParseError &error, QByteArrayView body)
{
    switch (error.error) {
    case QJsonParseError::DeepNesting:
        return u"the JSON nests too deeply"_s;
    case QJsonParseError::IllegalUTF8String:
        return u"the JSON is not valid UTF-8"_s;
    case QJsonParseError::UnterminatedObject:
    case QJsonParseError::UnterminatedArray:
    case QJsonParseError::UnterminatedString:
        return u"the JSON is cut off"_s;
    default:
        break;
    }
    const QByteArrayView trimmed = body.trimmed();
    if (trimmed.isEmpty())
        return u"the body is empty"_s;
    if (!trimmed.startsWith('{') && !trimmed.startsWith('['))
        return notAnObject(trimmed);
    // The parser stops at the end of a cut-off number, or inside a cut-off literal.
    qsizetype word = body.size();
    while (word > 0 && QChar::isLower(body.at(word - 1)))
        --word;
    const QByteArrayView tail = body.sliced(word);
    const bool cutLiteral = error.error == QJsonParseError::IllegalValue && word <= error.offset
            && (QByteArrayView("true").startsWith(tail) || QByteArrayView("false").startsWith(tail)
                || QByteArrayView("null").startsWith(tail));
    return error.offset >= body.size() || cutLiteral ? u"the JSON is cut off"_s
                                                     : u"the body is not JSON"_s;
}

// "it is an RDAP error: Not Found", with the title cut short for the status line.
QString errorProblem(const QJsonObject &error)
{
    QString title = text(error, "title"_L1).simplified();
    if (title.isEmpty())
        title = strings(error.value("description"_L1)).value(0).simplified();
    if (title.isEmpty())
        title = ("code "_L1 + text(error, "errorCode"_L1)).simplified();
    title = oneLine(title);
    if (title.size() > 100)
        title = title.first(99) + u'…';
    return "it is an RDAP error: "_L1 + title;
}

} // namespace

RdapDocument renderRdap(QByteArrayView body, const QUrl &source)
{
    RdapDocument document;
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(body.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError) {
        document.problem = parseProblem(error, body);
        return document;
    }
    if (!json.isObject()) {
        document.problem = u"the JSON is an array, not an object"_s;
        return document;
    }
    const QJsonObject domain = json.object();
    const QJsonValue objectClass = domain.value("objectClassName"_L1);
    const bool isDomain = objectClass.toString().compare("domain"_L1, Qt::CaseInsensitive) == 0
            || (objectClass.isUndefined() && domain.contains("ldhName"_L1));
    if (!isDomain && domain.contains("errorCode"_L1)) {
        document.problem = errorProblem(domain);
        return document;
    }
    if (!isDomain) {
        document.problem = u"the object describes no domain"_s;
        return document;
    }
    document.isRdap = true;
    document.text = renderDomain(domain, source);
    document.registrarUrl = registrarLink(domain, source);
    return document;
}
