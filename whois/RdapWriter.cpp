// Writes the lines of the rendered text; what goes on them is the layout's business.
#include "RdapWriter.h"

#include "RdapValues.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace Rdap {

QStringList contactLabels(QLatin1StringView role)
{
    QStringList labels;
    for (const char *field : {" Name", " Organization", " Street", " City", " State/Province",
                              " Postal Code", " Country", " Phone", " Email"})
        labels.append(role + QLatin1StringView(field));
    return labels;
}

Writer::Writer(const QJsonValue &redacted)
    : m_redactions(redacted)
{ }

void Writer::line(std::initializer_list<QStringView> parts)
{
    const qsizetype start = m_text.size();
    for (QStringView part : parts)
        m_text += part;
    joinLines(m_text.begin() + start, m_text.end());
    m_text += "\r\n"_L1;
}

void Writer::field(const QString &label, const QString &value)
{
    const bool empty = QStringView(value).trimmed().isEmpty();
    const QString redacted = m_redactions.valueFor(label, empty);
    if (!empty || !redacted.isEmpty())
        line({label, u": ", empty ? redacted : value});
}

void Writer::fields(const QString &label, const QStringList &values)
{
    if (values.isEmpty())
        field(label, {});
    for (const QString &value : values)
        field(label, value);
}

void Writer::contact(const QStringList &label, const JCardContact &contact)
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

void Writer::notes(const QJsonValue &notes)
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

} // namespace Rdap
