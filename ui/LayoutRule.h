#pragma once

#include <optional>

// Where the controls that follow the window's size go, for an outer window size in twips.
struct ResizeLayout
{
    float txtResultWidth;
    float txtResultHeight;
    float txtURLWidth;
    float btnSendLeft;
    float Label2Left;
};

// Empty while minimised or below 3500 x 5000 twips: the controls then keep their last layout.
std::optional<ResizeLayout> Form_Resize(float outerWidth, float outerHeight, bool minimised);
