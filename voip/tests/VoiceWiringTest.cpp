// The voice path inside the library: the PW_ setters that reach it, the call machine's seam that
// starts and stops it (over the test audio device chosen by the ini), the silent-far-side report
// taken by the call thread, and the recording offered on the host's UI thread.
#include "voip/tests/QeloTestEnv.h"

#include "voip/voice/win/CodecBinding.h"
#include "voip/voice/win/TonePlayer.h"
#include "voip/voice/win/VoiceEngine.h"
#include "voip/voice/win/VoiceHost.h"
#include "voip/voice/win/WaveDevice.h"
#include "voip/win/CallMachine.h"
#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/Notifier.h"
#include "voip/win/ResourceText.h"
#include "voip/win/Settings.h"
#include "voip/win/SwitchingBackend.h"
#include "voip/win/VoicePath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace qelotest;

namespace {

std::string g_logPath;

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// An 8 kHz mono 16-bit WAV of a tone.
void WriteToneWav(const std::string& path, double hz, double seconds)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(8000 * seconds));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265358979 * hz * i / 8000));
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    std::uint32_t bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string head = "RIFF" + u32(36 + bytes) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(8000) + u32(16000) +
                       u16(2) + u16(16) + "data" + u32(bytes);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << head;
    file.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

// The save dialog's stand-in: where it ran, what folder it was offered, and its answer.
struct Asked {
    std::atomic<int> count{0};
    std::atomic<DWORD> thread{0};
    std::string offeredDir;
    std::string answerPath;
    std::string answerDir;
    int answer = 0;
};
Asked g_asked;

int AskInTest(std::string& mixdir, std::string& pathOut)
{
    g_asked.thread = GetCurrentThreadId();
    g_asked.offeredDir = mixdir;
    ++g_asked.count;
    if (g_asked.answer != 0)
        return -1;
    pathOut = g_asked.answerPath;
    mixdir = g_asked.answerDir;
    return 0;
}

class VoiceWiringTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_logPath = EnterFreshFolder("voicelog") + "\\qelo.log";
        qelo::SetLogPath(g_logPath.c_str());
        qelo::HostSetsLogLevel(40);
        // The first line truncates a log a former run left in a folder of the same name.
        qelo::LibLog(0, "voice wiring tests");
        InstallRecorder();
        qelo::InstallAdapters();
        qelo::SetRecordAsker(AskInTest);
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite() { WSACleanup(); }

    void SetUp() override
    {
        qelo::CloseRegistryKey();
        DeleteRegistryKey();
        qelo::UsePerUserRoot();
        folder = EnterFreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        qelo::Context().workingFolder.clear();
        Recorder::Get().Clear();
        g_asked.count = 0;
        g_asked.answer = 0;
        qelo::Codec().SetMute(false);
        qelo::Codec().SetRate(63);
    }

    void TearDown() override
    {
        qelo::VoiceShutdown();
        // Back to the real device for the next test.
        WriteIni(folder, {});
        qelo::VoiceStartup();
    }

    // The log written since `mark` (its size before).
    std::string LogSince(std::size_t mark) { return ReadFile(g_logPath).substr(mark); }
    std::size_t LogMark() { return ReadFile(g_logPath).size(); }

    static void WriteFlag(const char* name, int value) { qelo::RegistryWrite(name, &value, sizeof value); }
    static void WriteText(const char* name, const std::string& text)
    {
        qelo::RegistryWrite(name, text.c_str(), text.size() + 1);
    }

    std::string folder;
};

} // namespace

