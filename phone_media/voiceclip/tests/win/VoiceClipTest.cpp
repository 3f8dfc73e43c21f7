// The voice-clip panel under Wine on the base skin over the MCI double: record and stop, the
// 10-second end, hiding while recording, .wav and ZOB clips played, its own clip loaded, the
// sound card held by the phone, Hold, a failing play, a failed encoding, the progress strip,
// placement beside an owner, temporary names and the clip path buffer.
#include "phone_media/mci/doubles/MciDouble.h"
#include "phone_media/mci/tests/MediaTestSkin.h"
#include "phone_media/voiceclip/win/ClipFiles.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "phone_media/voiceclip/win/VoiceClipHost.h"
#include "phone_media/zob/ZobConv.h"
#include "resources/ids/phone_media.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "tests/support/WinTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_saved = 0; // 0x43C messages received

LRESULT CALLBACK SendWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CVoiceClipDlg::kRecordingSaved) {
        ++g_saved;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

class RecordingHost : public IVoiceClipHost {
public:
    bool LockSoundDevice(void* owner, bool acquire) override
    {
        if (acquire) {
            if (holder && holder != owner)
                return false;
            holder = owner;
            return true;
        }
        if (holder != owner)
            return false;
        holder = nullptr;
        return true;
    }
    HWND GetSendWindow() override { return send; }
    void OnVoiceRecorderClosed() override { ++closedCalls; }
    void* holder = nullptr;
    HWND send = nullptr;
    int closedCalls = 0;
};

class AnsweringPresenter : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT, bool) override
    {
        shown.push_back(text ? text : "");
        return IDOK;
    }
    std::vector<std::string> shown;
};

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

std::string TempFolder()
{
    char buffer[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, buffer);
    return buffer;
}

std::vector<std::string> MmpWaves()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((TempFolder() + "MMP*.wav").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (::FindNextFileA(h, &found));
    ::FindClose(h);
    return names;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A WAV of seconds of an 8-bit 8 kHz mono 440 Hz tone (what a recorder saves).
std::vector<std::uint8_t> ToneWav(double seconds)
{
    std::uint32_t n = static_cast<std::uint32_t>(8000 * seconds);
    std::vector<std::uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                   1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    for (std::uint32_t i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(128 + 90 * std::sin(2 * 3.14159265358979 * 440 * i / 8000.0)));
    std::uint32_t riff = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

class VoiceClipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_skin.Start("voiceclip test"));
        m_mci.Install();
        WNDCLASSA wc{};
        wc.lpfnWndProc = SendWindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "NvClipSendWindow";
        ::RegisterClassA(&wc);
        m_host.send = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        m_previousHost = voiceclip::SetHost(&m_host);
        m_previousPresenter = SetMessageBoxPresenter(&m_boxes);
        g_saved = 0;
        m_recording = TempFolder() + "clip test recording.wav";
        ASSERT_TRUE(nvtest::WriteFileBytes(m_recording, ToneWav(10.0)));
        m_mci.SetRecording(m_recording);
        m_panel = new CVoiceClipDlg(nullptr);
        ASSERT_TRUE(m_panel->Create());
        m_panel->ShowWindow(SW_SHOWNOACTIVATE);
        nvtest::PumpPending();
    }
    void TearDown() override
    {
        if (m_panel && m_panel->GetSafeHwnd())
            m_panel->DestroyWindow();
        delete m_panel;
        SetMessageBoxPresenter(m_previousPresenter);
        voiceclip::SetHost(m_previousHost);
        ::DestroyWindow(m_host.send);
        ::DeleteFileA(m_recording.c_str());
        m_mci.Uninstall();
        m_skin.Stop();
    }
    CVoiceClipDlg& Panel() { return *m_panel; }
    void Click(UINT id)
    {
        HWND button = ::GetDlgItem(Panel().GetSafeHwnd(), static_cast<int>(id));
        Panel().SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    std::string ClipPath() const { return m_panel->GetClipPathText().str(); }
    bool LockFree() const { return m_host.holder == nullptr; }

    mediatest::CMediaSkin m_skin;
    mcitest::CMciDouble m_mci;
    RecordingHost m_host;
    AnsweringPresenter m_boxes;
    IVoiceClipHost* m_previousHost = nullptr;
    IMessageBoxPresenter* m_previousPresenter = nullptr;
    std::string m_recording;
    CVoiceClipDlg* m_panel = nullptr;
};

} // namespace

