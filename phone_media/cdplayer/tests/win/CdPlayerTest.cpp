// The CD player under Wine on the base skin: the engine window's 0x446 reports over the MCI
// double's disc, the player's buttons and latches, repeat one and all, the end of the disc,
// random, pause and resume, eject, hide and show, the readouts by pixel, the volume slider, the
// tool tips, a skin without a bitmap, and Wine's own CD audio device without a drive.
#include "phone_media/cdplayer/win/CdAudioWnd.h"
#include "phone_media/cdplayer/win/CdPlayerDlg.h"
#include "phone_media/mci/doubles/MciDouble.h"
#include "phone_media/mci/tests/MediaTestSkin.h"
#include "resources/ids/phone_media.h"
#include "tests/support/WinTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Report {
    WPARAM what;
    LPARAM value;
    bool operator==(const Report& o) const { return what == o.what && value == o.value; }
};
std::vector<Report> g_reports;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CCdAudioWnd::kEngineMessage) {
        g_reports.push_back({wParam, lParam});
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeRecorder()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvCdReportRecorder";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

class CdPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_skin.Start("cdplayer test"));
        m_mci.Install();
        m_mci.Disc().InsertDisc({185, 200, 61, 240});
        m_aux.volumeCaps = {true, true};
        m_aux.volumes[0] = 0x8000;
        m_aux.volumes[1] = 0x0000CCCC; // the last device with volume: 80 %
        m_previousAux = SetAuxDevices(&m_aux);
        g_reports.clear();
    }
    void TearDown() override
    {
        if (m_dlg && m_dlg->GetSafeHwnd())
            m_dlg->DestroyWindow();
        delete m_dlg;
        SetAuxDevices(m_previousAux);
        m_mci.Uninstall();
        m_skin.Stop();
    }
    CCdPlayerDlg& Player()
    {
        if (!m_dlg) {
            m_dlg = new CCdPlayerDlg(nullptr);
            EXPECT_TRUE(m_dlg->Create());
            m_dlg->MoveWindow(240, 40, 240, 96, TRUE);
        }
        return *m_dlg;
    }
    void Click(UINT id)
    {
        HWND button = ::GetDlgItem(Player().GetSafeHwnd(), static_cast<int>(id));
        Player().SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    void Show()
    {
        Player().ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    cd::CCdEngine* Engine() { return Player().GetEngine() ? &Player().GetEngine()->Engine() : nullptr; }
    int PlayingTrack() const
    {
        const auto& plays = const_cast<mcitest::CMciDouble&>(m_mci).Disc().Plays();
        return plays.empty() ? 0 : plays.back().from.track;
    }
    // The drive ends its play command; the notification arrives through the message queue.
    void TrackEnds()
    {
        std::size_t before = m_mci.Disc().Plays().size();
        ASSERT_TRUE(m_mci.EndCdPlay());
        nvtest::PumpUntil([&] { return m_mci.Disc().Plays().size() > before || Player().GetTrackValue() == 4; }, 3000);
    }

    mediatest::CMediaSkin m_skin;
    mcitest::CMciDouble m_mci;
    mcitest::CAuxDouble m_aux;
    cd::IAuxDevices* m_previousAux = nullptr;
    CCdPlayerDlg* m_dlg = nullptr;
};

} // namespace

TEST_F(CdPlayerTest, EngineWindowReportsThroughItsOwner)
{
    HWND recorder = MakeRecorder();
    ASSERT_NE(recorder, nullptr);
    {
        CCdAudioWnd engine;
        ASSERT_TRUE(engine.CreateHidden());
        char name[32] = {};
        ::GetWindowTextA(engine.GetSafeHwnd(), name, sizeof name);
        EXPECT_STREQ(name, "QELOCDPLAY");
        EXPECT_FALSE(::IsWindowVisible(engine.GetSafeHwnd()));
        ASSERT_EQ(engine.Open(recorder), 0);
        EXPECT_EQ(engine.GetTrackCount(), 4);
        ASSERT_TRUE(engine.Play());
        // A second passes while playing: the real one-second timer reports it.
        ASSERT_TRUE(nvtest::PumpUntil([] { return !g_reports.empty() && g_reports.back().what == 3; }, 4000));
        ASSERT_TRUE(m_mci.EndCdPlay());
        ASSERT_TRUE(nvtest::PumpUntil([&] { return PlayingTrack() == 2; }, 3000));
        ASSERT_TRUE(engine.Stop());
        ASSERT_TRUE(engine.Eject());
        std::vector<Report> expected = {{1, 1}, {3, 1}, {1, 2}, {0, 4}, {2, 0}};
        EXPECT_EQ(g_reports, expected);
        // Aborted and superseded notifications are no track ends; another device's are ignored.
        engine.SendMessage(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 999);
        EXPECT_EQ(g_reports.size(), expected.size());
        engine.Close();
        EXPECT_FALSE(m_mci.Disc().IsOpen());
    }
    ::DestroyWindow(recorder);
}

