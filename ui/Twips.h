#pragma once

#include <QtMath>

// Window measures are kept in twips, as the layout was drawn; Qt's device-independent pixels are
// 15 twips each, so the proportions hold on high-DPI screens too.
inline constexpr int TwipsPerPixel = 15;

inline int px(double twips)
{
    return qRound(twips / TwipsPerPixel);
}
