// The reading rules that the redactions, the writer, the layout and the problem phrases share.
#include "RdapValues.h"

#include "JCard.h"

#include <QJsonArray>

namespace Rdap {

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

} // namespace Rdap
