// Shared by every part of the RDAP renderer: members read as text, and values kept on one line.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace Rdap {

// A value is shown on its own line: a line break inside it could pass for further fields.
void joinLines(QChar *begin, QChar *end);
QString oneLine(QString value);

// A string, or the strings of a list; members of any other type give nothing.
QStringList strings(const QJsonValue &value);

// A member of `object` as jsonText() reads it.
QString text(const QJsonObject &object, QLatin1StringView key);

} // namespace Rdap
