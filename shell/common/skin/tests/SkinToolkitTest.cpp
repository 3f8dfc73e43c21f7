// The skinned window toolkit served by the real skin manager: the base skin that the build packs,
// unpacked with our own unlha32.dll, registered with the toolkit through CSkinManagerSource, and
// skinned windows opened on the main window's and the error log's bitmaps.
#include "shell/common/skin/tests/SkinToolkitTestIds.h"
#include "shell/common/skin/tests/RecordingSkinHost.h"
#include "tests/support/WinTestSupport.h"
#include "shell/common/skin/SkinManager.h"
#include "shell/common/skin/SkinSource.h"
#include "shell/common/skin/UnlhaArchiver.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;





class TestToolkitHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return mainWindow; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
    HWND mainWindow = nullptr;
};

// A window as the program's windows set themselves up: controls placed and anchored by the skin.
class CTestWindow : public CSkinFrameDialog {
public:
    CTestWindow(UINT templateId, DWORD style, std::vector<UINT> controls)
        : CSkinFrameDialog(templateId, nullptr), m_controls(std::move(controls))
    {
        m_style = style;
    }
    BOOL OnInitDialog() override
    {
        CSkinFrameDialog::OnInitDialog();
        for (UINT id : m_controls) {
            RECT r;
            int anchor = toolkit::Skins().GetControlRect(id, &r);
            ::MoveWindow(GetDlgItem(static_cast<int>(id)), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
            SetControlAnchor(id, anchor);
        }
        return TRUE;
    }

private:
    std::vector<UINT> m_controls;
};

RECT ChildRect(HWND parent, UINT id)
{
    RECT r{};
    HWND child = ::GetDlgItem(parent, static_cast<int>(id));
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

// The window's applied shape (window coordinates); the caller deletes it.
HRGN WindowShape(HWND window)
{
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(window, region) == ERROR) {
        ::DeleteObject(region);
        return nullptr;
    }
    return region;
}

// Top-down 32-bit pixels 0x00RRGGBB of a bitmap.
std::vector<DWORD> Pixels(HBITMAP bitmap, int* width, int* height)
{
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    *width = info.bmWidth;
    *height = info.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    HDC dc = ::GetDC(nullptr);
    int rows = ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    if (rows != info.bmHeight)
        pixels.clear();
    return pixels;
}

const DWORD kBaseSkinKeyColour = 0xF9F400; // 249,244,0: the base skin names no key colour of its own

class SkinToolkitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CUnlhaArchiver::SetLibraryPath(nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32")).c_str());
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_root.Format("%snv skin toolkit %lu", temp, GetCurrentProcessId());
        nvtest::RemoveTree(m_root.GetString());
        CreateDirectoryA(m_root, nullptr);
        CreateDirectoryA(m_root + "\\Skin", nullptr);
        CreateDirectoryA(m_root + "\\tmp", nullptr);
        m_host.programFolder = m_root;
        m_host.tempFolder = m_root + "\\tmp\\";
        m_baseArchive = nvtest::ReadFileBytes(nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN")).c_str());
        ASSERT_FALSE(m_baseArchive.empty());
        ASSERT_TRUE(nvtest::WriteFileBytes(m_root + "\\Skin\\baseskin.csz", m_baseArchive));
        ASSERT_TRUE(m_skins.InitSkins());
        ASSERT_TRUE(m_host.messages.empty());
        ASSERT_TRUE(m_skins.IsBaseSkin());
        toolkit::SetSkinSource(&m_source);
        toolkit::SetHost(&m_toolkitHost);
    }
    void TearDown() override
    {
        toolkit::SetSkinSource(nullptr);
        toolkit::SetHost(nullptr);
        m_skins.CleanupSkinFolders();
        nvtest::RemoveTree(m_root.GetString());
        CUnlhaArchiver::SetLibraryPath(nullptr);
    }
    void Open(CTestWindow& window, UINT templateId, const char* bitmap, BOOL resizable, int x, int y)
    {
        ASSERT_TRUE(window.LoadSkin(bitmap, resizable));
        ASSERT_TRUE(window.Create(templateId));
        window.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        window.ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }

    CString m_root;
    RecordingSkinHost m_host;
    TestToolkitHost m_toolkitHost;
    CSkinManager m_skins{&m_host};
    CSkinManagerSource m_source{m_skins};
    Bytes m_baseArchive;
};

TEST_F(SkinToolkitTest, MainWindowTakesShapeAndButtonsFromTheBaseSkin)
{
    CTestWindow main(IDD_TEST_MAIN, CSkinFrameDialog::kModeLeader, {IDC_TEST_MAIN_LOGIN});
    Open(main, IDD_TEST_MAIN, "main.bmp", FALSE, 40, 40);
    ASSERT_TRUE(main.HasSkin());
    EXPECT_EQ(main.GetKeyColor(), kBaseSkinKeyColour);
    RECT window;
    main.GetWindowRect(&window);
    EXPECT_EQ(window.right - window.left, 192);
    EXPECT_EQ(window.bottom - window.top, 288);

    // The shape the skin stored for main.bmp covers exactly the pixels that are not the key colour.
    HRGN shape = WindowShape(main);
    ASSERT_NE(shape, nullptr);
    HBITMAP bitmap = m_skins.LoadBitmap("main.bmp");
    ASSERT_NE(bitmap, nullptr);
    int width = 0, height = 0;
    std::vector<DWORD> pixels = Pixels(bitmap, &width, &height);
    ::DeleteObject(bitmap);
    ASSERT_EQ(pixels.size(), 192u * 288u);
    int wrong = 0, inside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool opaque = (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) != kBaseSkinKeyColour;
            bool in = ::PtInRegion(shape, x, y) != FALSE;
            inside += in ? 1 : 0;
            if (in != opaque && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << (opaque ? " outside" : " inside") << " the shape";
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(::PtInRegion(shape, 0, 0)) << "rounded corners are cut away";
    EXPECT_GT(inside, 192 * 288 * 9 / 10);
    ::DeleteObject(shape);

    // Buttons: the close button's strip of four 16 x 16 frames at the skin's place for MAIN_CLS.
    CSkinButton close;
    ASSERT_TRUE(close.SubclassDlgItem(IDC_TEST_MAIN_CLS, &main));
    ASSERT_TRUE(close.SetBitmap("main_cls.bmp", 4));
    EXPECT_EQ(close.GetFrameWidth(), 16);
    EXPECT_EQ(close.GetFrameHeight(), 16);
    close.PlaceFromSkin(IDC_TEST_MAIN_CLS);
    ExpectRect(ChildRect(main, IDC_TEST_MAIN_CLS), 168, 3, 184, 19);
    CSkinButton login;
    ASSERT_TRUE(login.SubclassDlgItem(IDC_TEST_MAIN_LOGIN, &main));
    ASSERT_TRUE(login.SetBitmap("main_login.bmp", 4));
    ExpectRect(ChildRect(main, IDC_TEST_MAIN_LOGIN), 10, 28, 42, 52);
    ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    nvtest::PumpPending();
    EXPECT_GE(close.GetLastDrawnFrame(), 0) << "the button drew a frame of its strip";
    nvtest::SaveWindowScreenshot(main, "skin_toolkit_main");
}

TEST_F(SkinToolkitTest, ResizableWindowIsScannedAndItsShapeKeptForTheRunOnly)
{
    CString value;
    EXPECT_FALSE(m_skins.GetRegionInfo("general.bmp", value, true)) << "the base skin stores no shape for it";

    CTestWindow main(IDD_TEST_MAIN, CSkinFrameDialog::kModeLeader, {});
    Open(main, IDD_TEST_MAIN, "main.bmp", FALSE, 40, 40);
    m_toolkitHost.mainWindow = main;

    // Title, fill colour and placement are read when the window is made, so the skin comes first.
    CTestWindow log(IDD_TEST_ERROR_LOG,
                    CSkinFrameDialog::kModeFree | CSkinFrameDialog::kResizeWidth | CSkinFrameDialog::kResizeHeight,
                    {IDC_TEST_LOG_LIST, IDC_TEST_LOG_CLS, IDC_TEST_LOG_DEL});
    Open(log, IDD_TEST_ERROR_LOG, "general.bmp", TRUE, 400, 400);
    ASSERT_TRUE(log.HasSkin());
    EXPECT_EQ(log.GetFillColor(), RGB(70, 96, 140));

    // The scanned shape is learned: the skin answers it from now on, but the base skin's archive
    // never takes it.
    ASSERT_TRUE(m_skins.GetRegionInfo("general.bmp", value, true));
    EXPECT_EQ(value, "1:0,0,320,240:");
    HRGN shape = WindowShape(log);
    ASSERT_NE(shape, nullptr);
    RECT box;
    ::GetRgnBox(shape, &box);
    ExpectRect(box, 0, 0, 320, 240);
    ::DeleteObject(shape);

    // Placement beside the main window ("200,60,320,240:N").
    log.PlaceFromSkin(IDD_TEST_ERROR_LOG);
    RECT placed;
    log.GetWindowRect(&placed);
    ExpectRect(placed, 240, 100, 560, 340);
    EXPECT_TRUE(log.GetNoDrag());

    ExpectRect(ChildRect(log, IDC_TEST_LOG_CLS), 298, 3, 314, 19);
    ExpectRect(ChildRect(log, IDC_TEST_LOG_LIST), 8, 24, 312, 202);
    ExpectRect(ChildRect(log, IDC_TEST_LOG_DEL), 8, 212, 48, 232);

    // The skin's title (white text on the dark title bar, which the bitmap alone never has there).
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 320;
        bi.bmiHeader.biHeight = -240;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP canvas = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(canvas, nullptr);
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(dc, canvas);
        log.PaintSkin(dc);
        ::GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        int white = 0;
        for (int y = 1; y < 19; ++y)
            for (int x = 1; x < 200; ++x)
                white += (p[y * 320 + x] & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
        EXPECT_GT(white, 10) << "the title text was drawn";
        EXPECT_EQ(p[100 * 320 + 160] & 0xFFFFFF, 0x46608Cu) << "the face between the pieces is the fill colour";
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        ::DeleteObject(canvas);
    }

    // Growing by 80 x 60: the shape follows and the anchored controls move or stretch.
    log.SetWindowPos(nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    nvtest::PumpPending();
    shape = WindowShape(log);
    ASSERT_NE(shape, nullptr);
    ::GetRgnBox(shape, &box);
    ExpectRect(box, 0, 0, 400, 300);
    EXPECT_TRUE(::PtInRegion(shape, 399, 299));
    ::DeleteObject(shape);
    ExpectRect(ChildRect(log, IDC_TEST_LOG_CLS), 378, 3, 394, 19);
    ExpectRect(ChildRect(log, IDC_TEST_LOG_LIST), 8, 24, 392, 262);
    ExpectRect(ChildRect(log, IDC_TEST_LOG_DEL), 8, 272, 48, 292);
    ::RedrawWindow(log, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    nvtest::PumpPending();
    nvtest::SaveWindowScreenshot(log, "skin_toolkit_error_log");

    m_skins.FlushSkinCache(nullptr);
    EXPECT_EQ(nvtest::ReadFileBytes(m_root + "\\Skin\\baseskin.csz"), m_baseArchive);
    EXPECT_TRUE(m_host.messages.empty());
}

TEST_F(SkinToolkitTest, PhoneSlidOutToTheRightStaysDockedWhenTheMainWindowMoves)
{
    CTestWindow main(IDD_TEST_MAIN, CSkinFrameDialog::kModeLeader, {});
    Open(main, IDD_TEST_MAIN, "main.bmp", FALSE, 40, 40);
    m_toolkitHost.mainWindow = main;
    CTestWindow phone(IDD_TEST_PHONE, CSkinFrameDialog::kModePanel, {});
    Open(phone, IDD_TEST_PHONE, "phone.bmp", FALSE, 600, 400);
    phone.SetOrderOwner(&main);
    main.AddDockedWindow(&phone);
    auto topLeft = [](HWND w) {
        RECT r;
        ::GetWindowRect(w, &r);
        return std::make_pair(static_cast<int>(r.left), static_cast<int>(r.top));
    };
    using Pos = std::pair<int, int>;

    // The base skin docks the phone at the main window's right edge ("192,0:R:200").
    phone.DockFromSkin(IDD_TEST_PHONE);
    EXPECT_EQ(topLeft(phone), (Pos{232, 40}));
    EXPECT_EQ(phone.GetDockLetter(), 'R');
    EXPECT_EQ(phone.GetSlideDistance(), 200);
    EXPECT_FALSE(phone.IsWindowVisible()) << "hidden at its dock";

    phone.ShowFromMain();
    std::vector<Pos> out;
    while (phone.GetRunningSlide() && out.size() < 10) {
        phone.SendMessage(WM_TIMER, CSkinFrameDialog::kSlideOutTimer);
        out.push_back(topLeft(phone));
    }
    EXPECT_EQ(out, (std::vector<Pos>{{298, 40}, {364, 40}, {430, 40}, {432, 40}}));

    main.SetWindowPos(nullptr, 70, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(topLeft(phone), (Pos{462, 60})) << "carried along, still slid out";
    EXPECT_FALSE(phone.IsFloating());
    EXPECT_FALSE(main.IsFloatingWindow(&phone));

    phone.ShowFromMain();
    while (phone.GetRunningSlide())
        phone.SendMessage(WM_TIMER, CSkinFrameDialog::kSlideBackTimer);
    EXPECT_EQ(topLeft(phone), (Pos{262, 60}));
    EXPECT_TRUE(phone.IsAtDockPosition());
    EXPECT_FALSE(phone.IsWindowVisible());
}

} // namespace