TEST_F(VoiceWiringTest, SettersReachTheVoicePathWithTheirLogLines)
{
    struct Row {
        const char* name;
        void (*call)();
        bool (*reached)();
        const char* logLine; // nullptr: the setter logs nothing
    };
    static const Row rows[] = {
        {"mute on", [] { PW_mute(1); }, [] { return qelo::Codec().Mute(); }, "PW_mute(1)"},
        {"mute off", [] { PW_mute(0); }, [] { return !qelo::Codec().Mute(); }, "PW_mute(0)"},
        {"low rate", [] { PW_set_bitrate(0); }, [] { return qelo::Codec().Rate() == 53; }, "PW_set_bitrate(0)"},
        {"high rate", [] { PW_set_bitrate(7); }, [] { return qelo::Codec().Rate() == 63; }, "PW_set_bitrate(7)"},
        {"tone folder", [] { PW_wave_path("C:\\tones"); }, [] { return qelo::Tones().Folder() == "C:\\tones"; },
         "PW_wave_path(C:\\tones)"},
        {"empty folder keeps the last", [] { PW_wave_path(""); },
         [] { return qelo::Tones().Folder() == "C:\\tones"; }, "PW_wave_path()"},
        {"ring file", [] { PW_wave_arrival("bell.wav"); },
         [] { return qelo::Tones().ArrivalFile() == "bell.wav"; }, "PW_wave_arrival(bell.wav)"},
        {"null ring file keeps the last", [] { PW_wave_arrival(nullptr); },
         [] { return qelo::Tones().ArrivalFile() == "bell.wav"; }, "PW_wave_arrival()"},
        {"wave device", [] { PW_set_wdevice("Nothing"); }, [] { return qelo::Wave().DeviceName() == "Nothing"; },
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t mark = LogMark();
        row.call();
        EXPECT_TRUE(row.reached());
        std::string written = LogSince(mark);
        if (row.logLine)
            EXPECT_NE(std::string::npos, written.find(row.logLine)) << written;
        else
            EXPECT_EQ(std::string::npos, written.find("PW_set_wdevice")) << written;
    }
}

namespace {

// The volume rule: the percent is limited to 0..100 and set as percent x 65535 / 100 on both
// channels; the answer is the left channel read back, x 100 / 65535. Without an open device
// the setting fails: -1, except for 0 %, which answers the (failed) read back, 0.
struct VolumeRule {
    unsigned long value; // both channels
    int percent;         // limited
    int readBack;        // what an open device answers
    int withoutDevice;
};

VolumeRule ExpectedVolume(int asked)
{
    VolumeRule rule;
    rule.percent = asked < 0 ? 0 : asked > 100 ? 100 : asked;
    unsigned long channel = static_cast<unsigned long>(rule.percent) * 65535ul / 100ul;
    rule.value = channel | channel << 16;
    rule.readBack = static_cast<int>(channel * 100ul / 65535ul);
    rule.withoutDevice = rule.percent != 0 ? -1 : 0;
    return rule;
}

std::string VolumeLogLine(const VolumeRule& rule, bool ok)
{
    char line[80];
    std::snprintf(line, sizeof line, "set volume=%08lX=%d%% %s", rule.value, rule.percent, ok ? "ok" : "error!!");
    return line;
}

const int kVolumesAsked[] = {50, 30, 100, 0, 150, -5, 1};

} // namespace

TEST_F(VoiceWiringTest, VolumeWithoutAnOpenDeviceIsRefused)
{
    ASSERT_FALSE(qelo::Wave().OutputOpen());
    for (int asked : kVolumesAsked) {
        SCOPED_TRACE(asked);
        VolumeRule rule = ExpectedVolume(asked);
        std::size_t mark = LogMark();
        EXPECT_EQ(rule.withoutDevice, PW_set_volume(asked));
        std::string written = LogSince(mark);
        EXPECT_NE(std::string::npos, written.find("PW_set_volume()")) << written;
        EXPECT_NE(std::string::npos, written.find(VolumeLogLine(rule, false))) << written;
    }
}

TEST_F(VoiceWiringTest, CallSeamStartsAndStopsTheVoiceOverTheIniTestDevice)
{
    std::uint16_t voicePort = FreeUdpPort();
    std::string speaker = folder + "\\speaker.wav";
    WriteIni(folder, {{"voicespk", speaker}, {"voiceport", std::to_string(voicePort)}});
    qelo::VoiceStartup();
    EXPECT_STREQ("file", qelo::AudioBackendKind());
    EXPECT_EQ(voicePort, qelo::VoicePort());
    WriteFlag("record", 1);
    WriteFlag("recask", 1);
    WriteText("mixdir", folder + "\\");
    g_asked.answerPath = folder + "\\kept.mix";
    g_asked.answerDir = folder + "\\";

    // The far side: a socket of the test that receives the packets.
    SOCKET farSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in farAddress = {};
    farAddress.sin_family = AF_INET;
    farAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(farSocket, reinterpret_cast<sockaddr*>(&farAddress), sizeof farAddress));
    int length = sizeof farAddress;
    getsockname(farSocket, reinterpret_cast<sockaddr*>(&farAddress), &length);
    u_long nonBlocking = 1;
    ioctlsocket(farSocket, FIONBIO, &nonBlocking);

    PW_set_wdevice("Speaker");
    PW_set_bitrate(1);
    std::size_t mark = LogMark();
    ASSERT_EQ(0, qelo::CallAudio().StartVoice(0x7F000001, ntohs(farAddress.sin_port), true, 0));
    EXPECT_TRUE(qelo::CallAudio().VoiceRunning());
    EXPECT_TRUE(qelo::Wave().OutputOpen());
    EXPECT_NE(std::string::npos, LogSince(mark).find("wdev[0]=Test Speaker (Speaker)"));
    for (int asked : kVolumesAsked) {
        SCOPED_TRACE(asked);
        VolumeRule rule = ExpectedVolume(asked);
        std::size_t volumeMark = LogMark();
        EXPECT_EQ(rule.readBack, PW_set_volume(asked)) << "the open device takes the volume";
        EXPECT_NE(std::string::npos, LogSince(volumeMark).find(VolumeLogLine(rule, true)));
    }

    std::uint8_t packet[512];
    sockaddr_in from = {};
    int got = -1;
    ASSERT_TRUE(nvtest::PumpUntil([&] {
        int fromLength = sizeof from;
        got = recvfrom(farSocket, reinterpret_cast<char*>(packet), sizeof packet, 0, reinterpret_cast<sockaddr*>(&from),
                       &fromLength);
        return got >= 12;
    }, 5000)) << "the engine sends RTP from the microphone";
    EXPECT_EQ(voicePort, ntohs(from.sin_port)) << "sent from the ini's voice port";
    EXPECT_EQ(0x80, packet[0]);
    EXPECT_EQ(4, packet[1] & 0x7F);
    EXPECT_EQ(0, packet[12] & 3) << "first frame at 6.3 kbit/s";

    // Every call_reset ends the voice and closes the device; the recording is offered once.
    qelo::CallReset(0, 57, "ready");
    EXPECT_FALSE(qelo::CallAudio().VoiceRunning());
    EXPECT_FALSE(qelo::Wave().OutputOpen());
    std::string recording = qelo::Engine().RecordingName();
    ASSERT_FALSE(recording.empty());
    ASSERT_TRUE(nvtest::PumpUntil([] { return g_asked.count == 1; }, 5000));
    qelo::CallReset(0, 57, "ready");
    nvtest::PumpPending();
    EXPECT_EQ(1, g_asked.count.load()) << "a second reset offers nothing";
    EXPECT_TRUE(FileExists(folder + "\\kept.mix"));
    EXPECT_FALSE(FileExists(recording));

    // The voice port is free again.
    SOCKET again = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in voiceAddress = {};
    voiceAddress.sin_family = AF_INET;
    voiceAddress.sin_port = htons(voicePort);
    EXPECT_EQ(0, bind(again, reinterpret_cast<sockaddr*>(&voiceAddress), sizeof voiceAddress));
    closesocket(again);
    closesocket(farSocket);
    EXPECT_GT(ReadFile(speaker).size(), 44u) << "the test device wrote the speaker file";

    // Without the keys the next start goes back to the real device.
    WriteIni(folder, {});
    qelo::VoiceStartup();
    EXPECT_STREQ("winmm", qelo::AudioBackendKind());
    EXPECT_EQ(8995, qelo::VoicePort());
}

