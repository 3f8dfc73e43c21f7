// The saver window and the settings dialog inside a test program, on the library's hooks.
#include "saver/SaverIds.h"
#include "saver/SaverSettingsDlg.h"
#include "saver/ScreenSaverLibrary.h"
#include "saver/SpriteSaverWnd.h"

#include "saver/tests/SaverPixels.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kIni[] = "vyrnsaver.ini";
const char kSection[] = "VyrnScreenSaver";

void WriteSettings(const char* count, const char* speed)
{
    WritePrivateProfileStringA(kSection, "Count", count, kIni);
    WritePrivateProfileStringA(kSection, "Speed", speed, kIni);
}

int StoredCount() { return static_cast<int>(GetPrivateProfileIntA(kSection, "Count", -100, kIni)); }
int StoredSpeed() { return static_cast<int>(GetPrivateProfileIntA(kSection, "Speed", -100, kIni)); }

struct SettingsDialogTest : ::testing::Test {
    CSpriteSaverWnd saver;
    CSaverSettingsDlg dialog{saver};
    std::string openedUrl;
    int openedShow = -1;
    HWND hDlg = nullptr;

    void Open()
    {
        dialog.SetUrlOpener([this](const std::string& url, int show) { openedUrl = url; openedShow = show; });
        hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SAVER_SETTINGS), nullptr,
                                  &scrnsave::ConfigureDialogProc, 0);
        ASSERT_NE(nullptr, hDlg);
        ASSERT_EQ(hDlg, dialog.m_hWnd);
    }
    int Slider(int id) { return static_cast<int>(SendDlgItemMessageA(hDlg, id, TBM_GETPOS, 0, 0)); }
    void TearDown() override
    {
        if (IsWindow(hDlg))
            DestroyWindow(hDlg);
    }
};

TEST_F(SettingsDialogTest, OutOfRangeStoredValuesAreClampedOnTheSliders)
{
    struct Row { const char* count; const char* speed; int countPos; int speedPos; };
    const Row rows[] = {{"9", "100", 5, 50}, {"3", "0", 3, 1}, {"-7", "-30", 1, 1}, {"junk", "x", 1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.count) + "/" + row.speed);
        WriteSettings(row.count, row.speed);
        Open();
        EXPECT_EQ(row.countPos, Slider(IDC_COUNT_SLIDER));
        EXPECT_EQ(row.speedPos, Slider(IDC_SPEED_SLIDER));
        DestroyWindow(hDlg);
    }
}

TEST_F(SettingsDialogTest, OkStoresTheSliderPositionsAndCancelStoresNothing)
{
    WriteSettings("2", "7");
    Open();
    SendDlgItemMessageA(hDlg, IDC_COUNT_SLIDER, TBM_SETPOS, TRUE, 4);
    SendDlgItemMessageA(hDlg, IDC_SPEED_SLIDER, TBM_SETPOS, TRUE, 33);
    SendMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(2, StoredCount());
    EXPECT_EQ(7, StoredSpeed());
    DestroyWindow(hDlg);

    Open();
    SendDlgItemMessageA(hDlg, IDC_COUNT_SLIDER, TBM_SETPOS, TRUE, 4);
    SendDlgItemMessageA(hDlg, IDC_SPEED_SLIDER, TBM_SETPOS, TRUE, 33);
    SendMessageA(hDlg, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(4, StoredCount());
    EXPECT_EQ(33, StoredSpeed());
    EXPECT_EQ(4, saver.GetCount());
    EXPECT_EQ(33, saver.GetSpeed());
}

TEST_F(SettingsDialogTest, TheWebButtonOpensItsAddressVisibly)
{
    Open();
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_HOMEPAGE, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDC_HOMEPAGE)));
    EXPECT_EQ("http://www.vyrntalk.example.jp/", openedUrl);
    EXPECT_EQ(SW_SHOWNORMAL, openedShow);
}

TEST(SpriteSaverWindow, DrawsSpritesWithoutTheKeyColourAndSwitchesOnceMessagesWait)
{
    WriteSettings("3", "50");
    CSpriteSaverWnd saver;
    unsigned waiting = 0;
    int reads = 0;
    saver.SetMessageArriveReader([&] { ++reads; return waiting; });
    saver.SetCheckPeriod(200);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ScreenSaverProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "NvTestSaverWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(window, saver.m_hWnd) << "the first message binds the saver object";
    EXPECT_EQ(3, saver.Sprites().Count());
    EXPECT_EQ(40u, saver.FramePeriod());

    RECT area = {0, 0, 800, 600};
    saver_test::ColourCounts seen;
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        seen = saver_test::CountScreenColours(area);
        return seen.cloudBlue > 2000 && reads >= 2;
    }, 10000));
    EXPECT_EQ(0, seen.keyPurple) << "the key colour is transparent";
    EXPECT_EQ(0, seen.envelopeOrange);
    EXPECT_FALSE(saver.IsSwitched());
    nvtest::SaveWindowScreenshot(window, "saver_window_normal");

    waiting = 2;
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        seen = saver_test::CountScreenColours(area);
        return saver.IsSwitched() && seen.envelopeOrange > 2000 && seen.cloudBlue == 0;
    }, 10000)) << "blue " << seen.cloudBlue << " orange " << seen.envelopeOrange;
    EXPECT_EQ(0, seen.keyPurple);
    nvtest::SaveWindowScreenshot(window, "saver_window_arrival");

    // There is no way back while the saver runs.
    int readsAtSwitch = reads;
    waiting = 0;
    int moves = 0;
    saver::SpriteRecord last = saver.Sprites().Sprite(0);
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        const saver::SpriteRecord& now = saver.Sprites().Sprite(0);
        if (now.x != last.x || now.y != last.y) {
            ++moves;
            last = now;
        }
        return moves >= 20; // well past several check periods of frame time
    }, 10000));
    EXPECT_TRUE(saver.IsSwitched());
    EXPECT_EQ(readsAtSwitch, reads);

    DestroyWindow(window);
    EXPECT_EQ(nullptr, saver.m_hWnd) << "released after WM_NCDESTROY";
}

TEST(ScreenSaverSwitches, CommandLinesAreRead)
{
    struct Row { const char* line; scrnsave::Mode mode; UINT_PTR window; };
    // A handle with the top bit of its 32 significant bits set, as this process holds it (sign
    // extended in a 64-bit process); callers print it in its 32-bit or its 64-bit form.
    const UINT_PTR highHandle = static_cast<UINT_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001u)));
    const Row rows[] = {
        {"/p 2147483649", scrnsave::Mode::Preview, highHandle},
        {"/p 18446744071562067969", scrnsave::Mode::Preview, highHandle},
        {"/c:2147483649", scrnsave::Mode::Configure, highHandle},
        {"/s", scrnsave::Mode::Run, 0},        {"-S", scrnsave::Mode::Run, 0},
        {"/p 1234", scrnsave::Mode::Preview, 1234}, {"/l:77", scrnsave::Mode::Preview, 77},
        {"/p", scrnsave::Mode::Configure, 0},  {"/c:4567", scrnsave::Mode::Configure, 4567},
        {"", scrnsave::Mode::Configure, 0},    {"/a 12", scrnsave::Mode::Password, 0},
        {"  /s", scrnsave::Mode::Run, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        scrnsave::Switches s = scrnsave::ParseSwitches(row.line);
        EXPECT_EQ(static_cast<int>(row.mode), static_cast<int>(s.mode));
        EXPECT_EQ(row.window, reinterpret_cast<UINT_PTR>(s.window));
    }
}

} // namespace
