// Skinned dialogs under Wine: the shape cut from a real bitmap compared with the one an
// independent script computed, the learned line handed back to the skin, key colours, skin
// switches, resizing with anchored controls and windows, the title, and what static controls
// show behind their text.
#include "toolkit/win/SkinDialog.h"
#include "toolkit/win/WinRect.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::uint32_t kKey = 0xF9F400;

class CTestSkinDialog : public CSkinDialog {
public:
    explicit CTestSkinDialog(UINT templateId = IDD_SKIN_TEST) : CSkinDialog(templateId, nullptr) {}
    // Every switch of redrawing, in order (wParam is the new state).
    nvtest::MessageSequence redraws;
    LRESULT OnSetRedraw(WPARAM on, LPARAM)
    {
        redraws.Add(WM_SETREDRAW, on);
        return Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestSkinDialog, CSkinDialog)
    ON_MESSAGE(WM_SETREDRAW, OnSetRedraw)
END_MESSAGE_MAP()

// The client area of a window as it was drawn, top-down 0x00RRGGBB rows.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
    // Pixels of r (client coordinates) that differ from the same pixels of other.
    int CountDifferences(const Capture& other, const RECT& r) const
    {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += At(x, y) != other.At(x, y) ? 1 : 0;
        return count;
    }
    int CountColour(DWORD rgb, const RECT& r) const
    {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += At(x, y) == rgb ? 1 : 0;
        return count;
    }
};

Capture CaptureClient(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Capture capture;
    RECT client;
    ::GetClientRect(window, &client);
    capture.width = client.right;
    capture.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        return capture;
    HDC source = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(source);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, capture.width, capture.height, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* p = static_cast<const DWORD*>(bits);
    capture.pixels.assign(p, p + static_cast<std::size_t>(capture.width) * capture.height);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(window, source);
    ::DeleteObject(dib);
    return capture;
}

// Region values and fixture names: "@name" stands for the line of a fixture file.
std::string Resolve(const std::string& value)
{
    return !value.empty() && value[0] == '@' ? CFakeSkin::ReadFixtureLine(value.c_str() + 1) : value;
}

// Corners of 8 px in red, edges in green, the rest of a w x h bitmap blue.
HBITMAP MakePartsDib(int w, int h)
{
    return CFakeSkin::MakeDib(w, h, [w, h](int x, int y) {
        bool edgeX = x < 8 || x >= w - 8, edgeY = y < 8 || y >= h - 8;
        return edgeX && edgeY ? 0xC04040u : (edgeX || edgeY ? 0x40A040u : 0x4060C0u);
    });
}
// The resize entry of MakePartsDib(32, 32) with a stretch band (l,t,r,b, or none) and fill r,g,b.
std::string PartsEntry32(const char* fill, const char* band = "")
{
    return std::string("0,0,8,8:24,0,8,8:8,0,16,8:0,24,8,8:24,24,8,8:8,24,16,8:0,8,8,16:24,8,8,16:") + band + ":" + fill;
}

class SkinDialogTest : public ::testing::Test {
protected:
    CFakeSkin skins;

