#include "DisplayText.h"

namespace {

// The control pictures that stand for control characters, U+2400 to U+2421: NUL shows as ␀.
constexpr char16_t FirstPicture = 0x2400;
constexpr char16_t LastPicture = 0x2421;

bool isPicture(char16_t code)
{
    return code >= FirstPicture && code <= LastPicture;
}

// Characters that a text document takes for a line break, whatever the text they come in.
bool isDocumentBreak(char16_t code)
{
    return code == QChar::LineSeparator || code == QChar::ParagraphSeparator || code == 0xfdd0
            || code == 0xfdd1;
}

} // namespace

void DisplayText::feed(QStringView chunk, QString &out)
{
    m_fedLength += chunk.size();
    out.reserve(out.size() + chunk.size());
    // Runs of characters that show as themselves are copied whole.
    qsizetype run = 0;
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        const char16_t code = chunk[i].unicode();
        const bool control = (code < 0x20 && code != u'\t') || code == 0x7f;
        if (!control && !(m_keepRecord && (isPicture(code) || isDocumentBreak(code))))
            continue;
        out.append(chunk.sliced(run, i - run));
        if (i > run)
            m_afterCarriageReturn = false;
        run = i + 1;
        if (code == u'\n' && m_afterCarriageReturn) {
            m_afterCarriageReturn = false;
            if (m_keepRecord)
                setLastBreak(CrLf);
            continue;
        }
        m_afterCarriageReturn = code == u'\r';
        if (code == u'\r' || code == u'\n') {
            out += u'\n';
            if (m_keepRecord)
                noteBreak(code == u'\r' ? Cr : Lf);
        } else if (control) {
            out += QChar(code == 0x7f ? LastPicture : FirstPicture + code);
            if (m_keepRecord)
                notePicture(false);
        } else {
            out += QChar(code);
            if (isPicture(code))
                notePicture(true);
            else if (code == QChar::LineSeparator)
                noteBreak(LineSeparator);
            else if (code == QChar::ParagraphSeparator)
                noteBreak(ParagraphSeparator);
            else
                noteBreak(code == 0xfdd0 ? FrameStart : FrameEnd);
        }
    }
    out.append(chunk.sliced(run));
    if (run < chunk.size())
        m_afterCarriageReturn = false;
}

void DisplayText::reset()
{
    *this = DisplayText(m_keepRecord);
}

void DisplayText::noteBreak(Break kind)
{
    if (m_breakCount % 2 == 0)
        m_breaks += '\0';
    ++m_breakCount;
    setLastBreak(kind);
}

void DisplayText::setLastBreak(Break kind)
{
    const qsizetype index = m_breakCount - 1;
    const int shift = index % 2 * 4;
    char &pair = m_breaks[index / 2];
    pair = char((pair & ~(0xf << shift)) | (kind << shift));
}

DisplayText::Break DisplayText::breakAt(qsizetype index) const
{
    return Break((m_breaks.at(index / 2) >> (index % 2 * 4)) & 0xf);
}

void DisplayText::notePicture(bool literal)
{
    if (literal || !m_literalPictures.isEmpty()) {
        m_literalPictures.resize(m_pictureCount / 8 + 1, 0);
        if (literal)
            m_literalPictures[m_pictureCount / 8] |= char(1 << (m_pictureCount % 8));
    }
    ++m_pictureCount;
}

bool DisplayText::literalPictureAt(qsizetype index) const
{
    return index / 8 < m_literalPictures.size()
            && (m_literalPictures.at(index / 8) >> (index % 8)) & 1;
}

DisplayText::Original::Original(const DisplayText &display)
    : m_display(display)
{
    m_text.reserve(display.m_fedLength);
}

void DisplayText::Original::add(QStringView shown)
{
    qsizetype run = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t code = shown[i].unicode();
        const bool lineBreak = code == u'\n' || isDocumentBreak(code);
        if (!lineBreak && !isPicture(code))
            continue;
        m_text.append(shown.sliced(run, i - run));
        run = i + 1;
        if (lineBreak)
            addBreak();
        else if (m_display.literalPictureAt(m_pictures++))
            m_text += QChar(code);
        else
            m_text += QChar(code == LastPicture ? 0x7f : code - FirstPicture);
    }
    m_text.append(shown.sliced(run));
}

void DisplayText::Original::addBreak()
{
    switch (m_display.breakAt(m_breaks++)) {
    case Lf:
        m_text += u'\n';
        break;
    case CrLf:
        m_text += u"\r\n";
        break;
    case Cr:
        m_text += u'\r';
        break;
    case LineSeparator:
        m_text += QChar::LineSeparator;
        break;
    case ParagraphSeparator:
        m_text += QChar::ParagraphSeparator;
        break;
    case FrameStart:
        m_text += QChar(0xfdd0);
        break;
    case FrameEnd:
        m_text += QChar(0xfdd1);
        break;
    }
}
