// Skinned dialogs under Wine: the shape cut from a real bitmap compared with the one an
// independent script computed, the learned line handed back to the skin, key colours, skin
// switches, and resizing with anchored controls.
#include "toolkit/win/SkinDialog.h"

#include "FakeSkin.h"
#include "ToolkitTestIds.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::uint32_t kKey = 0xF9F400;

class CTestSkinDialog : public CSkinDialog {
public:
    CTestSkinDialog() : CSkinDialog(IDD_SKIN_TEST, nullptr) {}
};

class SkinDialogTest : public ::testing::Test {
protected:
    CFakeSkin skins;

    // Creates the dialog (modeless) at a place of its own on the screen.
    void Open(CTestSkinDialog& dialog, int x = 40, int y = 40)
    {
        ASSERT_TRUE(dialog.Create(IDD_SKIN_TEST));
        dialog.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        dialog.ShowWindow(SW_SHOWNOACTIVATE);
        dialog.UpdateWindow();
        nvtest::PumpPending();
    }
    static bool SameRegion(HWND window, const std::string& value)
    {
        HRGN applied = WindowRegion(window);
        HRGN expected = RegionFromValue(value);
        bool same = applied && ::EqualRgn(applied, expected);
        if (applied)
            ::DeleteObject(applied);
        ::DeleteObject(expected);
        return same;
    }
};

TEST_F(SkinDialogTest, ShapeFromBitmapEqualsTheIndependentScanAndIsLearned)
{
    ASSERT_TRUE(skins.AddBitmapFile("shape.bmp", "shape.bmp"));
    skins.regionKeys["shape.bmp"] = "RGN_SHAPE";
    std::string expected = CFakeSkin::ReadFixtureLine("shape.rgn");
    ASSERT_FALSE(expected.empty());

    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("shape.bmp", FALSE));
    Open(dialog);
    EXPECT_TRUE(dialog.HasSkin());
    EXPECT_TRUE(SameRegion(dialog, expected));
    ASSERT_EQ(skins.learned.size(), 1u);
    EXPECT_EQ(skins.learned[0], "RGN_SHAPE=" + expected);
    RECT r;
    dialog.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 90);
    HRGN applied = WindowRegion(dialog);
    ASSERT_NE(applied, nullptr);
    EXPECT_FALSE(::PtInRegion(applied, 60, 5)) << "the notch in the top edge";
    EXPECT_FALSE(::PtInRegion(applied, 35, 45)) << "the hole";
    EXPECT_TRUE(::PtInRegion(applied, 60, 45));
    EXPECT_FALSE(::PtInRegion(applied, 0, 0)) << "the corner";
    ::DeleteObject(applied);
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, "toolkit_skin_dialog");
}

TEST_F(SkinDialogTest, CachedShapeIsUsedWithoutScanningAndNothingIsLearned)
{
    // A solid bitmap: had it been scanned, the shape would be the whole rectangle.
    skins.AddBitmap("shape.bmp", CFakeSkin::MakeDib(120, 90, [](int, int) { return 0x336699u; }));
    skins.regionKeys["shape.bmp"] = "RGN_SHAPE";
    std::string cached = CFakeSkin::ReadFixtureLine("shape.rgn");
    skins.regionCurrent["shape.bmp"] = cached;

    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("shape.bmp", FALSE));
    Open(dialog);
    EXPECT_TRUE(SameRegion(dialog, cached));
    EXPECT_TRUE(skins.learned.empty());
}

TEST_F(SkinDialogTest, CacheLearnedFromAnotherBitmapIsNotTrusted)
{
    skins.AddBitmap("small.bmp", CFakeSkin::MakeDib(40, 30, [](int, int) { return 0x336699u; }));
    skins.regionKeys["small.bmp"] = "RGN_SMALL";
    skins.regionBase["small.bmp"] = "1:0,0,300,200:"; // larger than the bitmap
    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("small.bmp", FALSE));
    Open(dialog);
    EXPECT_TRUE(SameRegion(dialog, "1:0,0,40,30:"));
    ASSERT_EQ(skins.learned.size(), 1u);
    EXPECT_EQ(skins.learned[0], "RGN_SMALL=1:0,0,40,30:");
}

TEST_F(SkinDialogTest, AllKeyBitmapGivesAnEmptyShapeAndLearnsNothing)
{
    skins.AddBitmap("empty.bmp", CFakeSkin::MakeDib(40, 30, [](int, int) { return kKey; }));
    skins.regionKeys["empty.bmp"] = "RGN_EMPTY";
    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("empty.bmp", FALSE));
    Open(dialog);
    EXPECT_TRUE(dialog.HasSkin());
    HRGN applied = WindowRegion(dialog);
    ASSERT_NE(applied, nullptr) << "an empty shape is still applied";
    RECT box;
    EXPECT_EQ(::GetRgnBox(applied, &box), NULLREGION);
    ::DeleteObject(applied);
    EXPECT_TRUE(skins.learned.empty());
}

TEST_F(SkinDialogTest, SkinKeyColourAndItsReturnToTheDefault)
{
    ASSERT_TRUE(skins.AddBitmapFile("keyed.bmp", "keyed.bmp"));
    skins.keyColorText = "255,0,255";
    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("keyed.bmp", FALSE));
    Open(dialog);
    EXPECT_EQ(dialog.GetKeyColor(), 0xFF00FFu);
    EXPECT_TRUE(SameRegion(dialog, CFakeSkin::ReadFixtureLine("keyed.rgn")));

    // The next skin names no key colour: magenta is no longer transparent.
    skins.keyColorText.clear();
    ASSERT_TRUE(dialog.ReloadSkin("keyed.bmp"));
    EXPECT_EQ(dialog.GetKeyColor(), kKey);
    EXPECT_TRUE(SameRegion(dialog, "1:0,0,64,48:"));
}

