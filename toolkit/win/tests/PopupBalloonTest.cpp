// Popup balloons under Wine: shape probed in the window's region, no activation, one click notice,
// lifetimes held by handle, and a Japanese balloon looked at.
#include "toolkit/win/PopupBalloon.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "メッセージが届きました" + CR LF + "今すぐ確認 & 返信" in code page 932.
const char kJapanese[] = "\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57\x82\xAA\x93\xCD\x82\xAB\x82\xDC\x82\xB5\x82\xBD"
                         "\r\n"
                         "\x8D\xA1\x82\xB7\x82\xAE\x8A\x6D\x94\x46\x20\x26\x20\x95\xD4\x90\x4D";
// "お知らせ"
const char kShort[] = "\x82\xA8\x92\x6D\x82\xE7\x82\xB9";

// The window a balloon points at: records what it is told.
class CAnchor : public CWnd {
public:
    nvtest::MessageSequence notices;
    BOOL Create(int x, int y)
    {
        const char* cls = RegisterWindowClass("NvTestBalloonAnchor", 0, nullptr, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
        return CreateEx(0, cls, "anchor", WS_POPUP | WS_VISIBLE, x, y, 100, 50, nullptr, nullptr);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == CPopupBalloon::kClickNotice)
            notices.Add(message, wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// Counts the balloons alive, to show that none is left behind.
class CCountingBalloon : public CPopupBalloon {
public:
    static int alive;
    CCountingBalloon() { ++alive; }

protected:
    ~CCountingBalloon() override { --alive; }
};
int CCountingBalloon::alive = 0;

COLORREF PixelAt(HWND window, int x, int y)
{
    ::UpdateWindow(window);
    HDC dc = ::GetDC(window);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return c;
}

class PopupBalloonTest : public ::testing::Test {
protected:
    void SetUp() override { CCountingBalloon::alive = 0; }
    void TearDown() override { EXPECT_EQ(CCountingBalloon::alive, 0) << "a balloon was left behind"; }
};

TEST_F(PopupBalloonTest, ShapeSideAndSizeBesideTheAnchor)
{
    CAnchor anchor;
    ASSERT_TRUE(anchor.Create(200, 200));
    RECT rect;
    HWND balloon = (new CCountingBalloon)->Show(&rect, "0123456789", anchor);
    ASSERT_NE(balloon, nullptr);
    EXPECT_EQ(rect.left, 300);
    EXPECT_EQ(rect.top, 220);
    EXPECT_EQ(rect.right - rect.left, 100);
    EXPECT_EQ(rect.bottom - rect.top, 65);
    HRGN shape = WindowRegion(balloon);
    ASSERT_NE(shape, nullptr);
    struct Probe {
        const char* name;
        int x, y;
        bool inside;
    } probes[] = {
        {"ellipse centre", 55, 32, true},   {"top-left corner", 0, 0, false},  {"top-right corner", 99, 0, false},
        {"tail near its tip", 4, 24, true}, {"below the tail", 3, 31, false},  {"tail at its base", 13, 32, true},
        {"left of the ellipse, above the tail", 5, 8, false},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(::PtInRegion(shape, p.x, p.y) != FALSE, p.inside) << p.name;
    ::DeleteObject(shape);
    CPopupBalloon::Close(balloon);

    // Near the screen's right edge the balloon goes left of the anchor, its tail on its right.
    CAnchor right;
    ASSERT_TRUE(right.Create(::GetSystemMetrics(SM_CXSCREEN) - 120, 500));
    std::string long57(57, 'x');
    balloon = (new CCountingBalloon)->Show(&rect, long57.c_str(), right);
    ASSERT_NE(balloon, nullptr);
    EXPECT_EQ(rect.right, ::GetSystemMetrics(SM_CXSCREEN) - 120);
    EXPECT_EQ(rect.right - rect.left, 208);
    EXPECT_EQ(rect.bottom - rect.top, 105) << "57 bytes: three lines";
    shape = WindowRegion(balloon);
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(::PtInRegion(shape, 204, 44)) << "tail near its tip, on the right";
    EXPECT_FALSE(::PtInRegion(shape, 205, 20)) << "beside the tail the ellipse ends 10 pixels short";
    EXPECT_TRUE(::PtInRegion(shape, 1, 52)) << "and it starts at the far side";
    ::DeleteObject(shape);
    CPopupBalloon::Close(balloon);
    anchor.DestroyWindow();
    right.DestroyWindow();
}

TEST_F(PopupBalloonTest, TakesNoActivationAndTellsTheAnchorOnce)
{
    CAnchor anchor;
    ASSERT_TRUE(anchor.Create(200, 300));
    ::SetForegroundWindow(anchor);
    ::SetActiveWindow(anchor);
    HWND active = ::GetActiveWindow();
    RECT rect;
    HWND balloon = (new CCountingBalloon)->Show(&rect, kShort, anchor);
    ASSERT_NE(balloon, nullptr);
    nvtest::PumpPending();
    EXPECT_EQ(::GetActiveWindow(), active) << "showing it took no activation";
    EXPECT_EQ(::SendMessageA(balloon, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(balloon), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    EXPECT_TRUE(::GetWindowLongA(balloon, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    ::PostMessageA(balloon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 30));
    ::PostMessageA(balloon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(52, 31));
    nvtest::PumpPending();
    std::string diff = anchor.notices.Compare({{CPopupBalloon::kClickNotice, 0, 0}});
    EXPECT_TRUE(diff.empty()) << diff;

    CPopupBalloon::Close(balloon);
    EXPECT_FALSE(::IsWindow(balloon));
    CPopupBalloon::Close(balloon); // the second close touches nothing
    CPopupBalloon::Close(anchor);  // nor does closing a window that is no balloon
    EXPECT_TRUE(anchor.IsWindow());
    anchor.DestroyWindow();
}

TEST_F(PopupBalloonTest, AGoneAnchorShowsNothingAndLeavesNoObject)
{
    CAnchor anchor;
    ASSERT_TRUE(anchor.Create(200, 300));
    HWND gone = anchor.GetSafeHwnd();
    anchor.DestroyWindow();
    RECT rect = {1, 2, 3, 4};
    EXPECT_EQ((new CCountingBalloon)->Show(&rect, kShort, gone), nullptr);
    EXPECT_TRUE(::IsRectEmpty(&rect));
    EXPECT_EQ(CCountingBalloon::alive, 0) << "the failed balloon deleted itself";
    EXPECT_EQ((new CCountingBalloon)->Show(nullptr, kShort, nullptr), nullptr);

    // A click after the anchor went posts nothing (and nothing breaks).
    CAnchor second;
    ASSERT_TRUE(second.Create(200, 300));
    HWND balloon = (new CCountingBalloon)->Show(&rect, kShort, second);
    ASSERT_NE(balloon, nullptr);
    second.DestroyWindow();
    ::SendMessageA(balloon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 30));
    CPopupBalloon::Close(balloon);
}

TEST_F(PopupBalloonTest, ColoursByPixelAndAJapaneseBalloon)
{
    CAnchor anchor;
    ASSERT_TRUE(anchor.Create(150, 400));
    auto* colored = new CCountingBalloon;
    // Text asked in the fill's colour comes out in the frame's.
    colored->SetColors(RGB(255, 255, 192), RGB(255, 255, 192), RGB(160, 0, 0));
    RECT rect;
    HWND balloon = colored->Show(&rect, kJapanese, anchor);
    ASSERT_NE(balloon, nullptr);
    EXPECT_EQ(rect.right - rect.left, 208);
    EXPECT_EQ(rect.bottom - rect.top, 85) << "the line break makes two lines";
    ::RedrawWindow(balloon, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(PixelAt(balloon, 110, 6), RGB(255, 255, 192)) << "fill";
    int red = 0;
    HDC dc = ::GetDC(balloon);
    for (int y = 20; y < 70; ++y)
        for (int x = 30; x < 190; ++x)
            red += ::GetPixel(dc, x, y) == RGB(160, 0, 0) ? 1 : 0;
    ::ReleaseDC(balloon, dc);
    EXPECT_GT(red, 40) << "the text is drawn in the frame colour";
    char title[256] = {};
    ::GetWindowTextA(balloon, title, sizeof title);
    EXPECT_STREQ(kJapanese, title) << "what the balloon says can be read from its window";
    nvtest::SaveWindowScreenshot(balloon, "toolkit_popup_balloon");
    CPopupBalloon::Close(balloon);
    anchor.DestroyWindow();
}

} // namespace
