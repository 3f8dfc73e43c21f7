// The library under Wine with its internals in reach: a clock the test moves, the dial-up
// service and the interface list replaced, message boxes answered by the test.
#include "voip/tests/QeloTestEnv.h"

#include "voip/core/SignalMessages.h"
#include "voip/win/CallMachine.h"
#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/NetWatch.h"
#include "voip/win/Notifier.h"
#include "voip/win/ResourceText.h"
#include "voip/win/Settings.h"
#include "voip/win/Signalling.h"
#include "voip/win/UiPolicy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace qelotest;

namespace {

std::atomic<std::uint32_t> g_now{5000000};
std::uint32_t FakeTicks() { return g_now.load(); }

std::string g_logPath;

struct Box {
    qelo::BoxKind kind;
    std::string caption, text;
};
std::mutex g_boxLock;
std::vector<Box> g_boxes;
bool g_boxAnswer = true;

bool AnswerBox(qelo::BoxKind kind, const std::string& caption, const std::string& text)
{
    std::lock_guard<std::mutex> guard(g_boxLock);
    g_boxes.push_back({kind, caption, text});
    return g_boxAnswer;
}

std::string g_console;
std::mutex g_consoleLock;
void Capture(const char* text)
{
    std::lock_guard<std::mutex> guard(g_consoleLock);
    g_console += text;
}

class LibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qelo::SetTickSource(FakeTicks);
        qelo::SetBoxAnswerer(AnswerBox);
        qelo::SetConsoleSink(Capture);
        g_logPath = EnterFreshFolder("lib") + "\\qelo.log";
        qelo::SetLogPath(g_logPath.c_str());
        InstallRecorder();
    }

    void SetUp() override
    {
        qelo::CloseRegistryKey();
        DeleteRegistryKey();
        folder = EnterFreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        signalPort = FreeUdpPort();
        ports = PeerPorts();
        Recorder::Get().Clear();
        // Until the next start the ini file is the current folder's.
        qelo::Context().workingFolder.clear();
    }

    void TearDown() override
    {
        PW_stop();
        qelo::SetRasApi(nullptr);
        qelo::SetInterfaceSource(nullptr);
    }

    // An ini that binds the library to loopback and names the peer's servers.
    void WriteLoopbackIni(int first, int second, std::map<std::string, std::string> extra = {})
    {
        extra["localip"] = "127.0.0.1:" + std::to_string(signalPort);
        extra["dserver"] = "127.0.0.1:" + std::to_string(first);
        extra["dserver2"] = "127.0.0.1:" + std::to_string(second);
        extra["dserver3"] = "127.0.0.1:" + std::to_string(second);
        WriteIni(folder, extra);
    }

    std::string Source() const { return Quoted("source", "127.0.0.1:" + std::to_string(signalPort)); }

    bool WaitPeer(const std::vector<std::string>& pieces, int count)
    {
        std::vector<std::string> all = pieces;
        all.push_back(Source());
        return nvtest::PumpUntil([&] { return PeerLogCount(all) >= count; }, 10000);
    }

    std::string folder;
    std::uint16_t signalPort = 0;
    std::vector<int> ports;
};

} // namespace