TEST_F(VoiceClipTest, StartsIdleWithItsOwnClipName)
{
    ASSERT_TRUE(Panel().IsComplete());
    std::string clip = ClipPath();
    EXPECT_EQ(clip.rfind(TempFolder() + "MMP", 0), 0u) << clip;
    EXPECT_EQ(clip.substr(clip.size() - 4), ".zob");
    EXPECT_FALSE(Exists(clip.substr(0, clip.size() - 4) + ".tmp")); // the empty file is gone
    EXPECT_FALSE(Panel().Button(IDC_CLIP_PLAY)->IsDisabled());
    EXPECT_FALSE(Panel().Button(IDC_CLIP_RECORD)->IsDisabled());
    EXPECT_TRUE(Panel().Button(IDC_CLIP_STOP)->IsDisabled());
    EXPECT_TRUE(Panel().Button(IDC_CLIP_BACK)->IsDisabled());
    EXPECT_EQ(::SendMessageA(Panel().GetToolTip(), TTM_GETTOOLCOUNT, 0, 0), 3);
    // The path buffer: its size is respected; no clip yet.
    char buffer[MAX_PATH];
    EXPECT_EQ(Panel().GetClipPath(buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer, clip);
    char small[8];
    EXPECT_EQ(Panel().GetClipPath(small, sizeof small), 0);
    EXPECT_EQ(small[0], '\0');
    RECT r;
    ::GetWindowRect(Panel().Button(IDC_CLIP_INDICATOR)->GetSafeHwnd(), &r);
    EXPECT_EQ(r.right - r.left, 0);
    nvtest::SaveWindowScreenshot(Panel().GetSafeHwnd(), "voiceclip_idle");
}

TEST_F(VoiceClipTest, RecordThenStopEncodesAndTellsTheSendWindowOnce)
{
    ASSERT_EQ(Panel().Record(), 1);
    EXPECT_TRUE(Panel().IsRecording());
    EXPECT_FALSE(LockFree());
    EXPECT_EQ(m_mci.LastRecordLimit(), 10000u);
    EXPECT_EQ(m_mci.LastWaveFormat().nSamplesPerSec, 8000u);
    EXPECT_EQ(m_mci.LastWaveFormat().wBitsPerSample, 8);
    EXPECT_EQ(m_mci.LastWaveFormat().nChannels, 1);
    EXPECT_EQ(m_mci.LastWaveFormat().nAvgBytesPerSec, 8000u);
    EXPECT_TRUE(Panel().Button(IDC_CLIP_RECORD)->IsDisabled());
    EXPECT_EQ(Panel().Record(), 0); // busy: the button is disabled
    // The strip shows one eighth at the first tick.
    HWND bar = Panel().Button(IDC_CLIP_INDICATOR)->GetSafeHwnd();
    int full = Panel().Progress().FullWidth();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Panel().Progress().Width() > 0; }, 3000));
    RECT r;
    ::GetWindowRect(bar, &r);
    EXPECT_EQ(r.right - r.left, full / 8);
    nvtest::SaveWindowScreenshot(Panel().GetSafeHwnd(), "voiceclip_recording");
    ASSERT_EQ(Panel().Stop(), 1);
    EXPECT_TRUE(Panel().IsIdle());
    EXPECT_TRUE(LockFree());
    ASSERT_EQ(m_mci.Saves().size(), 1u);
    const std::string saved = m_mci.Saves()[0];
    EXPECT_EQ(saved.rfind(TempFolder() + "MMP", 0), 0u);
    EXPECT_FALSE(Exists(saved)); // the temporary wave is gone
    char path[MAX_PATH];
    ASSERT_EQ(Panel().GetClipPath(path, sizeof path), 1);
    EXPECT_TRUE(ZobIsZobFile(path));
    auto zob = nvtest::ReadFileBytes(path);
    EXPECT_EQ(zob.size(), 45046u); // 10 s: header, 2500 blocks, terminator
    std::string out = nvtest::Env("NV_CLIP_OUT");
    if (!out.empty())
        nvtest::WriteFileBytes(nvtest::UnixToWindowsPath(out), zob);
    ASSERT_TRUE(nvtest::PumpUntil([] { return g_saved > 0; }, 3000));
    nvtest::PumpPending();
    EXPECT_EQ(g_saved, 1);
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(m_mci.OpenDevices(), 0);
}