    // Creates the dialog (modeless) at a place of its own on the screen.
    void Open(CTestSkinDialog& dialog, int x = 40, int y = 40, bool show = true)
    {
        ASSERT_TRUE(dialog.Create(dialog.GetTemplateId()));
        dialog.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (show) {
            dialog.ShowWindow(SW_SHOWNOACTIVATE);
            dialog.UpdateWindow();
        }
        nvtest::PumpPending();
    }
    static void Resize(CWnd& window, int width, int height)
    {
        window.SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    static RECT RegionBox(HWND window)
    {
        RECT box = {};
        HRGN applied = WindowRegion(window);
        if (applied) {
            ::GetRgnBox(applied, &box);
            ::DeleteObject(applied);
        }
        return box;
    }
};

// Where the shape comes from: scanned from the bitmap (and learned), or taken from the skin's
// cache when it fits the bitmap.
struct ShapeCase {
    const char* name;
    const char* fixtureBitmap; // a fixture file, or null for a solid bitmap of the size below
    int width, height;
    const char* regionKey;
    const char* cachedCurrent; // the current skin's region entry ("" none)
    const char* cachedBase;    // the base skin's region entry ("" none)
    const char* expected;      // the shape applied
    bool learned;              // the shape is handed to the skin as "<key>=<shape>"
    SIZE window;               // the window's size afterwards
    struct Point {
        int x, y;
        bool inside;
        const char* what;
    };
    std::vector<Point> points;
};

class SkinShapeTest : public SkinDialogTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(SkinShapeTest, AppliesTheExpectedShapeAndLearnsOnlyAScannedOne)
{
    const ShapeCase& c = GetParam();
    if (c.fixtureBitmap)
        ASSERT_TRUE(skins.AddBitmapFile("skin.bmp", c.fixtureBitmap));
    else
        // A solid bitmap: had it been scanned, the shape would be the whole rectangle.
        skins.AddBitmap("skin.bmp", CFakeSkin::MakeDib(c.width, c.height, [](int, int) { return 0x336699u; }));
    skins.regionKeys["skin.bmp"] = c.regionKey;
    if (*c.cachedCurrent)
        skins.regionCurrent["skin.bmp"] = Resolve(c.cachedCurrent);
    if (*c.cachedBase)
        skins.regionBase["skin.bmp"] = Resolve(c.cachedBase);
    std::string expected = Resolve(c.expected);
    ASSERT_FALSE(expected.empty());

    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("skin.bmp", FALSE));
    Open(dialog);
    EXPECT_TRUE(dialog.HasSkin());
    EXPECT_TRUE(SameRegion(dialog, expected));
    if (c.learned) {
        ASSERT_EQ(skins.learned.size(), 1u);
        EXPECT_EQ(skins.learned[0], std::string(c.regionKey) + "=" + expected);
    } else {
        EXPECT_TRUE(skins.learned.empty());
    }
    RECT r;
    dialog.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, c.window.cx);
    EXPECT_EQ(r.bottom - r.top, c.window.cy);
    HRGN applied = WindowRegion(dialog);
    ASSERT_NE(applied, nullptr);
    for (const ShapeCase::Point& p : c.points)
        EXPECT_EQ(::PtInRegion(applied, p.x, p.y) != FALSE, p.inside) << p.what;
    ::DeleteObject(applied);
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, std::string("toolkit_skin_dialog_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SkinShapeTest,
    ::testing::Values(
        // The shape of the fixture is 110 wide: its right edge is ragged, the bitmap 120 x 90.
        ShapeCase{"scanned", "shape.bmp", 0, 0, "RGN_SHAPE", "", "", "@shape.rgn", true, SIZE{120, 90},
                  {{60, 5, false, "the notch in the top edge"},
                   {35, 45, false, "the hole"},
                   {60, 45, true, "the body"},
                   {0, 0, false, "the corner"}}},
        ShapeCase{"cached", nullptr, 120, 90, "RGN_SHAPE", "@shape.rgn", "", "@shape.rgn", false, SIZE{110, 90},
                  {{35, 45, false, "the hole, which the solid bitmap has not"}}},
        ShapeCase{"cache_of_another_bitmap", nullptr, 40, 30, "RGN_SMALL", "", "1:0,0,300,200:", "1:0,0,40,30:", true,
                  SIZE{40, 30}, {}}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

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
    skins.AddBitmap("grow.bmp", MakePartsDib(32, 32));
    skins.resize["grow.bmp"] = PartsEntry32("255,255,255");
    // "テストタイトル" in the program's code page, bold, navy, at 12,6.
    skins.titles[IDD_SKIN_TEST] = "MS UI Gothic:16:1:0,0,128:12,6:\x83\x65\x83\x58\x83\x67\x83\x5E\x83\x43\x83\x67\x83\x8B";
    skins.controls[IDC_SKIN_FIXED] = {RECT{0, 0, 0, 0}, -1};

    CTestSkinDialog dialog;
    ASSERT_TRUE(dialog.LoadSkin("grow.bmp", TRUE));
    Open(dialog, 300, 40);
    EXPECT_EQ(dialog.GetFillColor(), RGB(255, 255, 255));
    EXPECT_EQ(RegionBox(dialog).right, 32);

    Resize(dialog, 240, 160);
    HWND corner = dialog.GetDlgItem(IDC_SKIN_CORNER);
    HWND stretch = dialog.GetDlgItem(IDC_SKIN_STRETCH);
    HWND fixed = dialog.GetDlgItem(IDC_SKIN_FIXED);
    RECT cornerBefore = ChildRect(corner), stretchBefore = ChildRect(stretch), fixedBefore = ChildRect(fixed);
    dialog.SetControlAnchor(IDC_SKIN_CORNER, 3);
    dialog.SetControlAnchor(IDC_SKIN_STRETCH, 12);
    RECT ignored;
    dialog.SetControlAnchor(IDC_SKIN_FIXED, skins.GetControlRect(IDC_SKIN_FIXED, &ignored));
    // A child window that is no dialog control (a control host, say).
    CWnd host;
    ASSERT_TRUE(host.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, RECT{100, 100, 150, 120}, &dialog, 0));
    dialog.SetWindowAnchor(&host, 6);

    Resize(dialog, 280, 190);
    RECT c = ChildRect(corner), s = ChildRect(stretch), f = ChildRect(fixed);
    EXPECT_EQ(c.left - cornerBefore.left, 40);
    EXPECT_EQ(c.top - cornerBefore.top, 30);
    EXPECT_EQ(c.right - c.left, cornerBefore.right - cornerBefore.left);
    EXPECT_EQ(s.left, stretchBefore.left);
    EXPECT_EQ(s.right - stretchBefore.right, 40);
    EXPECT_EQ(s.bottom - stretchBefore.bottom, 30);
    EXPECT_TRUE(::EqualRect(&f, &fixedBefore)) << "the skin's 'no anchor' must not stretch the control";
    RECT h = ChildRect(host);
    EXPECT_EQ(h.left, 100);
    EXPECT_EQ(h.right, 190);
    EXPECT_EQ(h.top, 130);
    EXPECT_EQ(h.bottom, 150);
    RECT box = RegionBox(dialog);
    EXPECT_EQ(box.right, 280);
    EXPECT_EQ(box.bottom, 190);

    // The title in the skin's colour where the skin places it, and nowhere else.
    Capture shown = CaptureClient(dialog);
    ASSERT_EQ(shown.width, 280);
    RECT titleBox = {8, 4, 240, 28};
    RECT below = {8, 28, 280, 190};
    EXPECT_GT(shown.CountColour(0x000080, titleBox), 20) << "the title is drawn";
    EXPECT_EQ(shown.CountColour(0x000080, below), 0);
    EXPECT_EQ(shown.At(200, 100), 0xFFFFFFu) << "the face between the pieces is the fill colour";
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, "toolkit_skin_dialog_resizable");
}

