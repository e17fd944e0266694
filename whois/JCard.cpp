#include "JCard.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// Parameter values may be a string or a list of strings.
QStringList paramValues(const QJsonValue &params, QLatin1StringView name)
{
    const QJsonValue value = params.toObject().value(name);
    if (value.isString())
        return {value.toString()};
    QStringList values;
    for (const QJsonValue &item : value.toArray())
        values.append(item.toString());
    return values;
}

// Street lines may come as one string or as a list.
QStringList streetLines(const QJsonValue &value)
{
    QStringList lines;
    const QJsonArray parts = value.isArray() ? value.toArray() : QJsonArray {value};
    for (const QJsonValue &part : parts) {
        const QString line = jsonText(part);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

void readAddress(const QJsonValue &params, const QJsonValue &value, JCardContact &contact)
{
    const QJsonArray parts = value.toArray();
    contact.street = streetLines(parts.at(2));
    contact.city = jsonText(parts.at(3));
    contact.region = jsonText(parts.at(4));
    contact.postalCode = jsonText(parts.at(5));
    contact.country = jsonText(parts.at(6));
    // Registries that follow ICANN's profile put the country code in a parameter, and some give
    // the whole address only as a label.
    if (contact.country.isEmpty())
        contact.country = paramValues(params, QLatin1StringView("cc")).value(0);
    const bool structured = !contact.street.isEmpty() || !contact.city.isEmpty()
            || !contact.region.isEmpty() || !contact.postalCode.isEmpty();
    if (!structured) {
        const QString label = paramValues(params, QLatin1StringView("label")).value(0);
        for (const QString &line : label.split(u'\n', Qt::SkipEmptyParts)) {
            if (!line.trimmed().isEmpty())
                contact.street.append(line.trimmed());
        }
    }
}

// A voice or untyped number; fax numbers are not what a whois user calls.
bool isVoice(const QJsonValue &params)
{
    const QStringList types = paramValues(params, QLatin1StringView("type"));
    return types.isEmpty() || types.contains(QLatin1StringView("voice"), Qt::CaseInsensitive)
            || !types.contains(QLatin1StringView("fax"), Qt::CaseInsensitive);
}

QString phoneNumber(const QJsonValue &value)
{
    QString number = jsonText(value);
    if (number.startsWith(u"tel:", Qt::CaseInsensitive))
        number.remove(0, 4);
    return number;
}

} // namespace

QString jsonText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        const qint64 whole = value.toInteger();
        return double(whole) == number ? QString::number(whole) : QString::number(number);
    }
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue &item : value.toArray()) {
            if (item.isString() || item.isDouble())
                parts.append(jsonText(item));
        }
        parts.removeAll(QString());
        return parts.join(u", ");
    }
    default:
        return {};
    }
}

JCardContact readJCard(const QJsonValue &vcardArray)
{
    JCardContact contact;
    for (const QJsonValue &item : vcardArray.toArray().at(1).toArray()) {
        const QJsonArray property = item.toArray();
        const QString name = property.at(0).toString();
        const QJsonValue params = property.at(1);
        const QJsonValue value = property.at(3);
        // The first of each kind wins, as a whois answer has one line per field.
        if (name.compare(u"fn", Qt::CaseInsensitive) == 0 && contact.name.isEmpty())
            contact.name = jsonText(value);
        else if (name.compare(u"org", Qt::CaseInsensitive) == 0 && contact.organization.isEmpty())
            contact.organization = jsonText(value);
        else if (name.compare(u"adr", Qt::CaseInsensitive) == 0 && contact.street.isEmpty()
                 && contact.country.isEmpty())
            readAddress(params, value, contact);
        else if (name.compare(u"tel", Qt::CaseInsensitive) == 0 && contact.phone.isEmpty()
                 && isVoice(params))
            contact.phone = phoneNumber(value);
        else if (name.compare(u"email", Qt::CaseInsensitive) == 0 && contact.email.isEmpty())
            contact.email = jsonText(value);
    }
    return contact;
}
