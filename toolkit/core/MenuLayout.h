// Portable geometry of the owner-drawn menu: item sizes, where an item's pictures and text go,
// and the side column along the menu's left edge.
#pragma once

#include "toolkit/core/ControlLogic.h"
#include "toolkit/core/SkinEntries.h"

#include <vector>

namespace skin {

const int kMenuIconSize = 16;
const int kMenuSeparatorHeight = 5;

// A separator is 5 pixels high; a text item is side width + text width + 24 wide and
// max(text height, 16) + 3 high.
Size MeasureMenuItem(bool separator, Size text, int sideWidth);

// Where one item's parts go. The pictures and the face are placed from the side column's width
// alone; the separator line starts right of the side column at the item's left + the side width.
struct MenuItemLayout {
    int checkX = 0;        // check mark, 16 x 16 at the item's top
    int iconX = 0;         // the item's icon, 16 x 16
    Rect face;             // filled with the face colour, the text drawn in it
    Rect edge;             // the raised edge of the selected item
    int separatorLeft = 0; // the etched line of a separator, to the item's right
};
MenuItemLayout LayOutMenuItem(const Rect& item, int sideWidth);

// The side column painted when the menu's last item is drawn whole: the side bitmap bottom-aligned
// with the last item's bottom, the side colour above it up to the top of the first item (the
// measured heights of all items added up). A bitmap taller than the items shows its top part.
struct SideColumnPlan {
    Blit bitmap = {0, 0, 0, 0, 0, 0}; // w or h 0: nothing to copy
    Rect fill;                        // empty: nothing to fill
};
SideColumnPlan PlanSideColumn(int left, int bottom, int totalHeight, int sideWidth, int sideHeight);

} // namespace skin
