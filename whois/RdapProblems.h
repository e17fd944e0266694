// The short phrases that say why a body is no RDAP domain answer, all in one place.
#pragma once

#include <QByteArrayView>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QString>

namespace Rdap {

// Why `body` could not be parsed as JSON, from the parser's error.
QString parseProblem(const QJsonParseError &error, QByteArrayView body);

// Why a parsed document is no RDAP domain answer; empty when it is one.
QString documentProblem(const QJsonDocument &json);

} // namespace Rdap
