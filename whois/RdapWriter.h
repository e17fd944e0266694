// The rendered text's form: "Label: value" lines ended by CR LF, each value kept on its line.
#pragma once

#include "JCard.h"
#include "RdapRedactions.h"

#include <QJsonValue>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>

namespace Rdap {

// "Tech Name", "Tech Organization"...: made once per role, as a registry may list thousands of
// contacts.
QStringList contactLabels(QLatin1StringView role);

class Writer
{
public:
    explicit Writer(const QJsonValue &redacted);

    // Appended in place: answers with many thousand lines are rendered in linear time.
    void line(std::initializer_list<QStringView> parts = {});

    // "Label: value"; an empty value gives no line unless the server redacted it.
    void field(const QString &label, const QString &value);
    void fields(const QString &label, const QStringList &values);

    // The labels come from contactLabels().
    void contact(const QStringList &label, const JCardContact &contact);

    // Each notice or remark after an empty line: its title, its description, its links.
    void notes(const QJsonValue &notes);

    Redactions &redactions() { return m_redactions; }
    QString result() const { return m_text; }

private:
    Redactions m_redactions;
    QString m_text;
};

} // namespace Rdap
