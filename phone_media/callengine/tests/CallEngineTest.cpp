// CCallEngine against a recording fake library and a recording double of the application:
// the order of library calls in Start and Logout, the callbacks (also from another thread), the
// call operations and their log lines, the stored values (the registry read back with Wine's
// reg) and the sound folder.
#include "phone_media/callengine/CallEngine.h"

#include "phone_media/callengine/CallEngineServices.h"
#include "phone_media/callengine/QeloApi.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// -- the fake library --------------------------------------------------------------------------
struct FakeLibrary {
    std::mutex lock;
    std::vector<std::string> calls;
    std::map<std::string, DWORD> threadOf;
    int startResult = 0, loginResult = 0, logoutResult = 0, callResult = 0;
    QL_state_fn state = nullptr;
    QL_status_fn status = nullptr;
    QL_error_fn error = nullptr;
    QL_offhook_fn offhook = nullptr;
    QL_voice_stat_fn voiceStat = nullptr;
    QL_credit_fn credit = nullptr;

    void Record(const std::string& call)
    {
        std::lock_guard<std::mutex> guard(lock);
        calls.push_back(call);
        threadOf[call.substr(0, call.find('('))] = GetCurrentThreadId();
    }
    std::string Calls()
    {
        std::lock_guard<std::mutex> guard(lock);
        std::string all;
        for (const std::string& c : calls)
            all += (all.empty() ? "" : " ") + c;
        return all;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> guard(lock);
        calls.clear();
        threadOf.clear();
    }
};
FakeLibrary g_lib;

std::string S(const char* t) { return t ? t : "(null)"; }

int __cdecl FakeStart(HWND, const char* c, const char* a, const char* n, const char* s)
{
    g_lib.Record("start(" + S(c) + "," + S(a) + "," + S(n) + "," + S(s) + ")");
    return g_lib.startResult;
}
int __cdecl FakeStop() { g_lib.Record("stop()"); return 0; }
int __cdecl FakeLogin() { g_lib.Record("login()"); return g_lib.loginResult; }
int __cdecl FakeLogout() { g_lib.Record("logout()"); return g_lib.logoutResult; }
int __cdecl FakeCallPhone(const char* n, const char* u, const char* p)
{
    g_lib.Record("call_phone(" + S(n) + "," + S(u) + "," + S(p) + ")");
    return g_lib.callResult;
}
int __cdecl FakeCallNimbo(const char* id) { g_lib.Record("call_nimbo(" + S(id) + ")"); return g_lib.callResult; }
void __cdecl FakeOnHook() { g_lib.Record("on_hook()"); }
int __cdecl FakeOffHook() { g_lib.Record("off_hook()"); return 0; }
void __cdecl FakeDtmf(char d) { g_lib.Record("dtmf(" + std::to_string(static_cast<int>(d)) + ")"); }
int __cdecl FakeOption(int o, int v) { g_lib.Record("option(" + std::to_string(o) + "," + std::to_string(v) + ")"); return 0; }
void __cdecl FakeWavePath(const char* f) { g_lib.Record("wave_path(" + S(f) + ")"); }
void __cdecl FakeLogLevel(int l) { g_lib.Record("loglevel(" + std::to_string(l) + ")"); }
void __cdecl FakeVersion(char* out) { std::strcpy(out, "9.99R1B2"); }

const QeloApi kFake = {FakeStart, FakeStop, FakeLogin, FakeLogout, FakeCallPhone, FakeCallNimbo, FakeOnHook,
                       FakeOffHook, FakeDtmf, FakeOption, FakeWavePath, FakeLogLevel, FakeVersion,
                       &g_lib.state, &g_lib.status, &g_lib.error, &g_lib.offhook, &g_lib.voiceStat, &g_lib.credit};

// -- the application double --------------------------------------------------------------------
class RecordingServices : public ICallEngineServices {
public:
    bool app = true;
    std::map<std::string, std::string> profile, secrets;
    std::map<std::string, int> ints;
    std::vector<std::string> boxes;
    CString folder = "C:\\nimbo";