TEST_F(VoiceWiringTest, SilentFarSideIsReportedByTheCallThreadOnce)
{
    std::thread voiceThread([] { qelo::VoiceHostOfLibrary().NoVoice(); });
    voiceThread.join();
    EXPECT_FALSE(Recorder::Get().HasState(-10015)) << "nothing happens on the voice thread";
    qelo::CallTick();
    ASSERT_TRUE(Recorder::Get().HasState(-10015));
    EXPECT_EQ(qelo::ResourceText(47), Recorder::Get().StateText(-10015));
    std::vector<int> states = Recorder::Get().States();
    EXPECT_EQ(0, states.back()) << "the call was reset";
    std::size_t reports = states.size();
    qelo::CallTick();
    EXPECT_EQ(reports, Recorder::Get().States().size());
}

TEST_F(VoiceWiringTest, RecordingIsOfferedOnTheUiThreadThenMovedAndItsFolderKept)
{
    // "mixdir" is a 256-byte field of code page 932 text: a longer folder keeps 255 bytes at
    // most, and is cut before a double-byte character (lead 0x95, trail 0x5C) that would
    // straddle the cut, never between its two bytes.
    const std::string field255 = "C:\\" + std::string(252, 'a');
    const std::string straddling = "C:\\" + std::string(251, 'd') + "\x95\x5C";
    const std::string before = "C:\\before\\";
    struct Row {
        const char* name;
        int answer;
        bool moved;
        std::string stored;  // "mixdir" before the offer (written without its terminator)
        std::string offered; // what the dialog is offered
        std::string chosen;  // the folder of the chosen file
        std::string kept;    // "mixdir" afterwards
    };
    const Row rows[] = {
        {"the user picks a file", 0, true, before, before, folder + "\\sub\\", folder + "\\sub\\"},
        {"the user cancels", -1, false, before, before, folder + "\\sub\\", before},
        {"a chosen folder cut inside a double-byte character", 0, true, before, before, straddling + "\\x\\",
         straddling.substr(0, 254)},
        {"a chosen folder cut between two characters", 0, true, before, before, field255 + "bc\\", field255},
        {"a stored folder that fills the field", -1, false, straddling, straddling.substr(0, 254), folder,
         straddling},
    };
    ASSERT_EQ(256u, straddling.size());
    ASSERT_EQ(255u, field255.size());
    qelo::VoiceStartup(); // this thread is the UI thread
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        g_asked.count = 0;
        g_asked.answer = row.answer;
        std::string recording = folder + "\\call.mix";
        std::string chosen = folder + "\\sub\\chosen.mix";
        CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
        DeleteFileA(chosen.c_str());
        std::ofstream(recording, std::ios::binary) << "NVMIX";
        qelo::RegistryWrite("mixdir", row.stored.data(), row.stored.size());
        g_asked.answerPath = chosen;
        g_asked.answerDir = row.chosen;

        std::thread libraryThread([&] { qelo::VoiceHostOfLibrary().RecordingFinished(recording); });
        libraryThread.join();
        EXPECT_EQ(0, g_asked.count.load()) << "never asked on the library's thread";
        ASSERT_TRUE(nvtest::PumpUntil([] { return g_asked.count == 1; }, 5000));
        EXPECT_EQ(GetCurrentThreadId(), g_asked.thread.load());
        EXPECT_EQ(row.offered, g_asked.offeredDir);
        EXPECT_EQ(row.moved, FileExists(chosen));
        EXPECT_EQ(!row.moved, FileExists(recording));
        EXPECT_EQ(row.kept, qelo::RegistryText("mixdir", 256));
        if (row.moved) {
            EXPECT_EQ("NVMIX", ReadFile(chosen));
        }
        DeleteFileA(recording.c_str());
    }
}