TEST_F(SkinDialogTest, ResizableSkinSwitchTakesTheTitleOfTheNewSkin)
{
    skins.AddBitmap("grow.bmp", MakePartsDib(32, 32));
    skins.resize["grow.bmp"] = PartsEntry32("255,255,255");
    skins.AddBitmap("other.bmp", MakePartsDib(32, 32));
    skins.resize["other.bmp"] = PartsEntry32("255,255,255");
    skins.titles[IDD_SKIN_EMPTY] = "MS UI Gothic:16:1:0,0,128:12,6:Title";
    RECT titleBox = {8, 4, 200, 28};

    CTestSkinDialog dialog(IDD_SKIN_EMPTY);
    ASSERT_TRUE(dialog.LoadSkin("grow.bmp", TRUE));
    Open(dialog, 300, 300);
    Resize(dialog, 200, 60);
    EXPECT_GT(CaptureClient(dialog).CountColour(0x000080, titleBox), 20);

    // The next skin gives the title another colour.
    skins.titles[IDD_SKIN_EMPTY] = "MS UI Gothic:16:1:128,0,0:12,6:Title";
    ASSERT_TRUE(dialog.ReloadSkin("other.bmp"));
    Resize(dialog, 200, 60);
    Capture switched = CaptureClient(dialog);
    EXPECT_GT(switched.CountColour(0x800000, titleBox), 20);
    EXPECT_EQ(switched.CountColour(0x000080, titleBox), 0);

    // And the one after it names no title: none is drawn.
    skins.titles.erase(IDD_SKIN_EMPTY);
    ASSERT_TRUE(dialog.ReloadSkin("grow.bmp"));
    Resize(dialog, 200, 60);
    Capture plain = CaptureClient(dialog);
    EXPECT_EQ(plain.CountColour(0x800000, titleBox), 0) << "the previous skin's title stayed";
    EXPECT_EQ(plain.CountColour(0x000080, titleBox), 0);
}