    bool AppExists() override { return app; }
    CString GetProfileString(const char* section, const char* key, const char* def) override
    {
        auto found = profile.find(std::string(section) + "\\" + key);
        return found == profile.end() ? CString(def) : CString(found->second.c_str());
    }
    int GetProfileInt(const char* section, const char* key, int def) override
    {
        auto found = ints.find(std::string(section) + "\\" + key);
        return found == ints.end() ? def : found->second;
    }
    bool WriteProfileString(const char* section, const char* key, const char* value) override
    {
        profile[std::string(section) + "\\" + key] = value;
        return true;
    }
    CString GetProfileSecret(const char* section, const char* key) override
    {
        auto found = secrets.find(std::string(section) + "\\" + key);
        return found == secrets.end() ? CString("") : CString(found->second.c_str());
    }
    bool WriteProfileSecret(const char* section, const char* key, const char* value) override
    {
        secrets[std::string(section) + "\\" + key] = value;
        return true;
    }
    CString ProgramFolder() override { return folder; }
    void ShowMessage(int id, const char* text, unsigned flags) override
    {
        boxes.push_back(std::to_string(id) + ":" + text + ":" + std::to_string(flags));
    }
};

struct Handled {
    std::vector<std::string> events;
    std::vector<DWORD> threads;
    std::mutex lock;
    void Add(const std::string& e)
    {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(e);
        threads.push_back(GetCurrentThreadId());
    }
    std::string All()
    {
        std::lock_guard<std::mutex> guard(lock);
        std::string all;
        for (const std::string& e : events)
            all += (all.empty() ? "" : " ") + e;
        return all;
    }
};

void __cdecl OnState(void* c, int code, const char* m) { static_cast<Handled*>(c)->Add("state(" + std::to_string(code) + "," + S(m) + ")"); }
void __cdecl OnStatus(void* c, int k, int code, const char* m)
{
    static_cast<Handled*>(c)->Add("status(" + std::to_string(k) + "," + std::to_string(code) + "," + S(m) + ")");
}
void __cdecl OnError(void* c, const char* m) { static_cast<Handled*>(c)->Add("error(" + S(m) + ")"); }
void __cdecl OnCredit(void* c, int credit) { static_cast<Handled*>(c)->Add("credit(" + std::to_string(credit) + ")"); }
void __cdecl OnVoice(void* c, int rx, int tx) { static_cast<Handled*>(c)->Add("voice(" + std::to_string(rx) + "," + std::to_string(tx) + ")"); }
void __cdecl OnOff(void* c, int off) { static_cast<Handled*>(c)->Add("off(" + std::to_string(off) + ")"); }

class CallEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetQeloApi(&kFake);
        SetCallEngineServices(&services);
        g_lib.Clear();
        g_lib.startResult = g_lib.loginResult = g_lib.logoutResult = g_lib.callResult = 0;
    }
    void TearDown() override
    {
        SetCallEngineServices(nullptr);
        SetQeloApi(nullptr);
    }
    void Register(CCallEngine& engine)
    {
        engine.SetStateHandler(OnState, &handled);
        engine.SetStatusHandler(OnStatus, nullptr);
        engine.SetErrorHandler(OnError, nullptr);
        engine.SetCreditHandler(OnCredit, nullptr);
        engine.SetVoiceStatHandler(OnVoice, nullptr);
        engine.SetOffHookHandler(OnOff, nullptr);
    }
    static std::string ReadAll(const char* path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    RecordingServices services;
    Handled handled;
};

} // namespace

TEST_F(CallEngineTest, ConstructionTakesTheSixCallbackVariables)
{
    CCallEngine engine;
    EXPECT_EQ(&CCallEngine::OnQlState, g_lib.state);
    EXPECT_EQ(&CCallEngine::OnQlStatus, g_lib.status);
    EXPECT_EQ(&CCallEngine::OnQlError, g_lib.error);
    EXPECT_EQ(&CCallEngine::OnQlOffHook, g_lib.offhook);
    EXPECT_EQ(&CCallEngine::OnQlVoiceStat, g_lib.voiceStat);
    EXPECT_EQ(&CCallEngine::OnQlCredit, g_lib.credit);
    EXPECT_EQ(0u, engine.GetStatus());
}