TEST_F(CdPlayerTest, ButtonsDriveTheDiscAndLatch)
{
    Show();
    ASSERT_TRUE(Player().IsComplete());
    ASSERT_NE(Player().GetEngine(), nullptr);
    EXPECT_TRUE(m_mci.Disc().IsOpen());
    using L = cd::Latches;
    struct Step {
        UINT button;
        L latches;
        int track; // playing track afterwards (0: none playing)
    };
    const Step steps[] = {
        {IDC_CD_PLAY, {true, false, false, false, false}, 1},
        {IDC_CD_NEXT, {true, false, false, false, false}, 2},
        {IDC_CD_PAUSE, {false, true, false, false, false}, 0},
        {IDC_CD_PLAY, {true, false, false, false, false}, 2},
        {IDC_CD_REPEAT, {true, false, true, false, false}, 2},
        {IDC_CD_ALLREPEAT, {true, false, false, true, false}, 2},
        {IDC_CD_ALLREPEAT, {true, false, false, false, false}, 2},
        {IDC_CD_BACK, {true, false, false, false, false}, 1}, // at 0:00 of track 2
        {IDC_CD_SHUFFLE, {false, false, false, false, true}, 0},
        {IDC_CD_SHUFFLE, {false, false, false, false, false}, 0},
        {IDC_CD_PLAY, {true, false, false, false, false}, 1},
        {IDC_CD_STOP, {false, false, false, false, false}, 0},
    };
    for (const Step& s : steps) {
        Click(s.button);
        EXPECT_EQ(Player().GetLatches(), s.latches) << "button " << s.button;
        bool playing = m_mci.Disc().Mode() == cd::DriveMode::Playing;
        EXPECT_EQ(playing, s.track != 0) << "button " << s.button;
        if (s.track)
            EXPECT_EQ(PlayingTrack(), s.track) << "button " << s.button;
        // The buttons show their latches.
        EXPECT_EQ(Player().Button(IDC_CD_PLAY)->GetState() == skin::kButtonPressed, s.latches.play);
        EXPECT_EQ(Player().Button(IDC_CD_SHUFFLE)->GetState() == skin::kButtonPressed, s.latches.random);
    }
    EXPECT_EQ(Player().GetTrackValue(), 4); // stopped: the number of tracks
    EXPECT_EQ(Player().GetTimeValue(), 0);
}

TEST_F(CdPlayerTest, PauseResumesAtTheSavedSecond)
{
    Show();
    Click(IDC_CD_NEXT);
    ASSERT_EQ(PlayingTrack(), 2);
    m_mci.Disc().Advance(83);
    for (int i = 1; i <= 3; ++i)
        Player().GetEngine()->SendMessage(WM_TIMER, CCdAudioWnd::kSecondTimer, 0);
    EXPECT_EQ(Player().GetTimeValue(), 3);
    Click(IDC_CD_PAUSE);
    Player().GetEngine()->SendMessage(WM_TIMER, CCdAudioWnd::kSecondTimer, 0);
    EXPECT_EQ(Player().GetTimeValue(), 3); // no counting while paused
    Click(IDC_CD_PLAY);
    const auto& resumed = m_mci.Disc().Plays().back();
    EXPECT_EQ(resumed.from.track, 2);
    EXPECT_EQ(resumed.from.minute, 1);
    EXPECT_EQ(resumed.from.second, 23);
    Player().GetEngine()->SendMessage(WM_TIMER, CCdAudioWnd::kSecondTimer, 0);
    EXPECT_EQ(Player().GetTimeValue(), 4);
    EXPECT_EQ(Player().GetTrackValue(), 2);
}

