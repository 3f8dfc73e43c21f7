// The owner-drawn menu by pixel: items drawn into a DIB, then a real popup menu whose owner
// records the owner-draw messages and reads each item back from the screen.
#include "toolkit/win/OwnerDrawMenu.h"

#include "framework/win/Wnd.h"

#include "toolkit/core/MenuLayout.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::uint32_t kBackground = 0xFF00FF;
const std::uint32_t kTick = 0x108020;      // the check mark's colour (resources/icons/make_icons.py)
const std::uint32_t kIconColour = 0xE02010;
const std::uint32_t kSideTop = 0x2040A0;   // the side bitmap's upper rows
const std::uint32_t kSideBottom = 0x10C060; // and its lower rows
const COLORREF kSideColour = 0x32FFFF;      // as the user list's mood menu sets it
const int kSideRows = 30;
const int kSideSplit = 15;

// COLORREF as a DIB pixel 0x00RRGGBB.
std::uint32_t Pixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
std::uint32_t Sys(int index) { return Pixel(::GetSysColor(index)); }

// A 16 x 16 icon of one colour.
HICON SolidIcon(std::uint32_t rgb)
{
    HBITMAP colour = CFakeSkin::MakeDib(16, 16, [rgb](int, int) { return rgb; });
    HBITMAP mask = ::CreateBitmap(16, 16, 1, 1, nullptr);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, mask);
    ::PatBlt(dc, 0, 0, 16, 16, BLACKNESS); // opaque everywhere
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(colour);
    ::DeleteObject(mask);
    return icon;
}

HBITMAP SideBitmap()
{
    return CFakeSkin::MakeDib(20, kSideRows, [](int, int y) { return y < kSideSplit ? kSideTop : kSideBottom; });
}

HFONT MenuFont()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return ::CreateFontIndirectA(&metrics.lfMenuFont);
}

// A 32-bit canvas in a memory DC with the menu font selected, as a menu draws its items.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < width * height; ++i)
            m_bits[i] = kBackground;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_oldBitmap = ::SelectObject(m_dc, m_bitmap);
        m_font = MenuFont();
        m_oldFont = ::SelectObject(m_dc, m_font);
    }
    ~Canvas()
    {
        ::SelectObject(m_dc, m_oldFont);
        ::SelectObject(m_dc, m_oldBitmap);
        ::DeleteDC(m_dc);
        ::DeleteObject(m_bitmap);
        ::DeleteObject(m_font);
    }
    HDC dc() const { return m_dc; }
    std::uint32_t At(int x, int y) const
    {
        ::GdiFlush();
        return m_bits[y * m_width + x] & 0xFFFFFF;
    }
    int Count(const RECT& r, std::uint32_t rgb) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == rgb ? 1 : 0;
        return n;
    }
    std::vector<std::uint32_t> Column(int x, int top, int bottom) const
    {
        std::vector<std::uint32_t> v;
        for (int y = top; y < bottom; ++y)
            v.push_back(At(x, y));
        return v;
    }

private:
    int m_width;
    HBITMAP m_bitmap;
    std::uint32_t* m_bits;
    HDC m_dc;
    HGDIOBJ m_oldBitmap;
    HFONT m_font;
    HGDIOBJ m_oldFont;
};

UINT MeasuredHeight(COwnerDrawMenu& menu, UINT id, OwnerDrawMenuItem* item)
{
    MEASUREITEMSTRUCT m = {};
    m.CtlType = ODT_MENU;
    m.itemID = id;
    m.itemData = reinterpret_cast<ULONG_PTR>(item);
    menu.MeasureItem(&m);
    return m.itemHeight;
}