TEST_F(CallEngineTest, StartCallsTheLibraryInOrder)
{
    struct Row {
        const char* name;
        int debug;
        int startResult, loginResult;
        const char* server;
        bool ok;
        unsigned status;
        const char* calls;
    } rows[] = {
        {"plain", 0, 0, 0, "", true, 1,
         "option(2,1) wave_path(C:\\nimbo\\Sound) start(81,3,Taro,ds1.nimbocall.pelorwave.jp) login()"},
        {"log level 25 is 50", 25, 0, 0, "ds.example", true, 1,
         "loglevel(50) option(2,1) wave_path(C:\\nimbo\\Sound) start(81,3,Taro,ds.example) login()"},
        {"login refused stops", 0, 0, -1, "", false, 1,
         "option(2,1) wave_path(C:\\nimbo\\Sound) start(81,3,Taro,ds1.nimbocall.pelorwave.jp) login() stop()"},
        {"start failing stops what it started", 0, -1, 0, "", false, 0,
         "option(2,1) wave_path(C:\\nimbo\\Sound) start(81,3,Taro,ds1.nimbocall.pelorwave.jp) stop()"},
        {"start failing early", 0, -4, 0, "", false, 0,
         "option(2,1) wave_path(C:\\nimbo\\Sound) start(81,3,Taro,ds1.nimbocall.pelorwave.jp) stop()"},
    };
    for (const Row& row : rows) {
        services.ints["\\QELO_DLL_DEBUG"] = row.debug;
        g_lib.Clear();
        g_lib.startResult = row.startResult;
        g_lib.loginResult = row.loginResult;
        CCallEngine engine;
        EXPECT_EQ(row.ok, engine.Start(nullptr, "81", "3", "Taro", row.server, 1)) << row.name;
        EXPECT_EQ(row.status, engine.GetStatus()) << row.name;
        EXPECT_EQ(row.calls, g_lib.Calls()) << row.name;
        EXPECT_FALSE(!row.ok && engine.Started()) << row.name;
    }
}

TEST_F(CallEngineTest, LogoutStopsAStartedLibraryInEveryStatus)
{
    struct Row {
        unsigned status;
        bool started;
        const char* calls;
    } rows[] = {
        {0x1010, true, "on_hook() logout() stop()"},
        {0x1110, true, "on_hook() logout() stop()"},
        {0x10, true, "logout() stop()"},
        {0x110, true, "logout() stop()"},
        {1, true, "stop()"},
        {4, true, "logout() stop()"},   // signing in again: signed out first, then stopped
        {0, false, ""},
        {4, false, ""},
    };
    for (const Row& row : rows) {
        CCallEngine engine;
        if (row.started) {
            ASSERT_TRUE(engine.Start(nullptr, "81", "3", "Taro", "", 0));
        }
        engine.SetStatus(row.status);
        g_lib.Clear();
        engine.Logout();
        EXPECT_EQ(row.calls, g_lib.Calls()) << std::hex << row.status;
        EXPECT_FALSE(engine.Started());
    }
}

TEST_F(CallEngineTest, CallOperations)
{
    CCallEngine engine;
    EXPECT_FALSE(engine.CallNimbo(""));
    EXPECT_FALSE(engine.CallPhone("0312", "", "pw"));
    EXPECT_EQ("", g_lib.Calls()) << "empty arguments reach no library function";
    EXPECT_TRUE(engine.CallNimbo("5002"));
    EXPECT_TRUE(engine.CallPhone("0312", "gw", "pw"));
    g_lib.callResult = -1;
    EXPECT_FALSE(engine.CallNimbo("5002"));
    EXPECT_TRUE(engine.OffHook());
    engine.OnHook();
    engine.SendDtmf("12");
    engine.SendDtmf("\xB1");
    EXPECT_EQ("call_nimbo(5002) call_phone(0312,gw,pw) call_nimbo(5002) off_hook() on_hook() dtmf(49) dtmf(-79)",
              g_lib.Calls());
    EXPECT_EQ("9.99R1B2", std::string(engine.GetVersionText()));
}

TEST_F(CallEngineTest, CallbacksReachTheHandlersAndTheStatusWordFromAnotherThread)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder(temp, std::strlen(temp) - 1);
    services.folder = folder.c_str();
    SetCurrentDirectoryA("C:\\");
    CCallEngine engine;
    Register(engine);
    ASSERT_TRUE(engine.Start(nullptr, "81", "3", "Taro", "", 0));
    std::thread library([] {
        g_lib.state(-10005, "5001");
        g_lib.state(9, "5002");
        g_lib.state(5, nullptr);
        g_lib.status(0, 49, "accepted");
        g_lib.status(0, -1, "dropped");
        g_lib.credit(300, 60);
        g_lib.voiceStat(99, 100);
        g_lib.offhook(1);
        g_lib.error("oops");
        g_lib.state(16, "486: Called Number Busy");
        g_lib.state(16, "");
        g_lib.state(-10015, "lost");
        g_lib.state(-10015, "lost again");
        g_lib.state(0, nullptr);
        g_lib.state(-10016, "far side");
    });
    library.join();
    EXPECT_EQ(0x10u, engine.GetStatus());
    EXPECT_EQ("state(-10005,5001) state(9,5002) state(5,(null)) status(0,49,accepted) credit(300) voice(99,100) "
              "off(1) error(oops) state(16,\x91\x8A\x8E\xE8\x82\xCD\x93" "d\x98" "b\x92\x86\x82\xC5\x82\xB7..) "
              "state(-10015,lost) state(0,(null))",
              handled.All());
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STRCASEEQ(folder.c_str(), current) << "an incoming call sets the current directory to the program's folder";
}

