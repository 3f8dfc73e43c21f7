// The owner-drawn status list over Wine's real list view: rows read back from the screen (the
// item's lParam colour, the selected look), hover tracking by hit test, the status texts from the
// program's string table, placement from the skin.
#include "messaging/lists/win/StatusListCtrl.h"

#include "framework/win/ImageList.h"
#include "resources/StringIds.h"
#include "toolkit/win/SkinHost.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const COLORREF kIconGreen = RGB(0, 200, 0);
const COLORREF kListBack = RGB(192, 192, 192);

HICON SolidIcon(COLORREF colour)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 256; ++i)
        pixels[i] = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    HBITMAP mask = ::CreateBitmap(16, 16, 1, 1, nullptr);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, mask);
    ::PatBlt(dc, 0, 0, 16, 16, BLACKNESS);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ICONINFO iconInfo = {TRUE, 0, 0, mask, bitmap};
    HICON icon = ::CreateIconIndirect(&iconInfo);
    ::DeleteObject(bitmap);
    ::DeleteObject(mask);
    return icon;
}

class FakeLayout : public ISkinSource {
public:
    HBITMAP LoadSkinBitmap(const char*) override { return nullptr; }
    CString GetKeyColorText() override { return CString(); }
    bool GetRegionInfo(const char*, CString*, bool) override { return false; }
    CString GetRegionCacheKey(const char*) override { return CString(); }
    void SetInfoValue(const char*) override {}
    bool GetResizeInfo(const char*, CString*) override { return false; }
    bool GetTitleInfo(UINT, CString*) override { return false; }
    int GetControlRect(UINT id, RECT* rect) override
    {
        auto it = rects.find(id);
        ::SetRectEmpty(rect);
        if (it == rects.end())
            return -1;
        *rect = it->second;
        return 0;
    }
    bool GetDockInfo(UINT, CString*) override { return false; }
    std::map<UINT, RECT> rects;
};

// Remembers the rectangle each row was last drawn in (the control's own item rectangle).
class RecordingStatusList : public CStatusListCtrl {
public:
    void DrawItem(LPDRAWITEMSTRUCT item) override
    {
        drawn[static_cast<int>(item->itemID)] = item->rcItem;
        CStatusListCtrl::DrawItem(item);
    }
    std::map<int, RECT> drawn;
};

struct ListWindow {
    CWnd parent;
    RecordingStatusList list;
    CImageList images;

    ListWindow()
    {
        const char* cls = CWnd::RegisterWindowClass("NvStatusListTest", 0, nullptr,
                                                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        EXPECT_TRUE(parent.CreateEx(0, cls, "list", WS_POPUP | WS_VISIBLE, 40, 40, 260, 200, nullptr, nullptr));
        RECT rect = {0, 0, 240, 180};
        EXPECT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHAREIMAGELISTS |
                                    LVS_NOCOLUMNHEADER | LVS_SINGLESEL,
                                rect, &parent, 1001));
        list.InsertColumn(0, "", LVCFMT_LEFT, 220);
        images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 7, 7);
        HICON icon = SolidIcon(kIconGreen);
        for (int i = 0; i < 37; ++i)
            images.Add(icon);
        ::DestroyIcon(icon);
        list.SetImageList(&images, LVSIL_SMALL);
        list.SetBkColor(kListBack);
        list.SetTextBkColor(kListBack);
        // 鈴木 in red, 佐藤 in black.
        list.InsertItem(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, 0, "\x97\xE9\x96\xD8\x97\xE9\x96\xD8", 0, 0, 6, RGB(255, 0, 0));
        list.InsertItem(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, 1, "\x8D\xB2\x93\xA1\x8D\xB2\x93\xA1", 0, 0, 22, RGB(0, 0, 0));
        ::SetWindowPos(parent.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ::UpdateWindow(list.m_hWnd);
    }
    ~ListWindow() { parent.DestroyWindow(); }

    // The rectangle the row was drawn in (its bounds before the first paint).
    RECT Row(int item)
    {
        auto it = list.drawn.find(item);
        if (it != list.drawn.end())
            return it->second;
        RECT rect = {};
        list.GetItemRect(item, &rect, LVIR_BOUNDS);
        return rect;
    }
    // Pixels of a rectangle of the list as they are on the screen, counted by colour.
    std::map<COLORREF, int> Colours(RECT rect)
    {
        std::map<COLORREF, int> counts;
        HDC dc = ::GetDC(list.m_hWnd);
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x)
                ++counts[::GetPixel(dc, x, y)];
        }
        ::ReleaseDC(list.m_hWnd, dc);
        return counts;
    }
    // Repaints and waits until the screen shows the row's icon (the paint has arrived).
    bool Painted(int item)
    {
        ::InvalidateRect(list.m_hWnd, nullptr, TRUE);
        return nvtest::PumpUntil([&] {
            const RECT row = Row(item);
            RECT icon = {row.left + 4, row.top + 4, row.left + 12, row.top + 12};
            auto colours = Colours(icon);
            return colours.size() == 1 && colours.begin()->second > 0 && colours.begin()->first != kListBack;
        });
    }
};