TEST_F(CdPlayerTest, RepeatModesAndTheEndOfTheDisc)
{
    Show();
    Click(IDC_CD_REPEAT);
    Click(IDC_CD_PLAY);
    TrackEnds();
    TrackEnds();
    EXPECT_EQ(PlayingTrack(), 1);
    Click(IDC_CD_ALLREPEAT);
    std::vector<int> played;
    for (int i = 0; i < 5; ++i) {
        TrackEnds();
        played.push_back(PlayingTrack());
    }
    EXPECT_EQ(played, (std::vector<int>{2, 3, 4, 1, 2}));
    Click(IDC_CD_ALLREPEAT); // neither mode now
    TrackEnds();
    TrackEnds();
    ASSERT_EQ(PlayingTrack(), 4);
    ASSERT_TRUE(m_mci.EndCdPlay());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !Player().GetLatches().play; }, 3000));
    EXPECT_EQ(Player().GetTrackValue(), 4);
    EXPECT_EQ(Player().GetTimeValue(), 0);
    EXPECT_NE(m_mci.Disc().Mode(), cd::DriveMode::Playing);
}

TEST_F(CdPlayerTest, RandomPlaysEveryTrackOnce)
{
    m_mci.Disc().InsertDisc(std::vector<int>(9, 30));
    Show();
    Click(IDC_CD_SHUFFLE);
    ASSERT_TRUE(Player().GetLatches().random);
    std::vector<std::uint8_t> order = Engine()->Order();
    Click(IDC_CD_PLAY);
    std::vector<std::uint8_t> played;
    for (int i = 0; i < 9; ++i) {
        played.push_back(static_cast<std::uint8_t>(PlayingTrack()));
        if (i < 8)
            TrackEnds();
    }
    EXPECT_EQ(played, order);
    std::vector<std::uint8_t> sorted = played;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(CdPlayerTest, EjectHideAndShow)
{
    Show();
    Click(IDC_CD_ALLREPEAT);
    Click(IDC_CD_SHUFFLE);
    Click(IDC_CD_PLAY);
    // Hiding stops the disc and closes the device; showing again keeps the modes.
    Player().ShowWindow(SW_HIDE);
    EXPECT_EQ(Player().GetEngine(), nullptr);
    EXPECT_NE(m_mci.Disc().Mode(), cd::DriveMode::Playing);
    EXPECT_FALSE(m_mci.Disc().IsOpen());
    Show();
    ASSERT_NE(Engine(), nullptr);
    EXPECT_TRUE(Engine()->RepeatAll());
    EXPECT_TRUE(Engine()->Random());
    EXPECT_FALSE(Engine()->RepeatOne());
    // Eject clears the modes and every latch; the track readout shows 0.
    Click(IDC_CD_PLAY);
    Click(IDC_CD_EJECT);
    EXPECT_EQ(Player().GetLatches(), cd::Latches{});
    EXPECT_FALSE(Engine()->RepeatAll() || Engine()->Random() || Engine()->RepeatOne());
    EXPECT_TRUE(m_mci.Disc().DoorOpen());
    EXPECT_EQ(Player().GetTrackValue(), 0);
    Click(IDC_CD_PLAY); // no disc: everything off
    EXPECT_EQ(Player().GetLatches(), cd::Latches{});
    // The close button snaps the player back and drops the engine.
    Click(IDC_CD_CLOSE);
    EXPECT_EQ(Player().GetEngine(), nullptr);
    EXPECT_FALSE(Player().IsWindowVisible());
}

namespace {
// Whether cell `cell` of the readout shows glyph `glyph` of the strip, pixel by pixel.
bool CellShows(HWND readout, HBITMAP strip, int cell, int glyph, int w, int h)
{
    HDC screen = ::GetDC(readout);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, strip);
    bool same = true;
    for (int y = 0; y < h && same; ++y)
        for (int x = 0; x < w && same; ++x)
            same = ::GetPixel(screen, cell * w + x, y) == ::GetPixel(memory, glyph * w + x, y);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(readout, screen);
    return same;
}
} // namespace