TEST_F(VoiceClipTest, TheTenSecondEndSavesLikeStop)
{
    ASSERT_EQ(Panel().Record(), 1);
    ASSERT_TRUE(m_mci.EndRecording());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Panel().IsIdle() && g_saved > 0; }, 3000));
    EXPECT_TRUE(LockFree());
    char path[MAX_PATH];
    EXPECT_EQ(Panel().GetClipPath(path, sizeof path), 1);
    EXPECT_TRUE(ZobIsZobFile(path));
    EXPECT_FALSE(Panel().Button(IDC_CLIP_RECORD)->IsDisabled());
    // The next tick clears the strip.
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Panel().Progress().Width() == 0 && Panel().Progress().Total() == 0; }, 3000));
    nvtest::PumpPending();
    EXPECT_EQ(g_saved, 1);
    // A late notification of the closed device changes nothing.
    Panel().SendMessage(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1);
    nvtest::PumpPending();
    EXPECT_EQ(g_saved, 1);
}

TEST_F(VoiceClipTest, HidingWhileRecordingDropsTheRecording)
{
    ASSERT_EQ(Panel().Record(), 1);
    Panel().ShowWindow(SW_HIDE);
    nvtest::PumpPending();
    EXPECT_TRUE(Panel().IsIdle());
    EXPECT_TRUE(LockFree());
    EXPECT_EQ(m_host.closedCalls, 1);
    EXPECT_TRUE(m_mci.Saves().empty());
    EXPECT_FALSE(Exists(ClipPath()));
    EXPECT_EQ(m_mci.OpenDevices(), 0);
    nvtest::PumpPending();
    EXPECT_EQ(g_saved, 0);
}

TEST_F(VoiceClipTest, WaveClipsPlayDirectly)
{
    std::string wav = TempFolder() + "received clip.wav";
    auto bytes = ToneWav(2.0);
    ASSERT_TRUE(nvtest::WriteFileBytes(wav, bytes));
    auto before = MmpWaves();
    ASSERT_EQ(Panel().LoadClip(wav.c_str()), 1);
    EXPECT_EQ(Panel().GetMode(), CVoiceClipDlg::kPlaying);
    ASSERT_EQ(m_mci.WavePlays().size(), 1u);
    EXPECT_EQ(m_mci.WavePlays()[0].file, ClipPath()); // the copy, played as it is
    EXPECT_EQ(m_mci.WavePlays()[0].bytes, bytes);
    EXPECT_EQ(Panel().Progress().Total(), 2000);
    EXPECT_EQ(MmpWaves(), before);
    ASSERT_TRUE(m_mci.EndWavePlay());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Panel().IsIdle(); }, 3000));
    EXPECT_TRUE(LockFree());
    EXPECT_EQ(MmpWaves(), before);
    EXPECT_EQ(nvtest::ReadFileBytes(wav), bytes); // the received clip is untouched
    // Loading its own clip copies nothing and plays it again.
    char own[MAX_PATH];
    ASSERT_EQ(Panel().GetClipPath(own, sizeof own), 1);
    ASSERT_EQ(Panel().LoadClip(own), 1);
    ASSERT_EQ(m_mci.WavePlays().size(), 2u);
    EXPECT_EQ(m_mci.WavePlays()[1].bytes, bytes);
    // Another spelling of the same file is not truncated either.
    ASSERT_EQ(Panel().Stop(), 1);
    std::string other = ClipPath();
    other.insert(other.rfind('\\'), "\\.");
    ASSERT_EQ(Panel().LoadClip(other.c_str()), 1);
    EXPECT_EQ(m_mci.WavePlays().back().bytes, bytes);
    ::DeleteFileA(wav.c_str());
}

TEST_F(VoiceClipTest, ZobClipsPlayThroughATemporaryWave)
{
    std::string wav = TempFolder() + "zob source.wav";
    std::string zob = TempFolder() + "received clip.zob";
    ASSERT_TRUE(nvtest::WriteFileBytes(wav, ToneWav(3.0)));
    ASSERT_TRUE(EncodeZobFile(wav.c_str(), zob.c_str()));
    auto before = MmpWaves();
    ASSERT_EQ(Panel().LoadClip(zob.c_str()), 1);
    ASSERT_EQ(m_mci.WavePlays().size(), 1u);
    const auto& played = m_mci.WavePlays()[0];
    EXPECT_EQ(played.file, Panel().GetWavePath().str());
    EXPECT_EQ(played.file.rfind(TempFolder() + "MMP", 0), 0u);
    EXPECT_EQ(played.file.substr(played.file.size() - 4), ".wav");
    clip::ClipInfo info;
    EXPECT_EQ(clip::ReadWaveInfo(played.bytes.data(), played.bytes.size(), &info), 1);
    EXPECT_EQ(info.durationMs, 3000);
    EXPECT_TRUE(Exists(played.file)); // there while it plays
    ASSERT_TRUE(m_mci.EndWavePlay());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Panel().IsIdle(); }, 3000));
    EXPECT_FALSE(Exists(played.file)); // deleted after
    EXPECT_EQ(MmpWaves(), before);
    EXPECT_TRUE(m_boxes.shown.empty());
    ::DeleteFileA(wav.c_str());
    ::DeleteFileA(zob.c_str());
}