void Draw(COwnerDrawMenu& menu, HDC dc, UINT id, OwnerDrawMenuItem* item, const RECT& r, UINT action, UINT state)
{
    DRAWITEMSTRUCT d = {};
    d.CtlType = ODT_MENU;
    d.itemID = id;
    d.itemAction = action;
    d.itemState = state;
    d.hwndItem = reinterpret_cast<HWND>(menu.GetSafeHmenu());
    d.hDC = dc;
    d.rcItem = r;
    d.itemData = reinterpret_cast<ULONG_PTR>(item);
    menu.DrawItem(&d);
}

class OwnerDrawMenuTest : public ::testing::Test {
protected:
    void SetUp() override { m_icon = SolidIcon(kIconColour); }
    void TearDown() override { ::DestroyIcon(m_icon); }
    HICON m_icon = nullptr;
};

TEST_F(OwnerDrawMenuTest, ItemPartsSitAtTheirPlacesWhateverTheItemsLeft)
{
    struct Case {
        int left;
        bool side;
    } cases[] = {{0, false}, {7, false}, {0, true}, {7, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("left " + std::to_string(c.left) + (c.side ? " with side column" : ""));
        COwnerDrawMenu menu;
        if (c.side)
            menu.SetSideBitmap(SideBitmap());
        const int w = menu.GetSideWidth();
        OwnerDrawMenuItem checked;
        checked.text = "Aaa";
        checked.checked = TRUE;
        checked.icon = m_icon;
        OwnerDrawMenuItem separator;
        separator.separator = TRUE;
        OwnerDrawMenuItem last;
        last.text = "Bbb";
        ASSERT_TRUE(menu.InsertItem(10, &checked, static_cast<UINT>(-1)));
        ASSERT_TRUE(menu.InsertItem(11, &separator, static_cast<UINT>(-1)));
        ASSERT_TRUE(menu.InsertItem(12, &last, static_cast<UINT>(-1)));

        Canvas canvas(200, 40);
        RECT item = {c.left, 0, 180, 19};
        Draw(menu, canvas.dc(), 10, &checked, item, ODA_DRAWENTIRE, 0);
        EXPECT_EQ(canvas.At(w + 2 + 3, 7), kTick) << "check mark at W + 2";
        EXPECT_EQ(canvas.At(w + 2, 0), kBackground) << "its clear pixels show what was there";
        EXPECT_EQ(canvas.At(w + 20, 0), kIconColour) << "icon at W + 20";
        EXPECT_EQ(canvas.At(w + 35, 15), kIconColour);
        EXPECT_EQ(canvas.At(w + 37, 1), kBackground);
        EXPECT_EQ(canvas.At(w + 38, 1), Sys(COLOR_BTNFACE)) << "face from W + 38";
        EXPECT_EQ(canvas.At(179, 18), Sys(COLOR_BTNFACE));
        EXPECT_GT(canvas.Count(RECT{w + 38, 0, 180, 19}, Sys(COLOR_BTNTEXT)), 5) << "the text";
        EXPECT_EQ(canvas.Count(RECT{0, 0, w, 19}, kSideTop) + canvas.Count(RECT{0, 0, w, 19}, kSideBottom), 0)
            << "no side column before the last item";

        RECT line = {c.left, 20, 180, 25};
        Draw(menu, canvas.dc(), 11, &separator, line, ODA_DRAWENTIRE, 0);
        EXPECT_NE(canvas.At(c.left + w, 20), kBackground) << "the separator starts at L + W";
        EXPECT_EQ(canvas.At(179, 20), canvas.At(c.left + w, 20));
        if (c.left + w > 0) {
            EXPECT_EQ(canvas.At(c.left + w - 1, 20), kBackground) << "and not before";
        }
        EXPECT_EQ(canvas.At(w + 38, 22), kBackground) << "a separator draws nothing else";
    }
}

TEST_F(OwnerDrawMenuTest, SideColumnSpansTheMeasuredItemsAndHoverRedrawsLeaveIt)
{
    COwnerDrawMenu menu;
    menu.SetSideBitmap(SideBitmap());
    menu.SetSideColor(kSideColour);
    menu.SetItemCount(4);
    OwnerDrawMenuItem a, separator, b;
    a.text = "Online";
    a.icon = m_icon;
    separator.separator = TRUE;
    b.text = "Away";
    b.checked = TRUE;
    ASSERT_TRUE(menu.InsertItem(20, &a, static_cast<UINT>(-1)));
    ASSERT_TRUE(menu.InsertItem(21, &separator, static_cast<UINT>(-1)));
    ASSERT_TRUE(menu.InsertItem(22, &b, static_cast<UINT>(-1)));
    ASSERT_TRUE(menu.InsertItem(23, nullptr, static_cast<UINT>(-1))) << "an item without data";

    // Lay the items out as the system does, from their measured heights, under a 3-pixel border.
    std::vector<OwnerDrawMenuItem*> items = {&a, &separator, &b, nullptr};
    std::vector<RECT> rects;
    int top = 3;
    for (UINT i = 0; i < items.size(); ++i) {
        UINT h = MeasuredHeight(menu, 20 + i, items[i]);
        rects.push_back(RECT{3, top, 190, top + static_cast<int>(h)});
        top += static_cast<int>(h);
    }
    EXPECT_EQ(rects[1].bottom - rects[1].top, 5) << "a separator measures 5";
    int total = top - 3;
    ASSERT_GT(total, kSideRows);

    Canvas canvas(200, top + 10);
    for (UINT i = 0; i < items.size(); ++i)
        Draw(menu, canvas.dc(), 20 + i, items[i], rects[i], ODA_DRAWENTIRE, 0);
    const int bottom = rects.back().bottom;
    std::vector<std::uint32_t> column = canvas.Column(3, 0, bottom + 2);
    std::vector<std::uint32_t> expected;
    for (int y = 0; y < bottom + 2; ++y) {
        if (y < 3 || y >= bottom)
            expected.push_back(kBackground);
        else if (y < bottom - kSideRows)
            expected.push_back(Pixel(kSideColour));
        else
            expected.push_back(y < bottom - kSideRows + kSideSplit ? kSideTop : kSideBottom);
    }
    EXPECT_EQ(column, expected) << "the bitmap at the bottom, the side colour up to the first item";
    RECT face = rects[3];
    face.left = 20 + 38;
    EXPECT_EQ(canvas.Count(face, Sys(COLOR_BTNFACE)), (face.right - face.left) * (face.bottom - face.top))
        << "the item without data is an empty face";

    // Hovering: the first item selected, left, the third selected. The column stays as it was.
    const RECT edge = {20 + 38 - 1, rects[0].top + 2, 190, rects[0].bottom - 2};
    Draw(menu, canvas.dc(), 20, &a, rects[0], ODA_SELECT, ODS_SELECTED);
    EXPECT_EQ(canvas.At(edge.left, edge.top), Sys(COLOR_BTNHIGHLIGHT)) << "raised edge, light top-left";
    EXPECT_EQ(canvas.At(edge.right - 1, edge.bottom - 1), Sys(COLOR_3DDKSHADOW)) << "dark bottom-right";
    EXPECT_GT(canvas.Count(RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1}, Sys(COLOR_HIGHLIGHT)), 5)
        << "the text in the highlight colour";
    Draw(menu, canvas.dc(), 20, &a, rects[0], ODA_SELECT, 0);
    EXPECT_EQ(canvas.At(edge.left, edge.top), Sys(COLOR_BTNFACE)) << "the edge is erased";
    EXPECT_EQ(canvas.At(edge.right - 1, edge.bottom - 1), Sys(COLOR_BTNFACE));
    EXPECT_EQ(canvas.Count(rects[0], Sys(COLOR_HIGHLIGHT)), 0);
    Draw(menu, canvas.dc(), 22, &b, rects[2], ODA_SELECT, ODS_SELECTED);
    EXPECT_EQ(canvas.Column(3, 0, bottom + 2), expected);

    // A side bitmap taller than all items shows its top rows, aligned with the first item.
    COwnerDrawMenu small;
    small.SetSideBitmap(SideBitmap());
    OwnerDrawMenuItem only;
    only.text = "One";
    ASSERT_TRUE(small.InsertItem(30, &only, 0));
    int h = static_cast<int>(MeasuredHeight(small, 30, &only));
    ASSERT_LT(h, kSideRows);
    Canvas one(200, 40);
    Draw(small, one.dc(), 30, &only, RECT{3, 3, 190, 3 + h}, ODA_DRAWENTIRE, 0);
    EXPECT_EQ(one.At(3, 3), kSideTop);
    EXPECT_EQ(one.At(3, 2), kBackground);
    EXPECT_EQ(one.At(3, 2 + h), h > kSideSplit ? kSideBottom : kSideTop);
}

