#include "toolkit/core/SkinGeometry.h"

#include <algorithm>

namespace skin {

void RegionScanner::AddRun(int left, int right, int y)
{
    if (!m_rects.empty()) {
        Rect& last = m_rects.back();
        if (last.left == left && last.right == right && last.bottom == y) {
            last.bottom = y + 1;
            return;
        }
    }
    m_rects.push_back(Rect{left, y, right, y + 1});
}

void RegionScanner::AddRow(const std::uint32_t* pixels, int width, int y)
{
    int x = 0;
    while (x < width) {
        while (x < width && (pixels[x] & 0xFFFFFF) == m_key)
            ++x;
        if (x >= width)
            break;
        int start = x;
        while (x < width && (pixels[x] & 0xFFFFFF) != m_key)
            ++x;
        AddRun(start, x, y);
    }
}

std::vector<Rect> ScanRegion(const std::uint32_t* pixels, int width, int height, int stride, std::uint32_t keyColor)
{
    RegionScanner scanner(keyColor);
    for (int y = 0; y < height; ++y)
        scanner.AddRow(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride), width, y);
    return std::move(scanner.Rects());
}

void BoundingSize(const std::vector<Rect>& rects, int* width, int* height)
{
    int w = 0, h = 0;
    for (const Rect& r : rects) {
        w = std::max(w, r.right);
        h = std::max(h, r.bottom);
    }
    *width = w;
    *height = h;
}

void ResizeRegionRects(std::vector<Rect>& rects, Rect& band, int dx, int dy)
{
    bool bandEmpty = band == Rect{};
    bool afterBand = false;
    Rect newBand = band;
    bool bandFound = false;
    for (Rect& r : rects) {
        bool isBand = !bandEmpty && !bandFound && r == band;
        r.right += dx;
        if (bandEmpty) {
            r.bottom += dy;
        } else if (isBand) {
            r.bottom += dy;
            // The band follows its rectangle, width change included, or the next resize would
            // find no band and nothing would grow in height again.
            newBand = r;
            bandFound = true;
            afterBand = true;
        } else if (afterBand) {
            r.top += dy;
            r.bottom += dy;
        }
    }
    if (bandFound)
        band = newBand;
}

int NormalizeAnchor(int anchor)
{
    if (anchor < 0 || anchor > 15)
        return kNoAnchor;
    return anchor;
}

Rect ApplyAnchor(const Rect& rect, int anchor, int dx, int dy)
{
    if (anchor == 0 || anchor == kNoAnchor || anchor < 0 || anchor > 15)
        return rect;
    Rect r = rect;
    if (anchor & 4) {
        r.right += dx;
    } else if (anchor & 1) {
        r.left += dx;
        r.right += dx;
    }
    if (anchor & 8) {
        r.bottom += dy;
    } else if (anchor & 2) {
        r.top += dy;
        r.bottom += dy;
    }
    return r;
}

Hit FrameHitTest(int x, int y, int width, int height, unsigned resizeBits, int frameCx, int frameCy)
{
    bool heightBit = (resizeBits & 2) != 0;
    bool widthBit = (resizeBits & 4) != 0;
    if (!heightBit && !widthBit)
        return Hit::Client;
    if (MakeRect(width - kGripSize, height - kGripSize, width, height).Contains(x, y)) {
        if (heightBit && widthBit)
            return Hit::BottomRight;
        return widthBit ? Hit::Right : Hit::Bottom;
    }
    if (widthBit) {
        if (MakeRect(width - frameCx, 0, width, height - kGripSize).Contains(x, y))
            return Hit::Right;
        if (MakeRect(0, 0, frameCx, height - kGripSize).Contains(x, y))
            return Hit::Left;
    }
    if (heightBit) {
        if (MakeRect(0, 0, width, frameCy).Contains(x, y))
            return Hit::Top;
        if (MakeRect(0, height - frameCy, width - kGripSize, height).Contains(x, y))
            return Hit::Bottom;
    }
    return Hit::Client;
}

Rect MaximisedRect(const Rect& window, const Rect& workArea, unsigned resizeBits)
{
    bool heightBit = (resizeBits & 2) != 0;
    bool widthBit = (resizeBits & 4) != 0;
    Rect r = window;
    if (widthBit && heightBit)
        return workArea;
    if (widthBit) {
        r.left = workArea.left;
        r.right = workArea.right;
    } else if (heightBit) {
        r.top = workArea.top;
        r.bottom = workArea.bottom;
    }
    return r;
}

Rect RefitAfterDisplayChange(const Rect& window, const Rect& workArea, int screenWidth, int screenHeight)
{
    Rect r = window;
    int w = window.Width();
    int h = window.Height();
    if (screenWidth <= window.left + kGripSize) {
        r.left = workArea.Width() / 2 - w / 2;
        r.right = r.left + w;
    }
    if (screenHeight <= window.top + kGripSize) {
        r.top = workArea.Height() / 2 - h / 2;
        r.bottom = r.top + h;
    }
    return r;
}

namespace {

// One axis of ShiftIntoWorkArea: the start of a span of `length` from `start`, inside [low, high).
int ShiftSpanIn(int start, int length, int low, int high)
{
    if (start + length > high)
        start = high - length;
    if (start < low)
        start = low;
    return start;
}

bool SpanFits(int start, int length, int low, int high) { return start >= low && start + length <= high; }

// One axis of FitBesideMainWindow: a span wholly before or after the main window's span that
// does not fit goes to the other side, the gap kept, when it fits there.
int MirrorSpanIfRoom(int start, int length, int mainStart, int mainEnd, int low, int high)
{
    if (SpanFits(start, length, low, high))
        return start;
    int mirrored = start;
    if (start + length <= mainStart)
        mirrored = mainEnd + (mainStart - (start + length));
    else if (start >= mainEnd)
        mirrored = mainStart - (start - mainEnd) - length;
    else
        return start;
    return SpanFits(mirrored, length, low, high) ? mirrored : start;
}

} // namespace

Rect ShiftIntoWorkArea(const Rect& window, const Rect& workArea)
{
    int w = window.Width();
    int h = window.Height();
    int x = ShiftSpanIn(window.left, w, workArea.left, workArea.right);
    int y = ShiftSpanIn(window.top, h, workArea.top, workArea.bottom);
    return MakeRectXYWH(x, y, w, h);
}

Rect FitBesideMainWindow(const Rect& window, const Rect& mainWindow, const Rect& workArea)
{
    int w = window.Width();
    int h = window.Height();
    int x = MirrorSpanIfRoom(window.left, w, mainWindow.left, mainWindow.right, workArea.left, workArea.right);
    int y = MirrorSpanIfRoom(window.top, h, mainWindow.top, mainWindow.bottom, workArea.top, workArea.bottom);
    return ShiftIntoWorkArea(MakeRectXYWH(x, y, w, h), workArea);
}

} // namespace skin
