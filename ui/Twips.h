#pragma once

#include <QFont>
#include <QWidget>
#include <QtMath>

// Window measures are kept in twips, as the forms were drawn; Qt's device-independent pixels are
// 15 twips each, so the proportions hold on high-DPI screens too.
inline constexpr int TwipsPerPixel = 15;

inline int px(double twips)
{
    return qRound(twips / TwipsPerPixel);
}

inline void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

// Every text on the forms is Arial of regular weight; Debian maps it to Liberation Sans.
inline QFont arial(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    return font;
}