TEST_F(OwnerDrawMenuTest, TextIsMeasuredInTheMenuFont)
{
    COwnerDrawMenu menu;
    menu.SetSideBitmap(SideBitmap());
    OwnerDrawMenuItem item;
    item.text = "Measured in the menu's own font, WWW iii";
    ASSERT_TRUE(menu.InsertItem(50, &item, 0));
    HDC screen = ::GetDC(nullptr);
    HFONT font = MenuFont();
    HGDIOBJ old = ::SelectObject(screen, font);
    SIZE extent;
    ::GetTextExtentPoint32A(screen, item.text, item.text.GetLength(), &extent);
    HGDIOBJ system = ::GetStockObject(SYSTEM_FONT);
    ::SelectObject(screen, system);
    SIZE systemExtent;
    ::GetTextExtentPoint32A(screen, item.text, item.text.GetLength(), &systemExtent);
    ::SelectObject(screen, old);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, screen);
    ASSERT_NE(extent.cx, systemExtent.cx) << "the fonts must differ for this test to tell them apart";
    MEASUREITEMSTRUCT m = {};
    m.CtlType = ODT_MENU;
    m.itemID = 50;
    m.itemData = reinterpret_cast<ULONG_PTR>(&item);
    menu.MeasureItem(&m);
    EXPECT_EQ(m.itemWidth, static_cast<UINT>(20 + extent.cx + 24)) << "side width + text + 24";
    EXPECT_EQ(m.itemHeight, static_cast<UINT>(std::max<LONG>(extent.cy, 16) + 3));
}

