// Benchmark (run by hand): 100 owner-drawn friend rows (the most a list holds) painted, beside a
// plain report list view with the same items and icons.
// build/win64/nv-wine build/win64/messaging/lists/win/friend_rows_bench.exe [runs]
#include "messaging/lists/win/StatusListCtrl.h"

#include "framework/win/ImageList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

HICON SolidIcon(COLORREF colour)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    HBRUSH brush = ::CreateSolidBrush(colour);
    RECT all = {0, 0, 16, 16};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    HBITMAP mask = ::CreateBitmap(16, 16, 1, 1, nullptr);
    ICONINFO info = {TRUE, 0, 0, mask, bitmap};
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(bitmap);
    ::DeleteObject(mask);
    return icon;
}

void Fill(CListCtrl& list, CImageList& images)
{
    list.InsertColumn(0, "", LVCFMT_LEFT, 360);
    list.SetImageList(&images, LVSIL_SMALL);
    for (int i = 0; i < 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\x97\xE9\x96\xD8 %03d", i); // 鈴木 nnn
        list.InsertItem(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, i, name, 0, 0, 5 + i % 32, RGB(i * 2, 0, 255 - i * 2));
    }
}

double PaintMs(HWND list)
{
    LARGE_INTEGER frequency, a, b;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&a);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::QueryPerformanceCounter(&b);
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    const char* cls = CWnd::RegisterWindowClass("NvFriendRowsBench");
    CWnd parent;
    // Tall enough that all 100 rows are on the screen and painted.
    parent.CreateEx(0, cls, "bench", WS_POPUP | WS_VISIBLE, 0, 0, 760, 1900, nullptr, nullptr);
    CImageList images;
    images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 37, 7);
    for (int i = 0; i < 37; ++i) {
        HICON icon = SolidIcon(RGB(i * 6, 200 - i * 4, 40));
        images.Add(icon);
        ::DestroyIcon(icon);
    }
    COwnerDrawListCtrl owner;
    CListCtrl plain;
    const DWORD common = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS | LVS_NOCOLUMNHEADER;
    RECT left = {0, 0, 370, 1880};
    RECT right = {380, 0, 750, 1880};
    owner.Create(common | LVS_OWNERDRAWFIXED, left, &parent, 1001);
    plain.Create(common, right, &parent, 1002);
    Fill(owner, images);
    Fill(plain, images);
    std::vector<double> ownerMs, plainMs;
    for (int i = 0; i < runs; ++i) {
        ownerMs.push_back(PaintMs(owner.m_hWnd));
        plainMs.push_back(PaintMs(plain.m_hWnd));
    }
    const double o = Median(ownerMs), p = Median(plainMs);
    std::printf("100 rows, %d runs: owner-drawn median %.2f ms, plain report median %.2f ms, ratio %.2f (target 2)\n",
                runs, o, p, o / p);
    parent.DestroyWindow();
    return 0;
}