TEST_F(LibraryTest, RegistersFirstTimeSignsInKeepsAliveAndSignsOut)
{
    ASSERT_EQ(2u, ports.size()) << "the directory-server peer is not running";
    WriteLoopbackIni(ports[1], ports[1]);
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Taro", nullptr));

    ASSERT_EQ(0, PW_register());
    ASSERT_TRUE(Recorder::Get().WaitState(-10007));
    std::string unitId = Recorder::Get().StateText(-10007);
    EXPECT_FALSE(unitId.empty());
    EXPECT_TRUE(WaitPeer({Quoted("type", "TFIRST_TIMEREG"), Quoted("country", "81"), Quoted("nickname", "Taro"),
                          Numbered("port", signalPort)}, 1));
    char id[21] = "x";
    EXPECT_EQ(0, PW_get_nimbocall_id(id));
    EXPECT_EQ(unitId, id);
    EXPECT_EQ(unitId, qelo::RegistryText("unitid", 20)) << "the assigned id is kept for the next start";

    ASSERT_EQ(0, PW_login());
    ASSERT_TRUE(Recorder::Get().WaitState(-10005));
    EXPECT_TRUE(WaitPeer({Quoted("type", "TREGISTRATION"), Quoted("unit", unitId)}, 1));

    // Nine minutes later the directory server hears that the client is alive.
    g_now += 540000;
    EXPECT_TRUE(WaitPeer({Quoted("type", "TALIVE"), Quoted("unit", unitId), Quoted("ip", "127.0.0.1")}, 1));

    ASSERT_EQ(0, PW_logout());
    ASSERT_TRUE(Recorder::Get().WaitState(-10014));
    EXPECT_TRUE(WaitPeer({Quoted("type", "TLOGOFF"), Quoted("unit", unitId)}, 1));
    std::vector<int> expected = {-10012, -10007, -10011, -10005, -10013, -10014};
    std::vector<int> states;
    for (int code : Recorder::Get().States())
        if (code != 0)
            states.push_back(code);
    EXPECT_EQ(expected, states);

    // The texts of the statuses are the library's own; some states carry no text at all.
    bool registrationText = false;
    for (const Event& e : Recorder::Get().Events()) {
        registrationText = registrationText || (e.what == 's' && e.code == 54 && e.text == "First-time registration sent");
        if (e.what == 't' && (e.code == -10012 || e.code == 0)) {
            EXPECT_FALSE(e.hasText) << e.code;
        }
        if (e.what == 't' && e.code == -10013) {
            EXPECT_EQ(unitId, e.text);
        }
    }
    EXPECT_TRUE(registrationText);
}

TEST_F(LibraryTest, SilentFirstServerResendsThenSwitchesToTheNext)
{
    ASSERT_EQ(2u, ports.size());
    WriteLoopbackIni(ports[0], ports[1]);
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Hanako", nullptr));
    std::uint32_t start = g_now;
    ASSERT_EQ(0, PW_register());
    std::vector<std::string> toSilent = {Quoted("type", "TFIRST_TIMEREG"), Numbered("server", 0)};
    ASSERT_TRUE(WaitPeer(toSilent, 1));
    const struct { std::uint32_t at; int seen; } resends[] = {{3000, 2}, {9000, 3}, {18000, 4}};
    for (const auto& step : resends) {
        SCOPED_TRACE(step.at);
        g_now = start + step.at;
        EXPECT_TRUE(WaitPeer(toSilent, step.seen));
    }
    std::vector<int> announced = Recorder::Get().States();
    EXPECT_EQ(2, std::count(announced.begin(), announced.end(), -10001)) << "the second and third resends are announced";
    g_now = start + 30000;
    ASSERT_TRUE(Recorder::Get().WaitState(-10007)) << "the second server answers the same registration";
    EXPECT_TRUE(WaitPeer({Quoted("type", "TFIRST_TIMEREG"), Numbered("server", 1)}, 1));
    std::vector<int> states = Recorder::Get().States();
    auto signedOut = std::find(states.begin(), states.end(), -10014);
    auto accepted = std::find(states.begin(), states.end(), -10007);
    EXPECT_TRUE(signedOut < accepted) << "the time-out at the first server reports signed out first";
    PW_logout();
}

TEST_F(LibraryTest, EmptyAreaStartsButLoginRefuses)
{
    WriteLoopbackIni(ports.empty() ? 1 : ports[1], ports.empty() ? 1 : ports[1]);
    EXPECT_EQ(-1, PW_start(nullptr, "81", "", "Taro", nullptr));
    EXPECT_TRUE(qelo::CallThreadRunning());
    EXPECT_EQ(-2, PW_login());
    int awaited = -1;
    qelo::WithClient([&](qelo::SignalClient& client) { awaited = client.AwaitedType(); });
    EXPECT_EQ(0, awaited) << "nothing was sent";
}

TEST_F(LibraryTest, HostLogLevelSurvivesStartUnlessTheIniSetsOne)
{
    WriteLoopbackIni(1, 1);
    PW_set_loglevel(10);
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Taro", nullptr));
    EXPECT_EQ(10, qelo::LogLevel());
    PW_stop();
    WriteLoopbackIni(1, 1, {{"loglevel", "5"}});
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Taro", nullptr));
    EXPECT_EQ(50, qelo::LogLevel());
    PW_set_loglevel(20);
    EXPECT_EQ(50, qelo::LogLevel()) << "the ini key wins";
}

