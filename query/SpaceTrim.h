#pragma once

#include <QString>

// Removes space characters (code 32) from both ends; tabs and other white space stay, since the
// server list and the input box have always been trimmed that way.
inline QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}
