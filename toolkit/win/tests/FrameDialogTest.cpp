// Frame dialogs under Wine: dragging and double-clicks driven by posted mouse messages, grips,
// placement from the skin, display changes and delayed destruction.
#include "toolkit/win/SkinFrameDialog.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

class CTestFrame : public CSkinFrameDialog {
public:
    explicit CTestFrame(DWORD style) : CSkinFrameDialog(IDD_SKIN_TEST, nullptr) { m_style = style; }
};

class FrameDialogTest : public ::testing::Test {
protected:
    CFakeSkin skins;

    void SetUp() override { skins.AddBitmap("frame.bmp", CFakeSkin::MakeDib(100, 80, [](int, int) { return 0x506070u; })); }

    void Open(CTestFrame& frame, int x, int y)
    {
        ASSERT_TRUE(frame.LoadSkin("frame.bmp", FALSE));
        ASSERT_TRUE(frame.Create(IDD_SKIN_TEST));
        frame.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        frame.ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    static RECT WindowRect(HWND w)
    {
        RECT r;
        ::GetWindowRect(w, &r);
        return r;
    }
    // Posts a mouse message at a screen point, in the client coordinates of that moment.
    static void PostMouse(HWND w, UINT message, UINT flags, int screenX, int screenY)
    {
        POINT p = {screenX, screenY};
        ::ScreenToClient(w, &p);
        ::PostMessageA(w, message, flags, MAKELPARAM(p.x, p.y));
        nvtest::PumpPending();
    }
};

TEST_F(FrameDialogTest, FreeWindowFollowsTheMouseWhileTheButtonIsDown)
{
    CTestFrame frame(CSkinFrameDialog::kModeFree);
    Open(frame, 100, 100);
    PostMouse(frame, WM_LBUTTONDOWN, MK_LBUTTON, 110, 110);
    EXPECT_TRUE(frame.IsDragging());
    EXPECT_EQ(::GetCapture(), frame.GetSafeHwnd());
    PostMouse(frame, WM_MOUSEMOVE, MK_LBUTTON, 140, 130);
    RECT r = WindowRect(frame);
    EXPECT_EQ(r.left, 130);
    EXPECT_EQ(r.top, 120);
    PostMouse(frame, WM_MOUSEMOVE, MK_LBUTTON, 135, 150);
    r = WindowRect(frame);
    EXPECT_EQ(r.left, 125);
    EXPECT_EQ(r.top, 140);
    EXPECT_EQ(r.right - r.left, 100) << "a drag never changes the size";
    PostMouse(frame, WM_LBUTTONUP, 0, 135, 150);
    EXPECT_FALSE(frame.IsDragging());
    EXPECT_NE(::GetCapture(), frame.GetSafeHwnd());
    PostMouse(frame, WM_MOUSEMOVE, 0, 200, 200);
    EXPECT_EQ(WindowRect(frame).left, 125) << "no drag after the button went up";
}

TEST_F(FrameDialogTest, PlacementFromSkinIsRelativeToTheMainWindowAndMaySwitchDragOff)
{
    CTestFrame main(CSkinFrameDialog::kModeLeader);
    Open(main, 50, 60);
    skins.mainWindow = main;
    skins.docks[IDD_FRAME_TEST] = "10,20,120,90:N";
    CTestFrame frame(CSkinFrameDialog::kModeFree | CSkinFrameDialog::kResizeHeight);
    Open(frame, 400, 400);
    frame.PlaceFromSkin(IDD_FRAME_TEST);
    RECT r = WindowRect(frame);
    EXPECT_EQ(r.left, 60);
    EXPECT_EQ(r.top, 80);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 90);
    EXPECT_TRUE(frame.GetNoDrag());
    EXPECT_EQ(frame.GetMinimumSize().cy, 90);
    PostMouse(frame, WM_LBUTTONDOWN, MK_LBUTTON, 70, 90);
    PostMouse(frame, WM_MOUSEMOVE, MK_LBUTTON, 100, 120);
    PostMouse(frame, WM_LBUTTONUP, 0, 100, 120);
    EXPECT_EQ(WindowRect(frame).left, 60) << "a no-drag window stays put";
    frame.Invalidate(TRUE);
    frame.UpdateWindow();
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(frame, "toolkit_frame_dialog");

    // A dock entry under the same key has no size: the window keeps its own.
    skins.docks[IDD_FRAME_TEST] = "5,5:D:30";
    frame.PlaceFromSkin(IDD_FRAME_TEST);
    r = WindowRect(frame);
    EXPECT_EQ(r.left, 55);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_FALSE(frame.GetNoDrag());
}