TEST_F(LibraryTest, ConsoleFallbacksWithoutCallbacks)
{
    qelo::InstallAdapters();
    QL_status_fn savedStatus = QL_status;
    QL_offhook_fn savedOffhook = QL_offhook;
    QL_status = nullptr;
    QL_offhook = nullptr;
    g_console.clear();
    qelo::ReportStatus(7, 0, "odd %s", "kind");
    qelo::ReportStatus(2, 0, "waiting");
    qelo::NotifyOffhook(1);
    qelo::NotifyVoiceStat(97, 100);
    QL_status = savedStatus;
    QL_offhook = savedOffhook;
    EXPECT_EQ("Error> odd kind\nWait> waiting\nNotify> Off Hook\nNotify> Rx error rate=3%\n", g_console);
}

TEST_F(LibraryTest, OptionsAreFourByteBinaryValuesUnderTheUserKey)
{
    EXPECT_EQ(0, PW_set_option(PWO_SILENCE, 1));
    EXPECT_EQ(0, PW_set_option(5, 1));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Pelorwave\\NimboCall", 0, KEY_READ, &key));
    DWORD type = 0, value = 0, size = sizeof value, count = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "silence", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(4u, size);
    EXPECT_EQ(1u, value);
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    EXPECT_EQ(1u, count) << "option 5 writes nothing";
    RegCloseKey(key);
}

namespace {

class FakeRas : public qelo::IRasApi {
public:
    bool available = true;
    DWORD state = qelo::kRasConnected;
    bool hungUp = false;
    bool connection = true;
    std::string address = "10.1.2.3";
    bool Available() override { return available; }
    DWORD Enumerate(std::vector<qelo::RasConnection>& connections) override
    {
        connections.clear();
        if (connection)
            connections.push_back({reinterpret_cast<HANDLE>(0x1234), "Provider"});
        return 0;
    }
    DWORD GetState(HANDLE, DWORD& s, DWORD& error) override
    {
        if (hungUp)
            return ERROR_INVALID_HANDLE;
        s = state;
        error = 0;
        return 0;
    }
    DWORD GetAddress(HANDLE, std::string& dotted) override
    {
        dotted = address;
        return 0;
    }
    std::string ErrorText(DWORD code) override { return "ras error " + std::to_string(code); }
    DWORD HangUp(HANDLE) override
    {
        hungUp = true;
        return 0;
    }
};

bool NoInterfaces(std::vector<qelo::NetInterface>&) { return true; }

} // namespace

TEST_F(LibraryTest, DialUpConnectionGivesTheAddressAndCanBeHungUp)
{
    WriteIni(folder, {});
    FakeRas ras;
    qelo::SetRasApi(&ras);
    qelo::SetInterfaceSource(NoInterfaces);
    std::int32_t zero = 0, one = 1;
    qelo::RegistryWrite("lan", &zero, 4);
    ASSERT_EQ(0, qelo::NetStart());
    EXPECT_EQ(0x0A010203u, qelo::Context().localAddress);
    EXPECT_TRUE(qelo::DialupConnected());
    ras.state = qelo::kRasDisconnected;
    EXPECT_FALSE(qelo::DialupConnected());

    const struct { bool answer; bool hungUp; } rows[] = {{false, false}, {true, true}};
    qelo::RegistryWrite("ncut", &one, 4);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        ras.state = qelo::kRasConnected;
        ras.hungUp = false;
        ASSERT_EQ(0, qelo::NetStart());
        g_boxes.clear();
        g_boxAnswer = row.answer;
        qelo::DialupHangup();
        ASSERT_EQ(1u, g_boxes.size());
        EXPECT_EQ(qelo::BoxKind::Confirm, g_boxes[0].kind);
        EXPECT_EQ("NimboCall", g_boxes[0].caption);
        EXPECT_EQ(row.hungUp, ras.hungUp);
        EXPECT_EQ(row.hungUp ? 0u : 0x0A010203u, qelo::Context().localAddress);
    }
    g_boxAnswer = true;
}

TEST_F(LibraryTest, LostDialUpEndsTheCallThreadWithAReport)
{
    ASSERT_EQ(2u, ports.size());
    WriteIni(folder, {{"dserver", "127.0.0.1:" + std::to_string(ports[1])}});
    FakeRas ras;
    ras.address = "127.0.0.1"; // the simulated line's address must be one this machine can bind
    qelo::SetRasApi(&ras);
    qelo::SetInterfaceSource(NoInterfaces);
    std::int32_t zero = 0;
    qelo::RegistryWrite("lan", &zero, 4);
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Taro", nullptr));
    ASSERT_TRUE(qelo::CallThreadRunning());
    ras.state = qelo::kRasDisconnected;
    ASSERT_TRUE(Recorder::Get().WaitState(-10015));
    EXPECT_EQ("The network connection was lost", Recorder::Get().StateText(-10015));
    EXPECT_TRUE(nvtest::PumpUntil([] { return !qelo::CallThreadRunning(); }, 5000));
}