TEST_F(CallEngineTest, StopAndSignInAgainRunOnTheEnginesThreadNeverInACallback)
{
    DWORD mine = GetCurrentThreadId();
    {
        CCallEngine engine;
        Register(engine);
        ASSERT_TRUE(engine.Start(nullptr, "81", "3", "Taro", "", 0));
        g_lib.Clear();
        std::thread library([] { g_lib.state(-10006, "refused"); });
        library.join();
        EXPECT_EQ("", g_lib.Calls()) << "nothing inside the callback";
        ASSERT_TRUE(nvtest::PumpUntil([] { return g_lib.Calls() == "stop()"; }, 5000));
        EXPECT_EQ(mine, g_lib.threadOf["stop"]);
        ASSERT_TRUE(nvtest::PumpUntil([&] { return handled.All() == "state(-10006,refused)"; }, 5000));
    }
    for (int loginResult : {0, -1}) {
        handled.events.clear();
        CCallEngine engine;
        Register(engine);
        ASSERT_TRUE(engine.Start(nullptr, "81", "3", "Taro", "", 0));
        engine.SetStatus(0x10);
        g_lib.Clear();
        g_lib.loginResult = loginResult;
        std::thread library([] { g_lib.state(-10007, "5009"); });
        library.join();
        EXPECT_EQ("", g_lib.Calls());
        ASSERT_TRUE(nvtest::PumpUntil([] { return g_lib.Calls() == "login()"; }, 5000));
        EXPECT_EQ(mine, g_lib.threadOf["login"]);
        nvtest::PumpPending();
        if (loginResult == 0) {
            EXPECT_EQ(4u, engine.GetStatus());
            EXPECT_EQ("", handled.All()) << "no handler on a successful sign-in again";
        } else {
            EXPECT_EQ(0x10u, engine.GetStatus());
            EXPECT_EQ("state(-10006,)", handled.All());
        }
    }
}

TEST_F(CallEngineTest, ReadingTheVersionTextLeavesTheSessionsEngineCurrent)
{
    CCallEngine session;
    Register(session);
    EXPECT_EQ("9.99R1B2", std::string(CCallEngine::LibraryVersionText()));
    EXPECT_EQ(&session, CCallEngine::GetInstance());
    g_lib.state(-10005, "5001");
    EXPECT_EQ("state(-10005,5001)", handled.All()) << "the session's events still arrive";
}

TEST_F(CallEngineTest, CallLogKeepsWholeLinesAndNoPassword)
{
    services.profile["\\NIMBO_CALL_DEBUG"] = "TRUE";
    std::string path;
    {
        CCallEngine engine;
        ASSERT_TRUE(engine.CallLogOn());
        path = engine.CallLogPath().GetString();
        EXPECT_NE(std::string::npos, path.find("NimboCall-"));
        Register(engine);
        engine.CallPhone("0312", "gw5001", "pw-5001");
        engine.SetStatus(0x1010);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([] {
                for (int i = 0; i < 200; ++i)
                    g_lib.state(-10003, "00:00:01 a fairly long timer line to make interleaving likely");
            });
        for (auto& t : threads)
            t.join();
    }
    std::string text = ReadAll(path.c_str());
    EXPECT_EQ(std::string::npos, text.find("pw-5001"));
    EXPECT_NE(std::string::npos, text.find("PW_call_phone(pCallNo = 0312, pUserID = gw5001, pPasswd = ********)"));
    EXPECT_EQ(11u, text.find("PW_get_version(9.99R1B2)")) << text.substr(0, 60);
    std::istringstream lines(text);
    std::string line;
    int timerLines = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ('\r', line.back());
        EXPECT_EQ(" > ", line.substr(8, 3)) << line;
        if (line.find("QL_state(nCode = -10003") != std::string::npos) {
            ++timerLines;
            EXPECT_EQ("QL_state(nCode = -10003, pMsg = 00:00:01 a fairly long timer line to make interleaving likely)\r",
                      line.substr(11));
        }
    }
    EXPECT_EQ(800, timerLines);
    // The next engine of the day takes the next free name, never this one.
    {
        CCallEngine next;
        EXPECT_NE(path, std::string(next.CallLogPath()));
        EXPECT_TRUE(next.CallLogOn());
        DeleteFileA(next.CallLogPath());
    }
    DeleteFileA(path.c_str());
}