TEST_F(OwnerDrawMenuTest, BadIconsAndMissingDataDrawWithoutHarm)
{
    COwnerDrawMenu menu;
    OwnerDrawMenuItem broken;
    broken.text = "X";
    broken.icon = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x4321));
    ASSERT_TRUE(menu.InsertItem(40, &broken, 0));
    ASSERT_TRUE(menu.InsertItem(41, nullptr, 1));
    EXPECT_EQ(MeasuredHeight(menu, 41, nullptr), MeasuredHeight(menu, 40, &broken)) << "measured as an empty text";
    Canvas canvas(200, 40);
    Draw(menu, canvas.dc(), 40, &broken, RECT{0, 0, 180, 19}, ODA_DRAWENTIRE, ODS_SELECTED);
    EXPECT_EQ(canvas.At(37, 2), Sys(COLOR_BTNHIGHLIGHT)) << "selected: the edge is drawn";
    EXPECT_EQ(canvas.At(60, 1), Sys(COLOR_BTNFACE)) << "the face is drawn whatever the icon";
    Draw(menu, canvas.dc(), 41, nullptr, RECT{0, 20, 180, 39}, ODA_DRAWENTIRE, ODS_SELECTED);
    EXPECT_EQ(canvas.Count(RECT{39, 23, 179, 36}, Sys(COLOR_BTNFACE)), 140 * 13) << "nothing but the face";
}

} // namespace