// Beside a main window at the work area's left edge, a placement left of it has no room: a free
// window goes to the main window's right, touching it, and one that sticks out below is shifted
// up; a drawer and a docked panel keep the offset that their docking compares against.
TEST_F(FrameDialogTest, PlacementFromSkinStaysOnTheWorkAreaExceptForDockedWindows)
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    CTestFrame main(CSkinFrameDialog::kModeLeader);
    Open(main, work.left + 20, work.top);
    skins.mainWindow = main;
    const RECT m = WindowRect(main);
    const struct {
        const char* name;
        DWORD mode;
        const char* entry;
        int left, top; // expected, relative to the main window's top-left
    } rows[] = {
        {"free window left of the main window", CSkinFrameDialog::kModeFree, "-130,0,130,30:N", m.right - m.left, 0},
        {"free window that fits stays", CSkinFrameDialog::kModeFree, "110,10,130,30:N", 110, 10},
        {"free window below the work area", CSkinFrameDialog::kModeFree, "0,2000,100,40:N", 0,
         static_cast<int>(work.bottom - 40 - m.top)},
        {"drawer keeps its offset", CSkinFrameDialog::kModeDrawer, "-130,0,130,30:N", -130, 0},
        {"docked panel keeps its offset", CSkinFrameDialog::kModePanel, "-130,0,130,30:N", -130, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CTestFrame frame(row.mode);
        Open(frame, 400, 400);
        skins.docks[IDD_FRAME_TEST] = row.entry;
        frame.PlaceFromSkin(IDD_FRAME_TEST);
        RECT r = WindowRect(frame);
        EXPECT_EQ(r.left - m.left, row.left);
        EXPECT_EQ(r.top - m.top, row.top);
        frame.DestroyWindow();
    }
}

TEST_F(FrameDialogTest, DoubleClickMaximisesTheResizableAxesAndRestores)
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    struct Case {
        const char* name;
        DWORD style;
        RECT expected;
    } cases[] = {
        {"both axes", CSkinFrameDialog::kModeFree | 6, work},
        {"width only", CSkinFrameDialog::kModeFree | 4, RECT{work.left, 100, work.right, 180}},
        {"height only", CSkinFrameDialog::kModeFree | 2, RECT{100, work.top, 200, work.bottom}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestFrame frame(c.style);
        Open(frame, 100, 100);
        ::PostMessageA(frame, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
        nvtest::PumpPending();
        RECT r = WindowRect(frame);
        EXPECT_TRUE(::EqualRect(&r, &c.expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_TRUE(frame.IsMaximised());
        ::PostMessageA(frame, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
        nvtest::PumpPending();
        r = WindowRect(frame);
        RECT original = {100, 100, 200, 180};
        EXPECT_TRUE(::EqualRect(&r, &original));
        EXPECT_FALSE(frame.IsMaximised());
    }
    CTestFrame fixed(CSkinFrameDialog::kModeFree);
    Open(fixed, 100, 100);
    ::PostMessageA(fixed, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
    nvtest::PumpPending();
    EXPECT_EQ(WindowRect(fixed).right, 200) << "a window without resize bits never maximises";
}

TEST_F(FrameDialogTest, GripsFollowTheResizeBits)
{
    int fx = ::GetSystemMetrics(SM_CXFRAME), fy = ::GetSystemMetrics(SM_CYFRAME);
    struct Case {
        const char* name;
        DWORD bits;
        int x, y; // client point
        LRESULT expected;
    } cases[] = {
        {"both: corner", 6, 95, 75, HTBOTTOMRIGHT},
        {"width: corner", 4, 95, 75, HTRIGHT},
        {"width: left band", 4, fx - 1, 20, HTLEFT},
        {"width: no top band", 4, 50, 0, HTCLIENT},
        {"height: top band", 2, 50, fy - 1, HTTOP},
        {"height: bottom band", 2, 50, 79, HTBOTTOM},
        {"none: corner", 0, 95, 75, HTCLIENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestFrame frame(CSkinFrameDialog::kModeFree | c.bits);
        Open(frame, 100, 100);
        POINT p = {c.x, c.y};
        ::ClientToScreen(frame, &p);
        EXPECT_EQ(frame.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), c.expected);
    }
}

TEST_F(FrameDialogTest, DisplayChangeCentresAWindowLeftOutsideTheNewScreen)
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    CTestFrame frame(CSkinFrameDialog::kModeFree);
    Open(frame, 700, 100);
    frame.SendMessage(WM_DISPLAYCHANGE, 32, MAKELPARAM(710, 600));
    RECT r = WindowRect(frame);
    EXPECT_EQ(r.left, (work.right - work.left) / 2 - 50);
    EXPECT_EQ(r.top, 100);
}

TEST_F(FrameDialogTest, CloseLaterHidesNowAndDestroysSoon)
{
    CTestFrame frame(CSkinFrameDialog::kModeFree);
    Open(frame, 100, 100);
    HWND hwnd = frame;
    frame.CloseLater();
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(hwnd); }, 5000));
}

TEST_F(FrameDialogTest, DrawerNeverFollowsTheMouseNorActivates)
{
    CTestFrame drawer(CSkinFrameDialog::kModeDrawer);
    Open(drawer, 100, 100);
    EXPECT_EQ(drawer.SendMessage(WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)), MA_NOACTIVATE);
    PostMouse(drawer, WM_LBUTTONDOWN, MK_LBUTTON, 110, 110);
    PostMouse(drawer, WM_MOUSEMOVE, MK_LBUTTON, 150, 150);
    PostMouse(drawer, WM_LBUTTONUP, 0, 150, 150);
    EXPECT_EQ(WindowRect(drawer).left, 100);
    CTestFrame leader(CSkinFrameDialog::kModeLeader);
    Open(leader, 300, 100);
    EXPECT_EQ(leader.SendMessage(WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)), MA_ACTIVATE);
}

} // namespace
