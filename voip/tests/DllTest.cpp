// qelo.dll through its exports only, as the main program uses it, against the directory-server
// peer on loopback with real time.
#include "voip/tests/QeloTestEnv.h"

#include <gtest/gtest.h>

using namespace qelotest;

namespace {

class DllTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        DeleteRegistryKey();
        InstallRecorder();
    }

    void SetUp() override
    {
        folder = EnterFreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        signalPort = FreeUdpPort();
        ports = PeerPorts();
        Recorder::Get().Clear();
    }

    void TearDown() override { PW_stop(); }

    void WriteLoopbackIni(int first, int second)
    {
        WriteIni(folder, {{"localip", "127.0.0.1:" + std::to_string(signalPort)},
                          {"dserver", "127.0.0.1:" + std::to_string(first)},
                          {"dserver2", "127.0.0.1:" + std::to_string(second)},
                          {"dserver3", "127.0.0.1:" + std::to_string(second)}});
    }

    std::string folder;
    std::uint16_t signalPort = 0;
    std::vector<int> ports;
};

} // namespace

TEST_F(DllTest, VersionTextAndNoIdBeforeRegistration)
{
    char version[16] = "";
    PW_get_version(version);
    EXPECT_STREQ("1.18R6B2", version);
    char id[21] = "junk";
    EXPECT_EQ(-1, PW_get_nimbocall_id(id));
    EXPECT_STREQ("", id);
    EXPECT_NE(nullptr, hDllVoip);
    EXPECT_EQ(hDllVoip, GetModuleHandleA("qelo.dll"));
}

TEST_F(DllTest, SignsInAndOutOnLoopbackThroughTheExports)
{
    ASSERT_EQ(2u, ports.size()) << "the directory-server peer is not running";
    WriteLoopbackIni(ports[1], ports[1]);
    ASSERT_EQ(0, PW_set_option(PWO_USELAN, 1));
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Dll", "ignored.example"));
    ASSERT_EQ(0, PW_register());
    ASSERT_TRUE(Recorder::Get().WaitState(-10007));
    char id[21] = "";
    ASSERT_EQ(0, PW_get_nimbocall_id(id));
    EXPECT_EQ(Recorder::Get().StateText(-10007), id);
    ASSERT_EQ(0, PW_logout());
    ASSERT_TRUE(Recorder::Get().WaitState(-10014));
    ASSERT_EQ(0, PW_login());
    ASSERT_TRUE(Recorder::Get().WaitState(-10005));
    EXPECT_EQ(id, Recorder::Get().StateText(-10005));
    ASSERT_EQ(0, PW_logout());
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        return PeerLogCount({Quoted("type", "TLOGOFF"), Quoted("unit", id),
                             Quoted("source", "127.0.0.1:" + std::to_string(signalPort))}) >= 2;
    }, 10000));
}

TEST_F(DllTest, SilentFirstServerGivesWayToTheSecondAfterThirtySeconds)
{
    ASSERT_EQ(2u, ports.size());
    WriteLoopbackIni(ports[0], ports[1]);
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Switch", nullptr));
    DWORD started = GetTickCount();
    ASSERT_EQ(0, PW_register());
    ASSERT_TRUE(Recorder::Get().WaitState(-10007, 45000));
    DWORD elapsed = GetTickCount() - started;
    EXPECT_GE(elapsed, 29000u) << "the first server is given its thirty seconds";
    EXPECT_EQ(4, PeerLogCount({Quoted("type", "TFIRST_TIMEREG"), Numbered("server", 0),
                               Quoted("source", "127.0.0.1:" + std::to_string(signalPort))}));
    PW_logout();
}

TEST_F(DllTest, VoiceSettersReachTheVoicePathBeforeACall)
{
    PW_wave_path("C:\\tones");
    PW_wave_arrival("bell.wav");
    PW_set_wdevice("Speaker");
    PW_set_bitrate(0);
    PW_mute(1);
    EXPECT_EQ(-1, PW_set_volume(30)) << "no output device is open";
    EXPECT_EQ(0, PW_set_volume(0));
    PW_mute(0);
    PW_set_bitrate(1);
}

// The recording hand-off window lives from PW_start to PW_stop and its class, registered under
// the library's module, goes with it (its procedure is the library's code); the library starts
// and signs in again after a stop.
TEST_F(DllTest, HandoffWindowClassLivesFromStartToStopAndTheLibraryStartsAgain)
{
    ASSERT_EQ(2u, ports.size()) << "the directory-server peer is not running";
    WriteLoopbackIni(ports[1], ports[1]);
    auto registered = [] {
        WNDCLASSEXA info = {};
        info.cbSize = sizeof info;
        return GetClassInfoExA(hDllVoip, "QeloVoiceHandoff", &info) != FALSE;
    };
    // This process's hand-off window: another program of the prefix (a phone of a running main
    // program) has one of its own.
    auto handoff = [] {
        HWND w = nullptr;
        while ((w = FindWindowExA(HWND_MESSAGE, w, "QeloVoiceHandoff", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId())
                return w;
        }
        return static_cast<HWND>(nullptr);
    };
    PW_stop();
    EXPECT_FALSE(registered());
    for (int cycle = 0; cycle < 2; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Cycle", nullptr));
        EXPECT_TRUE(registered());
        HWND window = handoff();
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr));
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(hDllVoip), GetWindowLongPtrA(window, GWLP_HINSTANCE));
        PW_stop();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(registered());
        EXPECT_EQ(nullptr, handoff());
    }
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Cycle", nullptr));
    EXPECT_TRUE(registered());
    Recorder::Get().Clear();
    ASSERT_EQ(0, PW_register());
    EXPECT_TRUE(Recorder::Get().WaitState(-10007)) << "signs in after two stops";
}