TEST_F(LibraryTest, NoNetworkFailsTheStartInsteadOfEndingTheProcess)
{
    WriteIni(folder, {});
    FakeRas ras;
    ras.available = false; // as if rasapi32.dll were missing
    qelo::SetRasApi(&ras);
    qelo::SetInterfaceSource(NoInterfaces);
    EXPECT_EQ(-3, PW_start(nullptr, "81", "3", "Taro", nullptr));
    bool reported = false;
    for (const Event& e : Recorder::Get().Events())
        reported = reported || (e.what == 's' && e.kind == QL_ERROR && e.text.find("net_start") != std::string::npos);
    EXPECT_TRUE(reported) << "the failure reaches the host as an error status";
}

TEST_F(LibraryTest, ResourceTextsStayWhileOtherThreadsLoad)
{
    const char* ready = qelo::LoadResourceText(57);
    std::thread other([] {
        for (int i = 0; i < 40; ++i)
            qelo::LoadResourceText(40 + i % 20);
    });
    other.join();
    EXPECT_STREQ("Ready", ready);
    EXPECT_STREQ("Signed out", qelo::LoadResourceText(-67)) << "the number's absolute value counts";
    EXPECT_STREQ("", qelo::LoadResourceText(59)) << "a missing string is empty";
}

TEST_F(LibraryTest, BoxesGoThroughTheSeam)
{
    g_boxes.clear();
    EXPECT_EQ(-1, qelo::StopBox("socket trouble"));
    g_boxAnswer = false;
    EXPECT_EQ(0, qelo::ConfirmBox("hang up?"));
    g_boxAnswer = true;
    EXPECT_EQ(1, qelo::ConfirmBox("hang up?"));
    ASSERT_EQ(3u, g_boxes.size());
    EXPECT_EQ("Stop", g_boxes[0].caption);
    EXPECT_EQ("socket trouble", g_boxes[0].text);
}

TEST_F(LibraryTest, GatewayPasswordNeverReachesTheLog)
{
    ASSERT_EQ(2u, ports.size());
    WriteLoopbackIni(ports[1], ports[1], {{"loglevel", "6"}});
    ASSERT_EQ(0, PW_start(nullptr, "81", "3", "Taro", nullptr));
    PW_call_phone("03-1234-5678", "gwuser", "Pa55word");
    PW_stop();
    std::ifstream log(g_logPath);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(std::string::npos, text.str().find("PW_call_phone(03-1234-5678)"));
    EXPECT_EQ(std::string::npos, text.str().find("Pa55word"));
}

TEST_F(LibraryTest, TwentyCharacterUnitIdKeepsAllItsCharactersAndATerminator)
{
    const std::string id = "12345678901234567890";
    // Stored as the library stores it, and also without its terminator, as a 20-byte value.
    qelo::RegistryWrite("unitid", id.c_str(), id.size());
    EXPECT_EQ(id, qelo::RegistryText("unitid", 20));
    qelo::WithClient([&](qelo::SignalClient& client) { client.Self().unitId = id; });
    char out[22];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(0, PW_get_nimbocall_id(out));
    EXPECT_EQ(id, std::string(out));
    EXPECT_EQ('x', out[21]) << "no byte beyond the 21 promised";
    qelo::WithClient([](qelo::SignalClient& client) { client.Self().unitId.clear(); });
}

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST_F(LibraryTest, LogFileKeepsItsFirstKilobyteWhenItWraps)
{
    qelo::LibLog(0, "%s", std::string(1100, 'a').c_str()); // the file holds a kilobyte or more
    std::string head = FileText(g_logPath).substr(0, 1024);
    ASSERT_EQ(1024u, head.size());
    std::size_t previous = 0;
    bool wrapped = false;
    for (int i = 0; i < 40000 && !wrapped; ++i) {
        qelo::LibLog(0, "line %05d %s", i, std::string(80, 'z').c_str());
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA(g_logPath.c_str(), GetFileExInfoStandard, &data));
        wrapped = data.nFileSizeLow < previous;
        previous = data.nFileSizeLow;
    }
    ASSERT_TRUE(wrapped) << "the file never came back to its first kilobyte";
    std::string after = FileText(g_logPath);
    EXPECT_EQ(head, after.substr(0, 1024));
    EXPECT_LT(after.size(), 1024u + 200u) << "writing goes on right after the kept kilobyte";
    EXPECT_NE(std::string::npos, after.find("line ", 1024));
}

