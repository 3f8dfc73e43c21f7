// Counts the saver's picture colours in a screen area (the image list keeps 16-bit colour, so
// colours are matched with a tolerance).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace saver_test {

struct ColourCounts {
    int cloudBlue = 0;     // the normal picture
    int envelopeOrange = 0; // the arrival picture
    int keyPurple = 0;     // the transparent colour: must never reach the screen
};

inline bool Near(const BYTE* bgr, int r, int g, int b)
{
    return std::abs(bgr[2] - r) <= 12 && std::abs(bgr[1] - g) <= 12 && std::abs(bgr[0] - b) <= 12;
}

inline ColourCounts CountScreenColours(const RECT& area)
{
    ColourCounts counts;
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return counts;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const BYTE* px = static_cast<const BYTE*>(bits);
    for (int i = 0; i < width * height; ++i, px += 4) {
        if (Near(px, 64, 160, 255))
            ++counts.cloudBlue;
        else if (Near(px, 255, 160, 32))
            ++counts.envelopeOrange;
        else if (Near(px, 128, 0, 128))
            ++counts.keyPurple;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return counts;
}

} // namespace saver_test
