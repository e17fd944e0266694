#include "WireText.h"

#include <QUrl>

namespace {

bool isAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

QByteArray encodeToken(QStringView token)
{
    if (isAscii(token))
        return token.toLatin1();
    QByteArray out;
    const auto labels = token.split(u'.');
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (i > 0)
            out += '.';
        QByteArray label;
        if (!isAscii(labels[i]))
            label = QUrl::toAce(labels[i].toString());
        // A label that IDNA refuses still goes out, as its UTF-8 bytes: the server's answer says
        // more than a silently dropped query would.
        out += label.isEmpty() ? labels[i].toUtf8() : label;
    }
    return out;
}

// Length of the valid UTF-8 sequence starting at bytes[i]: 0 if invalid, -1 if the bytes end
// before the sequence does but could still complete it.
int sequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto byte = [&bytes](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0)
            low = 0xa0; // overlong
        if (lead == 0xed)
            high = 0x9f; // surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0)
            low = 0x90; // overlong
        if (lead == 0xf4)
            high = 0x8f; // beyond U+10FFFF
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (i + k >= bytes.size())
            return -1;
        const unsigned char next = byte(i + k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf))
            return 0;
    }
    return length;
}

} // namespace

QByteArray encodeQueryLine(const QString &line)
{
    QByteArray out;
    out.reserve(line.size());
    qsizetype start = 0;
    // Only ASCII white space separates tokens: a wider space is part of its label, since written
    // out as a separator it would become a NUL or a stray Latin-1 byte on the wire.
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || (line.at(i).unicode() < 0x80 && line.at(i).isSpace())) {
            out += encodeToken(QStringView(line).sliced(start, i - start));
            if (i < line.size())
                out += line.at(i).toLatin1();
            start = i + 1;
        }
    }
    return out;
}

QString AnswerDecoder::decode(QByteArrayView bytes)
{
    if (m_latin1)
        return QString::fromLatin1(bytes);
    QByteArray data = m_pending + bytes.toByteArray();
    m_pending.clear();
    qsizetype i = 0;
    while (i < data.size()) {
        const int length = sequenceLength(data, i);
        if (length == 0) {
            m_latin1 = true;
            return QString::fromUtf8(data.first(i)) + QString::fromLatin1(data.sliced(i));
        }
        if (length < 0) {
            m_pending = data.sliced(i);
            break;
        }
        i += length;
    }
    return QString::fromUtf8(data.first(i));
}

QString AnswerDecoder::flush()
{
    const QString rest = QString::fromLatin1(m_pending);
    m_pending.clear();
    return rest;
}

void AnswerDecoder::reset()
{
    m_pending.clear();
    m_latin1 = false;
}