TEST_F(CdPlayerTest, ReadoutsPaintTheGlyphs)
{
    Show();
    ::SetWindowPos(Player().GetSafeHwnd(), HWND_TOPMOST, 240, 40, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    Player().SendMessage(CCdAudioWnd::kEngineMessage, 1, 7);
    Player().SendMessage(CCdAudioWnd::kEngineMessage, 3, 125);
    HWND track = Player().TrackReadout().GetSafeHwnd();
    HWND time = Player().TimeReadout().GetSafeHwnd();
    ::RedrawWindow(track, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::RedrawWindow(time, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    nvtest::PumpPending();
    ::GdiFlush();
    nvtest::SaveWindowScreenshot(Player().GetSafeHwnd(), "cdplayer_readouts");
    HBITMAP strip = toolkit::Skins().LoadSkinBitmap("cdplay_digit.bmp");
    ASSERT_NE(strip, nullptr);
    int w = Player().TimeReadout().GetGlyphWidth();
    int h = Player().TimeReadout().GetGlyphHeight();
    ASSERT_GT(w, 0);
    RECT r;
    ::GetClientRect(time, &r);
    EXPECT_EQ(r.right, 5 * w);
    ::GetClientRect(track, &r);
    EXPECT_EQ(r.right, 2 * w);
    const int trackGlyphs[] = {0, 7};
    const int timeGlyphs[] = {0, 2, 11, 0, 5}; // 2 minutes 5 seconds
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(CellShows(track, strip, i, trackGlyphs[i], w, h)) << "track cell " << i;
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(CellShows(time, strip, i, timeGlyphs[i], w, h)) << "time cell " << i;
    // Another value paints other glyphs (the check above is not blind).
    EXPECT_FALSE(CellShows(track, strip, 1, 8, w, h));
    EXPECT_FALSE(CellShows(time, strip, 1, 0, w, h));
    EXPECT_FALSE(CellShows(time, strip, 4, 0, w, h));
    ::DeleteObject(strip);
}

TEST_F(CdPlayerTest, VolumeSliderAndToolTips)
{
    Show();
    HWND slider = Player().Volume().GetSafeHwnd();
    EXPECT_EQ(::SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(::SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(::SendMessageA(slider, TBM_GETPOS, 0, 0), 80);
    for (auto [position, word] : {std::pair<int, std::uint32_t>{100, 0xFFFFFFFFu}, {0, 0u}, {50, 0x7FFF7FFFu}}) {
        ::SendMessageA(slider, TBM_SETPOS, TRUE, position);
        Player().SendMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(m_aux.volumes[0], word) << position;
        EXPECT_EQ(m_aux.volumes[1], word) << position;
    }
    HWND tips = Player().GetToolTip();
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(::SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 9);
    char text[80] = {};
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = Player().GetSafeHwnd();
    info.uId = reinterpret_cast<UINT_PTR>(Player().Button(IDC_CD_ALLREPEAT)->GetSafeHwnd());
    info.lpszText = text;
    ::SendMessageA(tips, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, "\x91\x53\x8b\xc8\xd8\xcb\xdf\xb0\xc4"); // 全曲ﾘﾋﾟｰﾄ in code page 932
    nvtest::SaveWindowScreenshot(Player().GetSafeHwnd(), "cdplayer");
}

TEST_F(CdPlayerTest, MissingBitmapStopsTheStartEarly)
{
    for (const char* missing : {"cdplay_digit.bmp", "cdplay_pause.bmp", "cdplay_volumebar.bmp"}) {
        m_skin.Filter().hidden = {missing};
        CCdPlayerDlg player(nullptr);
        ASSERT_TRUE(player.Create()) << missing;
        EXPECT_FALSE(player.IsComplete()) << missing;
        EXPECT_EQ(player.GetToolTip(), nullptr) << missing;
        player.DestroyWindow();
    }
    m_skin.Filter().hidden = {"cdplay_stop.bmp"};
    Show();
    EXPECT_FALSE(Player().IsComplete());
    // Still usable as far as it goes: no crash when a button is pressed.
    Click(IDC_CD_PLAY);
}

TEST_F(CdPlayerTest, DockedWithTheMainWindow)
{
    Show();
    const auto& docked = m_skin.leader.GetDockedGroup();
    EXPECT_EQ(std::count(docked.begin(), docked.end(), Player().GetSafeHwnd()), 1);
}

// Wine's own CD audio device on a machine without a drive: the device does not open, the player
// turns every latch off, nothing crashes.
TEST_F(CdPlayerTest, WineCdAudioWithoutADrive)
{
    m_mci.Uninstall();
    {
        CCdAudioWnd engine;
        ASSERT_TRUE(engine.CreateHidden());
        EXPECT_EQ(engine.Open(engine.GetSafeHwnd()), -1);
        EXPECT_NE(engine.Engine().LastError(), 0u);
        EXPECT_FALSE(engine.Play());
    }
    Show();
    Click(IDC_CD_PLAY);
    EXPECT_EQ(Player().GetLatches(), cd::Latches{});
    for (UINT id : {IDC_CD_NEXT, IDC_CD_BACK, IDC_CD_PAUSE, IDC_CD_STOP, IDC_CD_EJECT, IDC_CD_SHUFFLE})
        Click(id);
    EXPECT_FALSE(Player().GetLatches().play);
    Player().ShowWindow(SW_HIDE);
    EXPECT_EQ(Player().GetEngine(), nullptr);
}
