#include "toolkit/core/MenuLayout.h"

#include <algorithm>

namespace skin {

Size MeasureMenuItem(bool separator, Size text, int sideWidth)
{
    Size size;
    if (separator) {
        size.cx = sideWidth + 24;
        size.cy = kMenuSeparatorHeight;
        return size;
    }
    size.cx = sideWidth + std::max(0, text.cx) + 24;
    size.cy = std::max(text.cy, kMenuIconSize) + 3;
    return size;
}

MenuItemLayout LayOutMenuItem(const Rect& item, int sideWidth)
{
    MenuItemLayout layout;
    layout.checkX = sideWidth + 2;
    layout.iconX = sideWidth + 20;
    layout.face = MakeRect(sideWidth + 38, item.top, item.right, item.bottom);
    layout.edge = MakeRect(layout.face.left - 1, item.top + 2, item.right, item.bottom - 2);
    layout.separatorLeft = item.left + sideWidth;
    return layout;
}

SideColumnPlan PlanSideColumn(int left, int bottom, int totalHeight, int sideWidth, int sideHeight)
{
    SideColumnPlan plan;
    if (sideWidth <= 0 || sideHeight <= 0 || totalHeight <= 0)
        return plan;
    if (totalHeight > sideHeight) {
        plan.bitmap = Blit{left, bottom - sideHeight, 0, 0, sideWidth, sideHeight};
        plan.fill = MakeRect(left, bottom - totalHeight, left + sideWidth, bottom - sideHeight);
    } else {
        plan.bitmap = Blit{left, bottom - totalHeight, 0, 0, sideWidth, totalHeight};
    }
    return plan;
}

} // namespace skin