namespace {

const char kHandoffClass[] = "QeloVoiceHandoff";

bool HandoffClassRegistered()
{
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), kHandoffClass, &info) != FALSE;
}

HWND FindHandoffWindow() { return FindWindowExA(HWND_MESSAGE, nullptr, kHandoffClass, nullptr); }

} // namespace

// The hand-off window's procedure is the library's code: shutting the voice path down ends the
// window and unregisters its class, a recording still waiting in it is offered first, and the
// next start makes both again.
TEST_F(VoiceWiringTest, HandoffWindowAndItsClassEndAtShutdownAndReturnAtStartup)
{
    for (int cycle = 0; cycle < 2; ++cycle) {
        SCOPED_TRACE(cycle);
        qelo::VoiceStartup();
        ASSERT_TRUE(qelo::HandoffWindowOpen());
        HWND window = FindHandoffWindow();
        ASSERT_NE(nullptr, window);
        EXPECT_TRUE(HandoffClassRegistered());

        g_asked.count = 0;
        g_asked.answer = -1;
        qelo::VoiceHostOfLibrary().RecordingFinished(folder + "\\waiting.mix");
        EXPECT_EQ(0, g_asked.count.load()) << "nothing pumped yet";
        qelo::VoiceShutdown();
        EXPECT_EQ(1, g_asked.count.load()) << "the waiting recording was offered before the window ended";
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(qelo::HandoffWindowOpen());
        EXPECT_FALSE(HandoffClassRegistered());

        std::size_t mark = LogMark();
        qelo::VoiceHostOfLibrary().RecordingFinished(folder + "\\late.mix");
        EXPECT_NE(std::string::npos, LogSince(mark).find("late.mix (no UI thread)"));
        qelo::VoiceShutdown();
        EXPECT_FALSE(HandoffClassRegistered()) << "a second shutdown is harmless";
    }
    qelo::VoiceStartup();
    g_asked.count = 0;
    g_asked.answer = -1;
    qelo::VoiceHostOfLibrary().RecordingFinished(folder + "\\after.mix");
    EXPECT_TRUE(nvtest::PumpUntil([] { return g_asked.count == 1; }, 5000)) << "hand-off works after the cycles";
}

