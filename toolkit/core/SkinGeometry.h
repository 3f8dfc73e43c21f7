// Portable geometry of skinned windows: rectangles, the window shape cut from a bitmap's rows by
// a key colour, and the rectangle arithmetic of resizing, anchors, grips and maximising.
// No windows.h here: the window classes convert to and from RECT and POINT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skin {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

inline Rect MakeRect(int left, int top, int right, int bottom) { return Rect{left, top, right, bottom}; }
inline Rect MakeRectXYWH(int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; }

// Default transparent colour of skins, a 32-bit DIB pixel 0x00RRGGBB.
const std::uint32_t kDefaultKeyColor = 0xF9F400;

// Builds a window shape row by row: each run of pixels that differ from the key colour is a
// one-row rectangle, and a run with the same left and right as the rectangle kept last, on the
// row right below it, extends that rectangle down instead of starting a new one.
class RegionScanner {
public:
    explicit RegionScanner(std::uint32_t keyColor) : m_key(keyColor & 0xFFFFFF) {}
    // pixels: one row of 32-bit 0x00RRGGBB pixels (the top byte is ignored).
    void AddRow(const std::uint32_t* pixels, int width, int y);
    const std::vector<Rect>& Rects() const { return m_rects; }
    std::vector<Rect>& Rects() { return m_rects; }

private:
    void AddRun(int left, int right, int y);
    std::uint32_t m_key;
    std::vector<Rect> m_rects;
};

// Scans a whole top-down image (stride in pixels).
std::vector<Rect> ScanRegion(const std::uint32_t* pixels, int width, int height, int stride, std::uint32_t keyColor);

// Bounding size of a rectangle list: the largest right and the largest bottom.
void BoundingSize(const std::vector<Rect>& rects, int* width, int* height);

// Resizing a resizable skin's shape by (dx, dy). Every rectangle's right grows by dx. With an
// empty stretch band every bottom grows by dy; otherwise the rectangle equal to the band grows
// its bottom and becomes the new band, and every rectangle after it moves down by dy.
void ResizeRegionRects(std::vector<Rect>& rects, Rect& band, int dx, int dy);

// Anchor bits of child controls: 1 move right, 2 move down, 4 stretch the width, 8 stretch the
// height. 0 and kNoAnchor leave a control alone.
const int kNoAnchor = 255;
// A skin's anchor value (the lookup answers -1 for "none") as the dialog stores it.
int NormalizeAnchor(int anchor);
Rect ApplyAnchor(const Rect& rect, int anchor, int dx, int dy);

// Resize grips of frame dialogs. Resize bits of the frame style: 2 height, 4 width.
enum class Hit { Client, Left, Right, Top, Bottom, BottomRight };
const int kGripSize = 14;
// x, y in client coordinates of a client area of width x height.
Hit FrameHitTest(int x, int y, int width, int height, unsigned resizeBits, int frameCx, int frameCy);

// The window rectangle a double-click maximises to.
Rect MaximisedRect(const Rect& window, const Rect& workArea, unsigned resizeBits);
// Where a window goes after the screen changed to screenWidth x screenHeight.
Rect RefitAfterDisplayChange(const Rect& window, const Rect& workArea, int screenWidth, int screenHeight);

// A window moved the least way that puts it inside the work area, its size kept: one that fits is
// left where it is; one larger than the work area on an axis starts at the work area's left or top.
Rect ShiftIntoWorkArea(const Rect& window, const Rect& workArea);
// Where a window placed beside the main window goes: where it was placed when that lies inside
// the work area; otherwise, on an axis where it sticks out while lying wholly on one side of the
// main window, on the other side at the same distance when it fits there; then shifted in.
Rect FitBesideMainWindow(const Rect& window, const Rect& mainWindow, const Rect& workArea);

} // namespace skin