// Growing a window whose shape has several rectangles: redrawing is off during the change and
// on again afterwards, and a hidden window stays hidden.
struct RedrawCase {
    const char* name;
    bool visible;
    std::vector<nvtest::RecordedMessage> switches;
};

class SkinRedrawTest : public SkinDialogTest, public ::testing::WithParamInterface<RedrawCase> {};

TEST_P(SkinRedrawTest, ShapeChangeSwitchesRedrawingOffAndOnOnlyForAVisibleWindow)
{
    const RedrawCase& c = GetParam();
    skins.AddBitmap("grow.bmp", MakePartsDib(32, 32));
    // Two rectangles; the lower one is the band that takes the growth in height.
    skins.resize["grow.bmp"] = PartsEntry32("255,255,255", "0,16,32,32");
    skins.regionCurrent["grow.bmp"] = "2:0,0,32,16:0,16,32,32:";
    CTestSkinDialog dialog(IDD_SKIN_EMPTY);
    ASSERT_TRUE(dialog.LoadSkin("grow.bmp", TRUE));
    Open(dialog, 40, 300, c.visible);
    ASSERT_TRUE(dialog.HasSkin());
    dialog.redraws.Clear();

    Resize(dialog, 120, 80);
    EXPECT_EQ(dialog.redraws.Compare(c.switches), "");
    EXPECT_EQ(dialog.IsWindowVisible() != FALSE, c.visible);
    RECT box = RegionBox(dialog);
    EXPECT_EQ(box.right, 120);
    EXPECT_EQ(box.bottom, 80);
    if (c.visible) {
        EXPECT_EQ(CaptureClient(dialog).At(60, 40), 0xFFFFFFu) << "the grown face is drawn";
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, SkinRedrawTest,
                         ::testing::Values(RedrawCase{"visible", true, {{WM_SETREDRAW, FALSE, 0}, {WM_SETREDRAW, TRUE, 0}}},
                                           RedrawCase{"hidden", false, {}}),
                         [](const ::testing::TestParamInfo<RedrawCase>& info) { return std::string(info.param.name); });

// An anchored window that goes away and is made again: the anchor list lets go of the dead
// window, and the new one, once anchored, moves once per size change.
struct ReanchorCase {
    const char* name;
    bool sameObject; // the same window object makes its window again, else a new object is made
};

class SkinReanchorTest : public SkinDialogTest, public ::testing::WithParamInterface<ReanchorCase> {};

TEST_P(SkinReanchorTest, DeadAnchoredWindowIsDroppedAndTheNewOneMovesOnce)
{
    const ReanchorCase& c = GetParam();
    skins.AddBitmap("grow.bmp", MakePartsDib(32, 32));
    skins.resize["grow.bmp"] = PartsEntry32("255,255,255");
    CTestSkinDialog dialog(IDD_SKIN_EMPTY);
    ASSERT_TRUE(dialog.LoadSkin("grow.bmp", TRUE));
    Open(dialog, 40, 400);
    Resize(dialog, 200, 100);

    auto host = std::make_unique<CWnd>();
    const RECT place = {100, 50, 150, 70};
    ASSERT_TRUE(host->CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, place, &dialog, 0));
    dialog.SetWindowAnchor(host.get(), 1);
    HWND first = *host;
    ASSERT_EQ(dialog.GetWindowAnchorCount(), 1);

    host->DestroyWindow();
    if (!c.sameObject)
        host.reset();
    Resize(dialog, 210, 100);
    EXPECT_EQ(dialog.GetWindowAnchorCount(), 0) << "the destroyed window is let go";
    HWND none = first;
    EXPECT_EQ(dialog.GetWindowAnchor(0, &none), skin::kNoAnchor);
    EXPECT_EQ(none, nullptr);

    if (!host)
        host = std::make_unique<CWnd>();
    ASSERT_TRUE(host->CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, place, &dialog, 0));
    dialog.SetWindowAnchor(host.get(), 1);
    ASSERT_EQ(dialog.GetWindowAnchorCount(), 1);
    HWND held = nullptr;
    EXPECT_EQ(dialog.GetWindowAnchor(0, &held), 1);
    EXPECT_EQ(held, host->m_hWnd);

    Resize(dialog, 240, 100);
    RECT moved = ChildRect(*host);
    EXPECT_EQ(moved.left, place.left + 30) << "moved once by the change in width";
    EXPECT_EQ(moved.right - moved.left, place.right - place.left);
    EXPECT_EQ(moved.top, place.top);
    EXPECT_EQ(dialog.GetWindowAnchorCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Lifetimes, SkinReanchorTest,
                         ::testing::Values(ReanchorCase{"new_object", false}, ReanchorCase{"same_object", true}),
                         [](const ::testing::TestParamInfo<ReanchorCase>& info) { return std::string(info.param.name); });