// Made by another thread than the one that shuts down: the window is ended on its own thread.
TEST_F(VoiceWiringTest, HandoffWindowOfAnotherThreadEndsOnItsOwnThread)
{
    qelo::VoiceShutdown();
    std::atomic<DWORD> uiThread{0};
    std::atomic<HWND> made{nullptr};
    std::thread ui([&] {
        qelo::VoiceStartup();
        made = FindHandoffWindow();
        uiThread = GetCurrentThreadId();
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
    });
    ASSERT_TRUE(nvtest::PumpUntil([&] { return uiThread.load() != 0; }, 5000));
    HWND window = made.load();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(uiThread.load(), GetWindowThreadProcessId(window, nullptr));
    qelo::VoiceShutdown();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(HandoffClassRegistered());
    PostThreadMessageA(uiThread.load(), WM_QUIT, 0, 0);
    ui.join();
}

TEST_F(VoiceWiringTest, CallSeamPlaysTheRingFromTheHostsFolderAndEveryResetStopsIt)
{
    std::string speaker = folder + "\\speaker.wav";
    WriteIni(folder, {{"voicespk", speaker}});
    qelo::VoiceStartup();
    // The tone folder is a field of 80 bytes: a short one of its own.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string tones = std::string(temp) + "qtone" + std::to_string(GetCurrentProcessId());
    ASSERT_LT(tones.size(), 80u);
    CreateDirectoryA(tones.c_str(), nullptr);
    WriteToneWav(tones + "\\bell.wav", 400, 0.5);
    PW_wave_path(tones.c_str());
    PW_wave_arrival("bell.wav");
    std::size_t mark = LogMark();
    qelo::CallAudio().PlayTone("ringi.wav");
    ASSERT_TRUE(nvtest::PumpUntil([] { return qelo::Wave().OutputOpen(); }, 5000)) << "the ring opened the device";
    EXPECT_NE(std::string::npos, LogSince(mark).find("PlaySound2(" + tones + "/bell.wav)"));
    // It loops: still open after more than the file's length.
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadFile(speaker).size() > 44 + 8000 * 2 * 3 / 4; }, 5000));
    EXPECT_TRUE(qelo::Wave().OutputOpen());
    qelo::CallReset(0, 57, "ready");
    EXPECT_FALSE(qelo::Wave().OutputOpen()) << "the reset stopped the ring and closed the device";
    EXPECT_TRUE(qelo::Tones().WaitIdle(0));
}

