#pragma once

#include <QString>

// Turns answer text into what the screen and the printer show: each CR LF pair, lone CR and LF
// becomes one line break, and control characters are drawn as their visible symbols. The exact
// text stays with the caller. Works chunk by chunk: a CR LF pair split between two chunks still
// makes one line break.
class DisplayText
{
public:
    QString feed(const QString &chunk);
    void reset() { m_afterCarriageReturn = false; }

    static QString of(const QString &text)
    {
        DisplayText display;
        return display.feed(text);
    }

private:
    bool m_afterCarriageReturn = false;
};
