#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a query line: ASCII, with every label that holds other characters in its IDNA
// A-label form (xn--...), since registries only know domain names in that form.
QByteArray encodeQueryLine(const QString &line);

// Turns the bytes of one connection into text. UTF-8 is decoded across reads, so a character
// split between two reads comes out whole. From the first byte that is not valid UTF-8 on, the
// rest of the connection is read as Latin-1, so no byte is ever dropped.
class AnswerDecoder
{
public:
    QString decode(QByteArrayView bytes);
    // The bytes held back for an unfinished character, as Latin-1, at the end of the answer.
    QString flush();
    void reset();

private:
    QByteArray m_pending;
    bool m_latin1 = false;
};