TEST(StatusList, RowsShowTheirColourAndTheSelectedLook)
{
    ListWindow w;
    ASSERT_TRUE(w.Painted(0));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return w.list.drawn.count(1) != 0; }));
    RECT row0 = w.Row(0);
    RECT row1 = w.Row(1);
    RECT text0 = {row0.left + 18, row0.top, row0.right, row0.bottom};
    RECT text1 = {row1.left + 18, row1.top, row1.right, row1.bottom};
    auto first = w.Colours(text0);
    auto second = w.Colours(text1);
    EXPECT_GT(first[RGB(255, 0, 0)], 0) << "row 0 is drawn in its lParam colour";
    EXPECT_EQ(0, second[RGB(255, 0, 0)]);
    EXPECT_GT(second[RGB(0, 0, 0)], 0);
    RECT icon0 = {row0.left + 2, row0.top + 2, row0.left + 14, row0.top + 14};
    EXPECT_GT(w.Colours(icon0)[kIconGreen], 100) << "the icon at the row's left";
    nvtest::SaveWindowScreenshot(w.parent.m_hWnd, "status_list_plain");

    w.list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::InvalidateRect(w.list.m_hWnd, nullptr, TRUE);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return w.Colours(text0)[::GetSysColor(COLOR_HIGHLIGHT)] > 0; }))
        << "the selected row is repainted";
    auto selected = w.Colours(text0);
    EXPECT_GT(selected[::GetSysColor(COLOR_HIGHLIGHT)], 50) << "the highlight fill";
    EXPECT_EQ(0, selected[RGB(255, 0, 0)]) << "selected text takes the highlight-text colour";
    EXPECT_EQ(0, selected[kListBack]);
    auto selectedIcon = w.Colours(icon0);
    EXPECT_LT(selectedIcon[kIconGreen], 100) << "the icon is drawn blended";
    nvtest::SaveWindowScreenshot(w.parent.m_hWnd, "status_list_selected");
}

TEST(StatusList, HoverFollowsTheHitTestAndLeavesBelowTheLastRow)
{
    ListWindow w;
    const RECT row1 = w.Row(1);
    const struct {
        POINT point;
        int item;
    } rows[] = {
        {{row1.left + 40, (row1.top + row1.bottom) / 2}, 1},
        {{row1.left + 40, row1.bottom + 30}, -1},
        {{row1.left + 40, w.Row(0).top + 2}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        w.list.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(row.point.x, row.point.y));
        EXPECT_EQ(row.item, w.list.GetHoverItem());
        EXPECT_EQ(row.item, w.list.GetHoverRow()); // the top index is 0
    }
}

TEST(StatusList, StatusTextsComeFromTheStringTable)
{
    ListWindow w;
    const struct {
        int image;
        const char* text;
    } rows[] = {
        {6, "vy@n talk\x82\xB5\x82\xBD\x82\xA2"},  // vy@n talkしたい
        {22, "vy@n talk\x82\xB5\x82\xBD\x82\xA2"},
        {0, "\x82\xD3\x82\xC2\x82\xA4"},           // ふつう
        {1, "\x83\x49\x83\x74\x83\x89\x83\x43\x83\x93"}, // オフライン
        {36, "\x96\xA2\x92\xE8\x8B\x60"},           // 未定義
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.image);
        w.list.SetItemImage(0, 0, row.image);
        CString text;
        ASSERT_TRUE(w.list.GetStatusText(0, text));
        EXPECT_STREQ(row.text, text);
    }
    CString text = "kept";
    EXPECT_FALSE(w.list.GetStatusText(5, text));
    EXPECT_FALSE(w.list.GetStatusText(-1, text));
}

TEST(StatusList, SkinRectangleOfZeroWidthMovesWithoutResizing)
{
    ListWindow w;
    FakeLayout layout;
    toolkit::SetSkinSource(&layout);
    layout.rects[1001] = RECT{10, 12, 10, 150};
    w.list.PlaceFromSkin(1001);
    RECT rect;
    ::GetWindowRect(w.list.m_hWnd, &rect);
    ::MapWindowPoints(nullptr, w.parent.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(10, rect.left);
    EXPECT_EQ(12, rect.top);
    EXPECT_EQ(240, rect.right - rect.left);
    layout.rects[1001] = RECT{5, 6, 105, 86};
    w.list.PlaceFromSkin(1001);
    ::GetWindowRect(w.list.m_hWnd, &rect);
    EXPECT_EQ(100, rect.right - rect.left);
    EXPECT_EQ(80, rect.bottom - rect.top);
    toolkit::SetSkinSource(nullptr);
}

} // namespace