namespace {

void DeleteMachineKey(REGSAM view)
{
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Pelorwave", 0, KEY_ALL_ACCESS | view, &software) == ERROR_SUCCESS) {
        RegDeleteKeyA(software, "NimboCall");
        RegCloseKey(software);
    }
}

} // namespace

// Without the host asking for the user's key, the library keeps its settings under
// HKEY_LOCAL_MACHINE\Software, which a 64-bit system keeps twice: both builds must use the key
// the 32-bit library has always used (the 32-bit view), or the 64-bit one starts without them.
TEST(MachineKey, BothBuildsKeepTheirSettingsInTheKeyOfThe32BitLibrary)
{
    DeleteMachineKey(KEY_WOW64_32KEY);
    DeleteMachineKey(KEY_WOW64_64KEY);
    // The root is chosen at a process's first access and this process chose long ago: a fresh
    // one (the death-test child) makes the first access, with the machine root.
    EXPECT_EXIT(
        {
            std::int32_t value = 0x5A;
            std::exit(qelo::RegistryWrite("viewcheck", &value, sizeof value) == ERROR_SUCCESS ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    struct Row { const char* view; REGSAM flag; bool holds; };
    const Row rows[] = {
        {"32-bit view", KEY_WOW64_32KEY, true},
#if defined(_WIN64)
        // A 32-bit build may run where there is no second view; a 64-bit one never does.
        {"64-bit view", KEY_WOW64_64KEY, false},
#endif
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.view);
        HKEY key = nullptr;
        std::int32_t value = 0;
        DWORD size = sizeof value;
        bool found = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Pelorwave\\NimboCall", 0, KEY_READ | row.flag, &key) ==
                         ERROR_SUCCESS &&
                     RegQueryValueExA(key, "viewcheck", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
                         ERROR_SUCCESS;
        if (key)
            RegCloseKey(key);
        EXPECT_EQ(row.holds, found);
        if (row.holds) {
            EXPECT_EQ(0x5A, value);
        }
    }
    DeleteMachineKey(KEY_WOW64_32KEY);
    DeleteMachineKey(KEY_WOW64_64KEY);
}

// An unload by FreeLibrary without PW_stop: the hand-off window, whose procedure is the
// library's code, ends with the library and its class goes. A second copy of qelo.dll is loaded
// beside the static library; its start stops at the signalling socket (the port is held here
// without sharing), so no thread of that copy runs when it is unloaded.
TEST(LibraryUnload, UnloadWithoutStopTakesTheHandoffWindowAndItsClass)
{
    std::string folder = EnterFreshFolder("unload");
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    SOCKET holder = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address));
    int length = sizeof address;
    getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
    std::string loopback = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    WriteIni(folder, {{"localip", loopback}, {"dserver", loopback}, {"dserver2", loopback}, {"dserver3", loopback}});

    HMODULE library = LoadLibraryA("qelo.dll");
    ASSERT_NE(nullptr, library);
    using StartFn = int(__cdecl*)(HWND, const char*, const char*, const char*, const char*);
    auto start = reinterpret_cast<StartFn>(reinterpret_cast<void*>(GetProcAddress(library, "PW_start")));
    ASSERT_NE(nullptr, start);
    EXPECT_EQ(-4, start(nullptr, "81", "3", "Unload", nullptr)) << "the call thread did not start";
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetClassInfoExA(library, "QeloVoiceHandoff", &info));
    HWND window = nullptr;
    while ((window = FindWindowExA(HWND_MESSAGE, window, "QeloVoiceHandoff", nullptr)) != nullptr)
        if (GetWindowLongPtrA(window, GWLP_HINSTANCE) == reinterpret_cast<LONG_PTR>(library))
            break;
    ASSERT_NE(nullptr, window) << "the copy's hand-off window";

    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(nullptr, GetModuleHandleA("qelo.dll")) << "unloaded";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(GetClassInfoExA(library, "QeloVoiceHandoff", &info));
    closesocket(holder);
    WSACleanup();
}
