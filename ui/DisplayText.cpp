#include "DisplayText.h"

QString DisplayText::feed(const QString &chunk)
{
    QString out;
    out.reserve(chunk.size());
    for (QChar c : chunk) {
        const char16_t code = c.unicode();
        if (code == u'\n' && m_afterCarriageReturn) {
            m_afterCarriageReturn = false;
            continue;
        }
        m_afterCarriageReturn = code == u'\r';
        if (code == u'\r' || code == u'\n')
            out += u'\n';
        else if (code == u'\t')
            out += c;
        else if (code < 0x20)
            out += QChar(0x2400 + code); // the Control Pictures block: NUL shows as ␀
        else if (code == 0x7f)
            out += QChar(0x2421);
        else
            out += c;
    }
    return out;
}