TEST_F(CallEngineTest, StoredValues)
{
    ASSERT_TRUE(EnsureVoipRegistryKey());
    ASSERT_TRUE(WriteUnitId("5003"));
    EXPECT_FALSE(WriteUnitId("123456789012345678901")) << "longer than the library's field";
    // Read back with Wine's own reg.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string out = std::string(temp) + "unitid-query.txt";
    std::string command = "cmd /c reg query \"HKCU\\SoftWare\\Pelorwave\\NimboCall\" /v unitid > \"" + out + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string query = ReadAll(out.c_str());
    DeleteFileA(out.c_str());
    EXPECT_NE(std::string::npos, query.find("REG_BINARY")) << query;
    EXPECT_NE(std::string::npos, query.find("3530303300")) << query;

    EXPECT_TRUE(SavePhoneNumber("03-1234"));
    EXPECT_EQ("03-1234", services.profile["NimboCall\\PhoneNo"]);

    services.app = false;
    ReadVoipVendorSettings("gw", "pw");
    EXPECT_TRUE(services.secrets.empty()) << "no application: nothing stored";
    services.app = true;
    ReadVoipVendorSettings("gw", "");
    EXPECT_TRUE(services.secrets.empty());
    ReadVoipVendorSettings("gw", "pw");
    EXPECT_EQ("gw", services.secrets["NimboCall\\UID"]);
    EXPECT_EQ("pw", services.secrets["NimboCall\\UP"]);
    ASSERT_EQ(1u, services.boxes.size());
    EXPECT_EQ(0u, services.boxes[0].find("496:\xC6\xDD\xCE\xDE"));
    EXPECT_EQ(":" + std::to_string(MB_OK | MB_ICONEXCLAMATION),
              services.boxes[0].substr(services.boxes[0].rfind(':')));

    CString user = "old", password = "old";
    EXPECT_TRUE(LoadGatewayAccount(user, password));
    EXPECT_EQ("gw", std::string(user));
    services.secrets.erase("NimboCall\\UP"); // unreadable: comes back empty
    EXPECT_FALSE(LoadGatewayAccount(user, password));
    EXPECT_EQ("", std::string(password));
}

TEST_F(CallEngineTest, SoundFolderFromAppPathsOrTheProgramFolder)
{
    const char* key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\NimboVandrell.exe";
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    {
        CCallEngine engine;
        EXPECT_EQ("C:\\nimbo\\Sound", std::string(engine.GetSoundFolder()));
    }
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                                             nullptr));
    RegSetValueExA(created, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>("D:\\Apps\\Nimbo"), 14);
    RegCloseKey(created);
    {
        CCallEngine engine;
        EXPECT_EQ("D:\\Apps\\Nimbo\\Sound", std::string(engine.GetSoundFolder()));
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

TEST(CallEngine, ReadsTheLibraryVersionText)
{
    CCallEngine engine;
    CString text = engine.GetVersionText();
    // version "R" release "B" build, as the library reports it.
    int r = text.Find('R');
    int b = text.Find('B');
    EXPECT_GT(r, 0) << text.GetString();
    EXPECT_GT(b, r) << text.GetString();
    EXPECT_LT(b, text.GetLength() - 1) << text.GetString();
}

TEST(CallEngine, TheLastEngineConstructedIsTheCurrentOneUntilItGoes)
{
    EXPECT_EQ(nullptr, CCallEngine::GetInstance());
    {
        CCallEngine first;
        EXPECT_EQ(&first, CCallEngine::GetInstance());
        EXPECT_EQ(0u, first.GetStatus());
        auto* second = new CCallEngine;
        EXPECT_EQ(second, CCallEngine::GetInstance());
        delete second;
        EXPECT_EQ(nullptr, CCallEngine::GetInstance()) << "destroying any engine clears the current one";
    }
    EXPECT_EQ(nullptr, CCallEngine::GetInstance());
}