// A static control drawn over the skin with a transparent background: when its text gets
// shorter, what lay behind the old text shows again, pixel for pixel.
struct StaticTextCase {
    const char* name;
    bool resizable;
    SIZE size; // the window's size while the label changes
};

class SkinStaticTextTest : public SkinDialogTest, public ::testing::WithParamInterface<StaticTextCase> {};

TEST_P(SkinStaticTextTest, ShorterTextLeavesNoTraceOfTheLongerOne)
{
    const StaticTextCase& c = GetParam();
    // A face with a colour of its own in every column and row and no black (the text's colour),
    // so a background painted from the wrong place shows.
    const int w = 200, h = 60;
    skins.AddBitmap("face.bmp", CFakeSkin::MakeDib(w, h, [w, h](int x, int y) {
        bool edgeX = x < 8 || x >= w - 8, edgeY = y < 8 || y >= h - 8;
        if (edgeX || edgeY)
            return 0x40A040u;
        return static_cast<std::uint32_t>((0x30 + x) << 16 | (0x40 + 2 * y) << 8 | 0xA0);
    }));
    skins.resize["face.bmp"] = "0,0,8,8:192,0,8,8:8,0,184,8:0,52,8,8:192,52,8,8:8,52,184,8:0,8,8,44:192,8,8,44::180,200,90";
    CTestSkinDialog dialog(IDD_SKIN_EMPTY);
    ASSERT_TRUE(dialog.LoadSkin("face.bmp", c.resizable));
    Open(dialog, 40, 500);
    if (c.resizable)
        Resize(dialog, c.size.cx, c.size.cy);
    Capture bare = CaptureClient(dialog);
    ASSERT_EQ(bare.width, c.size.cx);
    ASSERT_EQ(bare.height, c.size.cy);

    const RECT place = {12, 24, c.size.cx - 4, 44};
    CWnd label;
    ASSERT_TRUE(label.CreateEx(0, "STATIC", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", WS_CHILD | WS_VISIBLE | SS_LEFT, place,
                               &dialog, 1500));
    Capture longText = CaptureClient(dialog);
    RECT head = {place.left, place.top, place.left + 6, place.bottom};
    RECT tail = {place.left + 40, place.top, place.right, place.bottom};
    RECT around = {0, 0, c.size.cx, place.top};
    ASSERT_GT(longText.CountDifferences(bare, tail), 50) << "the long text is drawn";
    EXPECT_EQ(longText.CountDifferences(bare, around), 0);

    label.SetWindowText("W");
    Capture shortText = CaptureClient(dialog);
    nvtest::PumpPending(); // lets the display driver show what was drawn
    nvtest::SaveWindowScreenshot(dialog, std::string("toolkit_skin_static_text_") + c.name);
    EXPECT_GT(shortText.CountDifferences(bare, head), 0) << "the short text is drawn";
    EXPECT_EQ(shortText.CountDifferences(bare, tail), 0) << "a trace of the long text is left";
}

INSTANTIATE_TEST_SUITE_P(Skins, SkinStaticTextTest,
                         ::testing::Values(StaticTextCase{"plain", false, SIZE{200, 60}},
                                           StaticTextCase{"resizable_grown", true, SIZE{320, 90}}),
                         [](const ::testing::TestParamInfo<StaticTextCase>& info) { return std::string(info.param.name); });

} // namespace
