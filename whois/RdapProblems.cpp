// Each phrase completes "sent no RDAP data: ..." on the status line, so each is one short line.
#include "RdapProblems.h"

#include "RdapValues.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace Rdap {

namespace {

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

QString documentProblem(const QJsonDocument &json)
{
    if (!json.isObject())
        return u"the JSON is an array, not an object"_s;
    const QJsonObject domain = json.object();
    const QJsonValue objectClass = domain.value("objectClassName"_L1);
    const bool isDomain = objectClass.toString().compare("domain"_L1, Qt::CaseInsensitive) == 0
            || (objectClass.isUndefined() && domain.contains("ldhName"_L1));
    if (!isDomain && domain.contains("errorCode"_L1))
        return errorProblem(domain);
    if (!isDomain)
        return u"the object describes no domain"_s;
    return {};
}

} // namespace Rdap