namespace {

// A device that does nothing; DeviceCount tells devices apart.
class StandInDevice : public voice::AudioBackend {
public:
    explicit StandInDevice(UINT devices = 0, bool open = false) : m_devices(devices), m_open(open) {}
    UINT NumDevs(bool) override { return m_devices; }
    std::string DevName(bool, UINT) override { return {}; }
    std::string ErrorText(bool, MMRESULT) override { return {}; }
    MMRESULT OutOpen(UINT, const WAVEFORMATEX&, DWORD) override { return MMSYSERR_NOERROR; }
    MMRESULT OutPrepare(WAVEHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT OutUnprepare(WAVEHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT OutWrite(WAVEHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT OutReset() override { return MMSYSERR_NOERROR; }
    MMRESULT OutClose() override { return MMSYSERR_NOERROR; }
    MMRESULT OutGetPosition(MMTIME*) override { return MMSYSERR_NOERROR; }
    MMRESULT OutSetVolume(DWORD) override { return MMSYSERR_NOERROR; }
    MMRESULT OutGetVolume(DWORD*) override { return MMSYSERR_NOERROR; }
    bool OutIsOpen() override { return m_open; }
    MMRESULT InOpen(UINT, const WAVEFORMATEX&, DWORD) override { return MMSYSERR_NOERROR; }
    MMRESULT InPrepare(WAVEHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT InUnprepare(WAVEHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT InAddBuffer(WAVEHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT InStart() override { return MMSYSERR_NOERROR; }
    MMRESULT InStop() override { return MMSYSERR_NOERROR; }
    MMRESULT InReset() override { return MMSYSERR_NOERROR; }
    MMRESULT InClose() override { return MMSYSERR_NOERROR; }
    bool InIsOpen() override { return false; }

private:
    UINT m_devices;
    bool m_open;
};

// What the test sees of a call held inside a device.
struct HeldCall {
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> inside{0};
    std::atomic<bool> destroyedWhileInside{false};
    ~HeldCall()
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
};

// Its device count is asked on one thread and answered only when the test releases it.
class HoldingDevice : public StandInDevice {
public:
    explicit HoldingDevice(HeldCall& call) : StandInDevice(7), m_call(call) {}
    ~HoldingDevice() override
    {
        if (m_call.inside.load() != 0)
            m_call.destroyedWhileInside = true;
    }
    UINT NumDevs(bool input) override
    {
        ++m_call.inside;
        SetEvent(m_call.entered);
        WaitForSingleObject(m_call.release, 10000);
        --m_call.inside;
        return StandInDevice::NumDevs(input);
    }

private:
    HeldCall& m_call;
};

} // namespace

// The wave, tone and voice threads call through the backend while PW_start may be choosing the
// device: the swap waits for a call inside the old device and destroys it only afterwards.
TEST(SwitchingBackend, ASwapWaitsForTheCallInsideTheDeviceItReplaces)
{
    HeldCall held;
    qelo::SwitchingBackend backend(std::make_unique<HoldingDevice>(held), "first");
    std::thread caller([&] { EXPECT_EQ(7u, backend.NumDevs(false)); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.entered, 5000));
    std::atomic<bool> swapped{false};
    std::thread chooser([&] {
        EXPECT_TRUE(backend.Choose(std::make_unique<StandInDevice>(2), "second"));
        swapped = true;
    });
    // A swap that did not wait would be done at once; it is given 300 ms to show that.
    EXPECT_FALSE(nvtest::PumpUntil([&] { return swapped.load(); }, 300)) << "swapped under a running call";
    SetEvent(held.release);
    caller.join();
    chooser.join();
    EXPECT_TRUE(swapped.load());
    EXPECT_FALSE(held.destroyedWhileInside.load());
    EXPECT_STREQ("second", backend.Kind());
    EXPECT_EQ(2u, backend.NumDevs(false)) << "calls reach the new device";
}

TEST(SwitchingBackend, AnOpenDeviceStaysInPlace)
{
    qelo::SwitchingBackend backend(std::make_unique<StandInDevice>(3, true), "open");
    EXPECT_FALSE(backend.Choose(std::make_unique<StandInDevice>(4), "other"));
    EXPECT_STREQ("open", backend.Kind());
    EXPECT_EQ(3u, backend.NumDevs(true));
}