namespace {

// "オンライン" and "離席" in code page 932.
const char kOnline[] = "\x83\x49\x83\x93\x83\x89\x83\x43\x83\x93";
const char kAway[] = "\x97\xA3\x90\xC8";

struct DrawnItem {
    UINT id;
    RECT rect;
};

// Owns the popup menu while it is shown: records the owner-draw messages in the order they come,
// checks the menu window's pixels whenever the menu waits for input, and steers it by keys.
class CMenuOwner : public CWnd {
public:
    nvtest::MessageSequence seen;
    std::vector<DrawnItem> drawn;
    std::function<bool(CMenuOwner&, HWND menuWindow)> onIdle; // true: the step is done
    std::vector<UINT> steps;
    bool timedOut = false;

    BOOL Create()
    {
        const char* cls = RegisterWindowClass("NvTestMenuOwner");
        return CreateEx(0, cls, "menu owner", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr);
    }
    RECT RectOf(UINT id) const
    {
        for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
            if (it->id == id)
                return it->rect;
        return RECT{0, 0, 0, 0};
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_MEASUREITEM) {
            auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            seen.Add(WM_MEASUREITEM, m->itemID);
        } else if (message == WM_DRAWITEM) {
            auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            seen.Add(WM_DRAWITEM, d->itemID, d->itemAction | ((d->itemState & ODS_SELECTED) ? 0x100 : 0));
            drawn.push_back({d->itemID, d->rcItem});
        } else if (message == WM_ENTERIDLE && wParam == MSGF_MENU && onIdle) {
            onIdle(*this, reinterpret_cast<HWND>(lParam));
        } else if (message == WM_TIMER && wParam == kDeadlineTimer) {
            // The menu never got where the test steered it: end it rather than hang.
            timedOut = true;
            KillTimer(kDeadlineTimer);
            ::EndMenu();
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    static const UINT_PTR kDeadlineTimer = 77;
};

void PostMenuKey(HWND owner, UINT key) { ::PostMessageA(owner, WM_KEYDOWN, key, 1); }

std::uint32_t ScreenPixel(HWND window, int x, int y)
{
    HDC dc = ::GetDC(window);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return Pixel(c);
}

} // namespace

TEST_F(OwnerDrawMenuTest, ShownPopupDrawsItsItemsAndFollowsTheKeys)
{
    CMenuOwner owner;
    ASSERT_TRUE(owner.Create());
    COwnerDrawMenu menu;
    menu.SetSideBitmap(SideBitmap());
    menu.SetSideColor(kSideColour);
    OwnerDrawMenuItem online, separator, away;
    online.text = kOnline;
    online.icon = m_icon;
    online.checked = TRUE;
    separator.separator = TRUE;
    away.text = kAway;
    ASSERT_TRUE(menu.InsertItem(101, &online, static_cast<UINT>(-1)));
    ASSERT_TRUE(menu.InsertItem(102, &separator, static_cast<UINT>(-1)));
    ASSERT_TRUE(menu.InsertItem(103, &away, static_cast<UINT>(-1)));
    ASSERT_TRUE(menu.InsertItem(104, nullptr, static_cast<UINT>(-1)));
    menu.SetItemCount(4);
    const int w = menu.GetSideWidth();

    std::vector<std::uint32_t> columnAtFirstSight;
    int step = 0;
    owner.onIdle = [&](CMenuOwner& o, HWND popup) -> bool {
        if (step == 0 && o.drawn.size() >= 4) {
            // Every item drawn whole, once, top to bottom.
            RECT a = o.RectOf(101), line = o.RectOf(102), b = o.RectOf(103), last = o.RectOf(104);
            EXPECT_EQ(ScreenPixel(popup, w + 2 + 3, a.top + 7), kTick);
            EXPECT_EQ(ScreenPixel(popup, w + 20 + 8, a.top + 8), kIconColour);
            EXPECT_EQ(ScreenPixel(popup, w + 38, a.top + 1), Sys(COLOR_BTNFACE));
            EXPECT_EQ(ScreenPixel(popup, a.left + w, line.top), Sys(COLOR_BTNSHADOW)) << "etched separator from L + W";
            EXPECT_EQ(ScreenPixel(popup, w + 38, b.top + 1), Sys(COLOR_BTNFACE));
            EXPECT_NE(ScreenPixel(popup, w + 2 + 3, b.top + 7), kTick) << "no check mark on an unchecked item";
            int bottom = last.bottom;
            EXPECT_EQ(ScreenPixel(popup, last.left, bottom - 1), kSideBottom) << "side bitmap at the bottom";
            EXPECT_EQ(ScreenPixel(popup, last.left, bottom - kSideRows), kSideTop);
            EXPECT_EQ(ScreenPixel(popup, last.left, a.top), Pixel(kSideColour)) << "side colour up to the first item";
            EXPECT_EQ(ScreenPixel(popup, last.left + w - 1, bottom - kSideRows - 1), Pixel(kSideColour));
            for (int y = a.top; y < bottom; ++y)
                columnAtFirstSight.push_back(ScreenPixel(popup, last.left, y));
            nvtest::SaveWindowScreenshot(popup, "toolkit_owner_draw_menu");
            step = 1;
            PostMenuKey(o, VK_DOWN);
            return true;
        }
        RECT a = o.RectOf(101);
        if (step == 1 && !o.seen.Items().empty() && o.seen.Items().back().wParam == 101) {
            EXPECT_EQ(ScreenPixel(popup, w + 37, a.top + 2), Sys(COLOR_BTNHIGHLIGHT)) << "raised edge of the selection";
            EXPECT_EQ(ScreenPixel(popup, a.right - 1, a.bottom - 3), Sys(COLOR_3DDKSHADOW));
            step = 2;
            PostMenuKey(o, VK_DOWN);
            return true;
        }
        if (step == 2 && !o.seen.Items().empty() && o.seen.Items().back().wParam == 103) {
            EXPECT_EQ(ScreenPixel(popup, w + 37, a.top + 2), Sys(COLOR_BTNFACE)) << "the edge left with the selection";
            RECT b = o.RectOf(103);
            EXPECT_EQ(ScreenPixel(popup, w + 37, b.top + 2), Sys(COLOR_BTNHIGHLIGHT));
            std::vector<std::uint32_t> column;
            for (int y = a.top; y < o.RectOf(104).bottom; ++y)
                column.push_back(ScreenPixel(popup, o.RectOf(104).left, y));
            EXPECT_EQ(column, columnAtFirstSight) << "hover redraws leave the side column alone";
            nvtest::SaveWindowScreenshot(popup, "toolkit_owner_draw_menu_selected");
            step = 3;
            PostMenuKey(o, VK_RETURN);
            return true;
        }
        return false;
    };
    owner.SetTimer(CMenuOwner::kDeadlineTimer, 10000);
    UINT chosen = static_cast<UINT>(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, 300, 200, owner));
    owner.KillTimer(CMenuOwner::kDeadlineTimer);
    EXPECT_FALSE(owner.timedOut);
    EXPECT_EQ(step, 3);
    EXPECT_EQ(chosen, 103u) << "the separator was passed over";

    const LPARAM whole = ODA_DRAWENTIRE, select = ODA_SELECT | 0x100, leave = ODA_SELECT;
    std::string differences = owner.seen.Compare({
        {WM_MEASUREITEM, 101, 0}, {WM_MEASUREITEM, 102, 0}, {WM_MEASUREITEM, 103, 0}, {WM_MEASUREITEM, 104, 0},
        {WM_DRAWITEM, 101, whole}, {WM_DRAWITEM, 102, whole}, {WM_DRAWITEM, 103, whole}, {WM_DRAWITEM, 104, whole},
        {WM_DRAWITEM, 101, select}, {WM_DRAWITEM, 101, leave}, {WM_DRAWITEM, 103, select},
    });
    EXPECT_TRUE(differences.empty()) << differences;
    owner.DestroyWindow();
}
