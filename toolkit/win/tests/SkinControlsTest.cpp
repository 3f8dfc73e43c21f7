// The slider, time readout and blinking label under Wine.
#include "toolkit/win/SkinControls.h"
#include "toolkit/win/SkinDialog.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

const UINT WM_BLINK_NOTICE = WM_USER + 40;

class CNoticeDialog : public CSkinDialog {
public:
    CNoticeDialog() : CSkinDialog(IDD_SKIN_TEST, nullptr) {}
    int notices = 0;
    WPARAM lastId = 0;
    LRESULT OnNotice(WPARAM id, LPARAM)
    {
        ++notices;
        lastId = id;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNoticeDialog, CSkinDialog)
    ON_MESSAGE(WM_BLINK_NOTICE, OnNotice)
END_MESSAGE_MAP()

class SkinControlsTest : public ::testing::Test {
protected:
    CFakeSkin skins;
    CNoticeDialog dialog;

    void SetUp() override
    {
        skins.AddBitmap("panel.bmp", CFakeSkin::MakeDib(200, 100, [](int, int) { return 0x303030u; }));
        ASSERT_TRUE(dialog.LoadSkin("panel.bmp", FALSE));
        ASSERT_TRUE(dialog.Create(IDD_SKIN_TEST));
        dialog.SetWindowPos(nullptr, 600, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        dialog.ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    // The colour drawn at a client point of a window.
    static COLORREF PixelAt(HWND window, int x, int y)
    {
        ::UpdateWindow(window);
        HDC dc = ::GetDC(window);
        COLORREF c = ::GetPixel(dc, x, y);
        ::ReleaseDC(window, dc);
        return c;
    }
};

TEST_F(SkinControlsTest, ReadoutDrawsTheGlyphsOfItsText)
{
    // Glyph i is filled with red = 20 * i, so the drawn colour names the glyph.
    skins.AddBitmap("digits.bmp",
                    CFakeSkin::MakeDib(12 * 6, 9, [](int x, int) { return static_cast<std::uint32_t>((x / 6) * 20) << 16 | 0x0080FF; }));
    CTimeReadout readout;
    RECT r = {10, 40, 20, 50};
    ASSERT_TRUE(readout.Create("", WS_CHILD | WS_VISIBLE, r, &dialog));
    ASSERT_TRUE(readout.SetDigitsBitmap("digits.bmp", 5));
    readout.SetMode(skin::kReadoutMinutesSeconds);
    readout.SetValue(125, 1);
    RECT placed;
    ::GetWindowRect(readout, &placed);
    EXPECT_EQ(placed.right - placed.left, 30) << "refitted to five cells";
    EXPECT_EQ(placed.bottom - placed.top, 9);
    std::vector<int> drawn;
    for (int cell = 0; cell < 5; ++cell)
        drawn.push_back(GetRValue(PixelAt(readout, cell * 6 + 3, 4)) / 20);
    EXPECT_EQ(drawn, (std::vector<int>{0, 2, skin::kGlyphMinus, 0, 5})) << "02-05";
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(readout, "toolkit_time_readout");
    readout.SetDigitCount(11, 1);
    EXPECT_EQ(readout.GetDigitCount(), 5);
    EXPECT_FALSE(readout.SetDigitsBitmap("missing.bmp", 3));
}

TEST_F(SkinControlsTest, SliderDrawsItsChannelFromTheSkin)
{
    skins.AddBitmap("thumb.bmp", CFakeSkin::MakeDib(8, 16, [](int, int) { return 0xFFFFFFu; }));
    skins.AddBitmap("track.bmp", CFakeSkin::MakeDib(100, 20, [](int, int) { return 0x00C000u; }));
    CSkinSlider slider;
    RECT r = {10, 60, 60, 80};
    ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_HORZ | TBS_NOTICKS, r, &dialog, 1300));
    ASSERT_TRUE(slider.SetBitmaps("thumb.bmp", "track.bmp"));
    RECT placed;
    ::GetWindowRect(slider, &placed);
    EXPECT_EQ(placed.right - placed.left, 100);
    slider.SetRange(0, 10, TRUE);
    slider.SetPos(0);
    slider.Invalidate(TRUE);
    EXPECT_EQ(PixelAt(slider, 95, 2), RGB(0, 0xC0, 0));
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, "toolkit_slider");
    EXPECT_FALSE(slider.SetBitmaps("thumb.bmp", "missing.bmp"));
}

TEST_F(SkinControlsTest, TwoBlinksDoNotStopEachOthersTimer)
{
    CBlinkLabel label;
    RECT r = {10, 10, 90, 30};
    ASSERT_TRUE(label.Create("blink", WS_CHILD | WS_VISIBLE, r, &dialog, 1234));
    label.SetNotifyTarget(dialog, WM_BLINK_NOTICE);
    label.SetTextBlink(TRUE, 20);
    label.SetBackBlink(TRUE, 20);
    label.SetBackBlink(FALSE, 0);
    EXPECT_TRUE(label.IsTimerRunning()) << "the text still blinks";
    EXPECT_TRUE(nvtest::PumpUntil([&] { return dialog.notices >= 3; }, 5000));
    EXPECT_EQ(dialog.lastId, 1234u);
    EXPECT_EQ(label.GetBackPhase(), 0);
    label.SetTextBlink(FALSE, 0);
    EXPECT_FALSE(label.IsTimerRunning());
}

TEST_F(SkinControlsTest, BlinkLabelColours)
{
    CBlinkLabel label;
    RECT r = {10, 10, 90, 30};
    ASSERT_TRUE(label.Create("colour", WS_CHILD | WS_VISIBLE, r, &dialog, 1235));
    label.SetBackColor(static_cast<COLORREF>(-1));
    HDC dc = ::GetDC(label);
    label.CtlColor(dc, WM_CTLCOLORSTATIC);
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_BTNFACE));
    label.SetBackColor(RGB(0, 0, 0));
    label.SetTextColor(RGB(255, 255, 0));
    label.CtlColor(dc, WM_CTLCOLORSTATIC);
    EXPECT_EQ(::GetBkColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 255, 0));
    ::ReleaseDC(label, dc);
    // Reflected through the skinned parent.
    EXPECT_EQ(PixelAt(label, 78, 2), RGB(0, 0, 0));
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(label, "toolkit_blink_label");
}

} // namespace
