#include "LayoutRule.h"

std::optional<ResizeLayout> Form_Resize(float outerWidth, float outerHeight, bool minimised)
{
    if (minimised || outerWidth < 3500 || outerHeight < 5000)
        return std::nullopt;
    return ResizeLayout {outerWidth - 120, outerHeight - 2655, outerWidth - 2040, outerWidth - 1935,
                         outerWidth - 1695};
}
