// Skin buttons under Wine: which clicks reach the parent (recorded as WM_COMMAND sequences),
// the looks of hover, press and disabled, and the animated button.
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinDialog.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

class CRecordingDialog : public CSkinDialog {
public:
    CRecordingDialog() : CSkinDialog(IDD_SKIN_TEST, nullptr) {}
    nvtest::MessageSequence commands;

protected:
    BOOL OnCmdMsg(UINT id, int code) override
    {
        if (id == IDC_SKIN_BUTTON || id == IDC_SKIN_SECOND)
            commands.Add(WM_COMMAND, MAKEWPARAM(id, code));
        return CSkinDialog::OnCmdMsg(id, code);
    }
};

class SkinButtonTest : public ::testing::Test {
protected:
    CFakeSkin skins;
    CRecordingDialog dialog;
    CSkinButton button;

    void SetUp() override
    {
        skins.AddBitmap("panel.bmp", CFakeSkin::MakeDib(160, 60, [](int, int) { return 0x202020u; }));
        // Four 20 x 12 frames: red, green, blue, grey.
        static const std::uint32_t colours[4] = {0xE04040, 0x40E040, 0x4040E0, 0x808080};
        skins.AddBitmap("button.bmp", CFakeSkin::MakeDib(80, 12, [](int x, int) { return colours[x / 20]; }));
        ASSERT_TRUE(dialog.LoadSkin("panel.bmp", FALSE));
        ASSERT_TRUE(dialog.Create(IDD_SKIN_TEST));
        dialog.SetWindowPos(nullptr, 60, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        dialog.ShowWindow(SW_SHOWNOACTIVATE);
        ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_BUTTON, &dialog));
        ASSERT_TRUE(button.SetBitmap("button.bmp", 4));
        button.MoveFrameSized(40, 10);
        nvtest::PumpPending();
    }
    void Click()
    {
        ::PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        nvtest::PumpPending();
    }
    void SpaceKey()
    {
        button.SetFocus();
        ::PostMessageA(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
        ::PostMessageA(button, WM_KEYUP, VK_SPACE, 0xC0390001);
        nvtest::PumpPending();
    }
};

TEST_F(SkinButtonTest, DisabledButtonSendsNoClickFromAnySource)
{
    WPARAM clicked = MAKEWPARAM(IDC_SKIN_BUTTON, BN_CLICKED);
    Click();
    button.EnableButton(FALSE);
    EXPECT_TRUE(button.IsWindowEnabled()) << "the window itself stays enabled";
    Click();
    button.SendMessage(BM_CLICK);
    SpaceKey();
    dialog.SendMessage(WM_COMMAND, clicked, reinterpret_cast<LPARAM>(button.GetSafeHwnd())); // the default button's Enter
    nvtest::PumpPending();
    button.EnableButton(TRUE);
    button.SendMessage(BM_CLICK);
    SpaceKey();
    nvtest::PumpPending();
    std::string diff = dialog.commands.Compare({{WM_COMMAND, clicked, 0}, {WM_COMMAND, clicked, 0}, {WM_COMMAND, clicked, 0}});
    EXPECT_TRUE(diff.empty()) << diff;
}

TEST_F(SkinButtonTest, LooksFollowHoverPressAndDisable)
{
    button.UpdateWindow();
    EXPECT_EQ(button.GetLastDrawnFrame(), 0);
    ::PostMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    nvtest::PumpPending();
    EXPECT_EQ(button.GetState(), skin::kButtonHover);
    EXPECT_EQ(button.GetLastDrawnFrame(), 2);
    EXPECT_EQ(::GetCapture(), button.GetSafeHwnd()) << "the hover holds the mouse";
    ::PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    nvtest::PumpPending();
    EXPECT_EQ(button.GetLastDrawnFrame(), 1);
    ::PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    nvtest::PumpPending();
    EXPECT_EQ(button.GetState(), skin::kButtonNormal);
    ::PostMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    nvtest::PumpPending();
    EXPECT_EQ(button.GetState(), skin::kButtonHover);
    // Disabling while hovered gives up the mouse and shows the disabled frame at once.
    button.EnableButton(FALSE);
    EXPECT_EQ(button.GetLastDrawnFrame(), 3);
    EXPECT_NE(::GetCapture(), button.GetSafeHwnd());
    button.EnableButton(TRUE);
    ::PostMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ::PostMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(300, 5));
    nvtest::PumpPending();
    EXPECT_EQ(button.GetState(), skin::kButtonNormal) << "leaving ends the hover";
    EXPECT_NE(::GetCapture(), button.GetSafeHwnd());
    button.SetPushed(TRUE);
    ::PostMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    nvtest::PumpPending();
    EXPECT_EQ(button.GetState(), skin::kButtonPressed) << "a latched look survives the mouse";
    button.SetText("OK");
    button.SetHighlight(TRUE);
    EXPECT_EQ(button.GetLastDrawnFrame(), 0) << "a captioned button never shows the hover frame";
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, "toolkit_skin_button");
}

TEST_F(SkinButtonTest, StripsAndPlacement)
{
    EXPECT_FALSE(button.SetBitmap("button.bmp", 0)) << "a frame count of 0 is refused";
    EXPECT_EQ(button.GetFrameWidth(), 20) << "and the old strip stays";
    skins.controls[IDC_SKIN_BUTTON] = {RECT{7, 9, 7, 9}, -1};
    button.PlaceFromSkin(IDC_SKIN_BUTTON);
    RECT r;
    ::GetWindowRect(button, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.right - r.left, 20);
    EXPECT_EQ(r.bottom - r.top, 12);
    // Two frames: the disabled look stays inside the strip.
    ASSERT_TRUE(button.SetBitmap("button.bmp", 2));
    button.EnableButton(FALSE);
    EXPECT_EQ(button.GetLastDrawnFrame(), 1);
    EXPECT_FALSE(button.SetBitmap("missing.bmp", 4));
}

TEST_F(SkinButtonTest, AnimatedButtonPlaysStopsAndGoesOnFromWhereItStopped)
{
    skins.AddBitmap("anim.bmp", CFakeSkin::MakeDib(60, 12, [](int x, int) { return 0x101010u * (x / 12 + 1); }));
    CSkinBitmapButton anim;
    ASSERT_TRUE(anim.SubclassDlgItem(IDC_SKIN_SECOND, &dialog));
    ASSERT_TRUE(anim.SetBitmap("anim.bmp", 5));
    anim.StartAnimation();
    EXPECT_TRUE(nvtest::PumpUntil([&] { return anim.GetFrame() >= 2; }, 3000));
    anim.StopAnimation();
    anim.StartAnimation(); // cancels the stop
    int frame = anim.GetFrame();
    EXPECT_TRUE(nvtest::PumpUntil([&] { return anim.GetFrame() != frame; }, 3000));
    anim.StopAnimation();
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !anim.IsAnimating(); }, 3000));
    int stoppedAt = anim.GetFrame();
    EXPECT_GE(stoppedAt, 0);
    EXPECT_LT(stoppedAt, 5);
    anim.StartAnimation();
    EXPECT_TRUE(nvtest::PumpUntil([&] { return anim.GetFrame() != stoppedAt; }, 3000));
    EXPECT_EQ(anim.GetFrame(), stoppedAt + 1 > 4 ? 0 : stoppedAt + 1) << "the frame index is not reset by a stop";
    anim.StopAnimation();
    nvtest::PumpUntil([&] { return !anim.IsAnimating(); }, 3000);
}

} // namespace
