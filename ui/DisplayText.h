#pragma once

#include <QByteArray>
#include <QString>

// Turns answer text into what the screen and the printer show: each CR LF pair, lone CR and LF
// becomes one line break, and control characters are drawn as their visible symbols. Works chunk
// by chunk: a CR LF pair split between two chunks still makes one line break.
//
// Kept with a record, it also notes what the display changed, so that the exact text can be given
// back from what is shown instead of being held twice: which line end, or which character that a
// text document takes for a line break, each shown line break stood for, and, once a control
// picture has come as itself, which of the pictures shown were real control characters. The
// record takes half a byte per line break and a bit per control picture.
class DisplayText
{
public:
    explicit DisplayText(bool keepRecord = false)
        : m_keepRecord(keepRecord)
    { }

    QString feed(QStringView chunk)
    {
        QString out;
        feed(chunk, out);
        return out;
    }
    // Adds the display of `chunk` to `out`.
    void feed(QStringView chunk, QString &out);
    // Starts a new text: a CR at the end of the last one pairs with nothing.
    void reset();

    static QString of(const QString &text)
    {
        DisplayText display;
        return display.feed(text);
    }

    // How many characters were fed since the last reset.
    qsizetype fedLength() const { return m_fedLength; }

    // Gives back the exact text fed since the last reset, from the display read in order and in
    // pieces. In a piece "\n" and each character that a text document takes for a line break
    // (U+2028, U+2029, U+FDD0, U+FDD1) is one shown line break; so is each addBreak(), for a
    // break that a document keeps between its blocks.
    class Original
    {
    public:
        explicit Original(const DisplayText &display);
        void add(QStringView shown);
        void addBreak();
        QString take() { return std::move(m_text); }

    private:
        const DisplayText &m_display;
        QString m_text;
        qsizetype m_breaks = 0;
        qsizetype m_pictures = 0;
    };

private:
    enum Break : char { Lf, CrLf, Cr, LineSeparator, ParagraphSeparator, FrameStart, FrameEnd };

    void noteBreak(Break kind);
    void setLastBreak(Break kind);
    Break breakAt(qsizetype index) const;
    void notePicture(bool literal);
    bool literalPictureAt(qsizetype index) const;

    bool m_afterCarriageReturn = false;
    bool m_keepRecord = false;
    qsizetype m_fedLength = 0;
    QByteArray m_breaks; // two to a byte
    qsizetype m_breakCount = 0;
    QByteArray m_literalPictures; // a bit each; empty while every picture was a control character
    qsizetype m_pictureCount = 0;
};