TEST_F(VoiceClipTest, BadClipsGetTheirMessages)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        UINT message;
    };
    auto notPcm = ToneWav(1.0);
    notPcm[20] = 2;
    auto zeroRate = ToneWav(1.0);
    std::memset(zeroRate.data() + 28, 0, 4);
    const Case cases[] = {
        {"garbage", std::vector<std::uint8_t>(300, 0x5A), IDS_CLIP_CANNOT_DECODE},
        {"not PCM", notPcm, IDS_CLIP_CANNOT_DECODE},
        {"zero byte rate", zeroRate, IDS_CLIP_CANNOT_DECODE},
    };
    std::string path = TempFolder() + "bad clip.wav";
    for (const Case& c : cases) {
        m_boxes.shown.clear();
        ASSERT_TRUE(nvtest::WriteFileBytes(path, c.bytes));
        auto before = MmpWaves();
        EXPECT_EQ(Panel().LoadClip(path.c_str()), 1) << c.name;
        ASSERT_EQ(m_boxes.shown.size(), 1u) << c.name;
        EXPECT_EQ(m_boxes.shown[0], Text(c.message)) << c.name;
        EXPECT_TRUE(Panel().IsIdle()) << c.name;
        EXPECT_TRUE(LockFree()) << c.name;
        EXPECT_EQ(MmpWaves(), before) << c.name;
    }
    EXPECT_TRUE(m_mci.WavePlays().empty());
    // An empty received file is not copied: no clip, nothing played, no message.
    m_boxes.shown.clear();
    ASSERT_TRUE(nvtest::WriteFileBytes(path, {}));
    EXPECT_EQ(Panel().LoadClip(path.c_str()), 0);
    EXPECT_FALSE(Exists(ClipPath()));
    // Play with no clip at all.
    Click(IDC_CLIP_PLAY);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0], Text(IDS_CLIP_NOT_SAVED));
    ::DeleteFileA(path.c_str());
}

TEST_F(VoiceClipTest, PhoneHoldingTheSoundCard)
{
    int phone = 0;
    m_host.holder = &phone;
    EXPECT_EQ(Panel().Record(), 1); // the button was enabled
    EXPECT_TRUE(Panel().IsIdle());
    std::string wav = TempFolder() + "held clip.wav";
    ASSERT_TRUE(nvtest::WriteFileBytes(wav, ToneWav(1.0)));
    Panel().LoadClip(wav.c_str());
    EXPECT_TRUE(Panel().IsIdle());
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(m_mci.Count(MCI_OPEN), 0);
    EXPECT_EQ(m_host.holder, &phone); // still the phone's
    m_host.holder = nullptr;
    ::DeleteFileA(wav.c_str());
}

TEST_F(VoiceClipTest, HoldBlocksPlayAndRecord)
{
    EXPECT_EQ(Panel().Hold(0), 0); // not held
    EXPECT_EQ(Panel().Hold(1), 1);
    EXPECT_FALSE(Panel().IsIdle());
    EXPECT_EQ(Panel().Hold(1), 0);
    Click(IDC_CLIP_RECORD);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0], Text(IDS_CLIP_DEVICE_BUSY));
    EXPECT_TRUE(LockFree());
    EXPECT_EQ(Panel().Hold(0), 1);
    EXPECT_TRUE(Panel().IsIdle());
    ASSERT_EQ(Panel().Record(), 1);
    EXPECT_EQ(Panel().Hold(1), 0); // recording
    Panel().Stop();
}