TEST_F(SkinDialogTest, FailedSkinSwitchKeepsTheOldBitmapAndSize)
{
    skins.AddBitmap("a.bmp", CFakeSkin::MakeDib(80, 60, [](int, int) { return 0x204080u; }));
    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("a.bmp", FALSE));
    Open(dialog);
    HBITMAP before = dialog.GetSkinBitmap();
    EXPECT_FALSE(dialog.ReloadSkin("missing.bmp"));
    EXPECT_EQ(dialog.GetSkinBitmap(), before);
    EXPECT_EQ(dialog.GetBitmapName(), CString("a.bmp"));
    RECT r;
    dialog.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, 80);
    EXPECT_EQ(r.bottom - r.top, 60);
}

TEST_F(SkinDialogTest, EscapeDoesNotCloseASkinnedDialog)
{
    skins.AddBitmap("a.bmp", CFakeSkin::MakeDib(80, 60, [](int, int) { return 0x204080u; }));
    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("a.bmp", FALSE));
    Open(dialog);
    dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
    nvtest::PumpPending();
    EXPECT_TRUE(dialog.IsWindow());
}

TEST_F(SkinDialogTest, ResizableSkinGrowsItsShapeAndMovesAnchoredControls)
{
    // Corners of 8 px in red, edges in green, the rest of the bitmap blue; fill white.
    skins.AddBitmap("grow.bmp", CFakeSkin::MakeDib(32, 32, [](int x, int y) {
        bool edgeX = x < 8 || x >= 24, edgeY = y < 8 || y >= 24;
        return edgeX && edgeY ? 0xC04040u : (edgeX || edgeY ? 0x40A040u : 0x4060C0u);
    }));
    skins.resize["grow.bmp"] =
        "0,0,8,8:24,0,8,8:8,0,16,8:0,24,8,8:24,24,8,8:8,24,16,8:0,8,8,16:24,8,8,16::255,255,255";
    // "テストタイトル" in the program's code page.
    skins.titles[IDD_SKIN_TEST] = "MS UI Gothic:16:1:0,0,128:12,6:\x83\x65\x83\x58\x83\x67\x83\x5E\x83\x43\x83\x67\x83\x8B";
    skins.controls[IDC_SKIN_FIXED] = {RECT{0, 0, 0, 0}, -1};

    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("grow.bmp", TRUE));
    Open(dialog, 300, 40);
    EXPECT_EQ(dialog.GetFillColor(), RGB(255, 255, 255));
    RECT box;
    HRGN applied = WindowRegion(dialog);
    ASSERT_NE(applied, nullptr);
    ::GetRgnBox(applied, &box);
    ::DeleteObject(applied);
    EXPECT_EQ(box.right, 32);

    dialog.SetWindowPos(nullptr, 0, 0, 240, 160, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND corner = dialog.GetDlgItem(IDC_SKIN_CORNER);
    HWND stretch = dialog.GetDlgItem(IDC_SKIN_STRETCH);
    HWND fixed = dialog.GetDlgItem(IDC_SKIN_FIXED);
    RECT cornerBefore, stretchBefore, fixedBefore;
    auto childRect = [](HWND h) {
        RECT r;
        ::GetWindowRect(h, &r);
        ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    cornerBefore = childRect(corner);
    stretchBefore = childRect(stretch);
    fixedBefore = childRect(fixed);
    dialog.SetControlAnchor(IDC_SKIN_CORNER, 3);
    dialog.SetControlAnchor(IDC_SKIN_STRETCH, 12);
    RECT ignored;
    dialog.SetControlAnchor(IDC_SKIN_FIXED, skins.GetControlRect(IDC_SKIN_FIXED, &ignored));
    // A child window that is no dialog control (a control host, say).
    CWnd host;
    ASSERT_TRUE(host.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, RECT{100, 100, 150, 120}, &dialog, 0));
    dialog.SetWindowAnchor(&host, 6);

    dialog.SetWindowPos(nullptr, 0, 0, 280, 190, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    nvtest::PumpPending();
    RECT c = childRect(corner), s = childRect(stretch), f = childRect(fixed);
    EXPECT_EQ(c.left - cornerBefore.left, 40);
    EXPECT_EQ(c.top - cornerBefore.top, 30);
    EXPECT_EQ(c.right - c.left, cornerBefore.right - cornerBefore.left);
    EXPECT_EQ(s.left, stretchBefore.left);
    EXPECT_EQ(s.right - stretchBefore.right, 40);
    EXPECT_EQ(s.bottom - stretchBefore.bottom, 30);
    EXPECT_TRUE(::EqualRect(&f, &fixedBefore)) << "the skin's 'no anchor' must not stretch the control";
    RECT h = childRect(host);
    EXPECT_EQ(h.left, 100);
    EXPECT_EQ(h.right, 190);
    EXPECT_EQ(h.top, 130);
    EXPECT_EQ(h.bottom, 150);
    applied = WindowRegion(dialog);
    ASSERT_NE(applied, nullptr);
    ::GetRgnBox(applied, &box);
    ::DeleteObject(applied);
    EXPECT_EQ(box.right, 280);
    EXPECT_EQ(box.bottom, 190);
    dialog.UpdateWindow();
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, "toolkit_skin_dialog_resizable");
}

} // namespace