TEST_F(VoiceClipTest, FailingPlayShowsTheDeviceText)
{
    std::string wav = TempFolder() + "failing clip.wav";
    ASSERT_TRUE(nvtest::WriteFileBytes(wav, ToneWav(1.0)));
    m_mci.FailOn(MCI_PLAY, MCIERR_BASE + 44, "waveaudio");
    EXPECT_EQ(Panel().LoadClip(wav.c_str()), 1);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    char expected[200];
    std::snprintf(expected, sizeof expected, Text(IDS_CLIP_DEVICE_ERROR).c_str(),
                  ("MCI double error " + std::to_string(MCIERR_BASE + 44)).c_str());
    EXPECT_EQ(m_boxes.shown[0], expected);
    EXPECT_TRUE(Panel().IsIdle());
    EXPECT_TRUE(LockFree());
    EXPECT_EQ(m_mci.OpenDevices(), 0);
    // A recorder that does not start.
    m_boxes.shown.clear();
    m_mci.FailOn(MCI_RECORD, MCIERR_BASE + 45);
    EXPECT_EQ(Panel().Record(), 1);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0], Text(IDS_CLIP_CANNOT_RECORD));
    EXPECT_TRUE(Panel().IsIdle());
    EXPECT_TRUE(LockFree());
    EXPECT_EQ(m_mci.OpenDevices(), 0);
    ::DeleteFileA(wav.c_str());
}

TEST_F(VoiceClipTest, FailedEncodingDeletesTheClipAndStillTellsTheSendWindow)
{
    // A first good recording leaves a clip behind.
    ASSERT_EQ(Panel().Record(), 1);
    Panel().Stop();
    ASSERT_TRUE(Exists(ClipPath()));
    ASSERT_TRUE(nvtest::WriteFileBytes(m_recording, std::vector<std::uint8_t>(500, 1)));
    m_boxes.shown.clear();
    ASSERT_EQ(Panel().Record(), 1);
    Panel().Stop();
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0], Text(IDS_CLIP_CANNOT_ENCODE));
    EXPECT_FALSE(Exists(ClipPath()));
    char path[MAX_PATH];
    EXPECT_EQ(Panel().GetClipPath(path, sizeof path), 0);
    ASSERT_TRUE(nvtest::PumpUntil([] { return g_saved >= 2; }, 3000));
    EXPECT_TRUE(LockFree());
    // A save that fails is told, and the encoding of nothing fails as well.
    m_boxes.shown.clear();
    m_mci.FailOn(MCI_SAVE, MCIERR_BASE + 46);
    ASSERT_EQ(Panel().Record(), 1);
    Panel().Stop();
    ASSERT_EQ(m_boxes.shown.size(), 2u);
    EXPECT_EQ(m_boxes.shown[0], Text(IDS_CLIP_SAVE_FAILED));
    EXPECT_EQ(m_boxes.shown[1], Text(IDS_CLIP_CANNOT_ENCODE));
}

TEST_F(VoiceClipTest, ShowBesideAnOwner)
{
    HWND owner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 200, 300, 150, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(Panel().ShowBeside(nullptr), 0);
    Panel().ShowWindow(SW_HIDE);
    ASSERT_EQ(Panel().ShowBeside(owner), 1);
    EXPECT_TRUE(Panel().IsWindowVisible());
    RECT r;
    Panel().GetWindowRect(&r);
    EXPECT_EQ(r.left, 400);
    EXPECT_EQ(r.top, 200);
    ::MoveWindow(owner, 900, 50, 100, 100, FALSE); // no room on the right
    int width = r.right - r.left;
    ASSERT_EQ(Panel().ShowBeside(owner), 1);
    Panel().GetWindowRect(&r);
    EXPECT_EQ(r.left, 900 - width);
    EXPECT_EQ(r.top, 50);
    ::DestroyWindow(owner);
    HWND gone = owner;
    EXPECT_EQ(Panel().ShowBeside(gone), 0);
}

TEST(VoiceClipFiles, TemporaryNamesFailWhenTheFolderIsMissing)
{
    AnsweringPresenter boxes;
    IMessageBoxPresenter* previous = SetMessageBoxPresenter(&boxes);
    char name[MAX_PATH];
    ASSERT_TRUE(MakeTempFileName(name));
    EXPECT_TRUE(Exists(name)); // GetTempFileNameA made the empty file
    ::DeleteFileA(name);
    char saved[MAX_PATH] = {};
    DWORD had = ::GetEnvironmentVariableA("TMP", saved, sizeof saved);
    ::SetEnvironmentVariableA("TMP", "C:\\no such folder for clips\\");
    EXPECT_FALSE(MakeTempFileName(name));
    EXPECT_EQ(name[0], '\0');
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "MCI SAVE FALSE");
    ::SetEnvironmentVariableA("TMP", had ? saved : nullptr);
    SetMessageBoxPresenter(previous);
}
