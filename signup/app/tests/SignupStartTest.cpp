// Start-up and hand-over of the sign-up program under Wine, through the real application object
// with a wizard double (VyrnSignHost.exe): the main program running, a second start during the
// first message box and while the wizard runs, and what reaches the registry.
#include "signup/tests/SignupTestProfile.h"
#include "tests/support/CallbackProc.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/RegTool.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"
#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>
#include <string>

namespace {

using signuptest::GetString;
using signuptest::kProfile;
using signuptest::LoadText;
using signuptest::SetString;
using signuptest::Unbroken;

std::string HostExe() { return nvtest::UnixToWindowsPath(nvtest::Env("NV_SIGNUP_HOST")); }

void ResetProfile() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile); }

// One value of the profile as Wine's reg.exe shows it ("" when it is missing).
std::string RegQuery(const std::string& subKey, const std::string& name)
{
    return nvtest::RegQueryData("HKCU\\" + std::string(kProfile) + "\\" + subKey, name);
}

// The sign-up host under test.
class Program : public nvtest::ChildProgram {
public:
    bool Start(const std::string& args = "") { return ChildProgram::Start(HostExe(), args); }
};

struct Search {
    DWORD pid;
    std::string text; // a message box's text, or the start of a window title
    bool box;
    HWND found;
};

HWND FindOf(DWORD pid, const std::string& text, bool box)
{
    Search search{pid, text, box, nullptr};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != s->pid || !::IsWindowVisible(window))
            return TRUE;
        char cls[64] = {}, title[256] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        ::GetWindowTextA(window, title, sizeof title);
        if (!s->box) {
            if (std::string(title).compare(0, s->text.size(), s->text) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        }
        if (std::string(cls) != "#32770")
            return TRUE;
        char text[1024] = {};
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        if (Unbroken(text) == Unbroken(s->text)) {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }), reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Describe(DWORD pid) { return nvtest::DescribeTopWindows(pid); }

HWND WaitForBox(const Program& program, const std::string& text)
{
    HWND box = nullptr;
    nvtest::PumpUntil([&] { return (box = FindOf(program.Id(), text, true)) != nullptr; }, 20000);
    return box;
}

void Answer(HWND box, int button)
{
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(box); }, 10000));
}

// The start-up's first box under Wine: its dial-up library reports no modem.
void AnswerNoDialupBox(const Program& program)
{
    HWND box = WaitForBox(program, LoadText(IDS_SU_NO_DIALUP_AT_START));
    ASSERT_NE(nullptr, box) << "the start-up shows the LAN-only message; windows:\n" << Describe(program.Id());
    Answer(box, IDOK);
}

HWND WaitForWizard(const Program& program, const std::string& title = "wizard double arrivals=")
{
    HWND wizard = nullptr;
    nvtest::PumpUntil([&] { return (wizard = FindOf(program.Id(), title, false)) != nullptr; }, 20000);
    return wizard;
}

std::string TempFile(const std::string& name, const std::string& content)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    std::string path = std::string(temp) + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

const char kCniFile[] = "00:1.0\r\n01:OK\r\n02:PC-Client\r\n03:handed01\r\n04:pw01\r\n17:C1234567\r\n18:cpw\r\n"
                        "19:name\r\n";

bool g_mainAskedToFront = false;

LRESULT CALLBACK MainStandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == 0x40E)
        g_mainAskedToFront = true;
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TEST(SignupStart, WithACompleteAccountAndTheMainProgramRunningItSendsTheMainProgramToTheFront)
{
    ResetProfile();
    SetString("NetInfo", "LoginID", "login01");
    SetString("NetInfo", "Comm_id", "C0000001");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainStandInProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "Qelo_NimboVandrell";
    ::RegisterClassA(&wc);
    HWND main = ::CreateWindowExA(0, "Qelo_NimboVandrell", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, main);
    g_mainAskedToFront = false;
    Program program;
    ASSERT_TRUE(program.Start());
    HWND box = WaitForBox(program, LoadText(IDS_SU_MAIN_RUNNING));
    ASSERT_NE(nullptr, box);
    Answer(box, IDOK);
    EXPECT_EQ(0, program.WaitExit());
    EXPECT_TRUE(nvtest::PumpUntil([] { return g_mainAskedToFront; }, 5000));
    // Without the communication ID the account is incomplete: the program runs beside the main one.
    SetString("NetInfo", "Comm_id", "");
    Program second;
    ASSERT_TRUE(second.Start());
    AnswerNoDialupBox(second);
    HWND wizard = WaitForWizard(second);
    ASSERT_NE(nullptr, wizard);
    ::PostMessageA(wizard, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, second.WaitExit());
    ::DestroyWindow(main);
}

// A second start while the first shows its first message box: the hidden window exists already,
// so the file handed over is imported (and saved) at once.
TEST(SignupStart, AFileHandedOverDuringTheFirstMessageBoxIsImported)
{
    ResetProfile();
    const std::string cni = TempFile("nv_signup_handover.cni", kCniFile);
    Program first;
    ASSERT_TRUE(first.Start());
    HWND box = WaitForBox(first, LoadText(IDS_SU_NO_DIALUP_AT_START));
    ASSERT_NE(nullptr, box);
    Program second;
    ASSERT_TRUE(second.Start("\"" + cni + "\""));
    EXPECT_EQ(0, second.WaitExit()) << "the second copy hands over and ends";
    // The communication ID is the save's last value.
    EXPECT_TRUE(nvtest::PumpUntil([] { return GetString("NetInfo", "Comm_id") == "C1234567"; }, 10000))
        << "imported and saved while the box is up";
    EXPECT_EQ("handed01", GetString("NetInfo", "LoginID"));
    Answer(box, IDOK);
    HWND wizard = WaitForWizard(first);
    ASSERT_NE(nullptr, wizard);
    ::PostMessageA(wizard, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first.WaitExit());
}

// Hand-overs while the wizard runs: what the running copy does with each.
TEST(SignupStart, HandOversWhileTheWizardRuns)
{
    ResetProfile();
    SetString("NetInfo", "LoginID", "before01");
    const std::string good = TempFile("nv_signup_good.cni", kCniFile);
    const std::string refused =
        TempFile("nv_signup_refused.cni", "00:1.0\r\n01:NG\r\n02:PC-Client\r\n98:\r\nstopped (7)\r\n99:\r\n");
    const std::string other = TempFile("nv_signup_other.txt", kCniFile);
    const std::string longName = std::string(300, 'x') + ".cni";
    const struct {
        const char* name;
        std::string args;
        std::string box; // a box the running copy shows, or empty
        bool imported;
    } rows[] = {
        {"another file type", "\"" + other + "\"", "", false},
        {"no argument", "", "", false},
        {"a refused file", "\"" + refused + "\"", "stopped (7)", false},
        {"an unreadable file", "\"C:\\no such folder\\gone.cni\"", LoadText(IDS_IMPORT_UNUSABLE), false},
        {"a path too long for an atom", longName, "", false},
        {"a usable file", "\"" + good + "\"", "", true},
    };
    Program first;
    ASSERT_TRUE(first.Start());
    AnswerNoDialupBox(first);
    HWND wizard = WaitForWizard(first);
    ASSERT_NE(nullptr, wizard);
    for (const auto& row : rows) {
        Program second;
        ASSERT_TRUE(second.Start(row.args)) << row.name;
        EXPECT_EQ(0, second.WaitExit()) << row.name;
        if (!row.box.empty()) {
            HWND box = WaitForBox(first, row.box);
            ASSERT_NE(nullptr, box) << row.name;
            Answer(box, IDOK);
        }
        if (row.imported) {
            EXPECT_TRUE(nvtest::PumpUntil([] { return GetString("NetInfo", "Comm_id") == "C1234567"; }, 10000)) << row.name;
            EXPECT_EQ("handed01", GetString("NetInfo", "LoginID")) << row.name;
            EXPECT_TRUE(nvtest::PumpUntil([&] { return WaitForWizard(first, "wizard double arrivals=1") != nullptr; }, 5000))
                << row.name;
        } else {
            // The running copy has handled the hand-over when it answers a message sent after it.
            ::SendMessageTimeoutA(wizard, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
            EXPECT_EQ("before01", GetString("NetInfo", "LoginID")) << row.name;
            EXPECT_NE(nullptr, WaitForWizard(first, "wizard double arrivals=0")) << row.name;
        }
    }
    ::PostMessageA(wizard, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first.WaitExit());
    // The mutex went with the program: a new start runs again.
    Program again;
    ASSERT_TRUE(again.Start());
    AnswerNoDialupBox(again);
    HWND next = WaitForWizard(again);
    ASSERT_NE(nullptr, next);
    ::PostMessageA(next, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, again.WaitExit());
}

// Connection files handed over one after another while the program is ended at once: whatever
// save it was in, reg.exe finds the old account, one of the new ones whole, or an account
// without its communication ID, never one account's login beside another's communication ID.
TEST(SignupStart, EndingTheProgramDuringSavesNeverLeavesAMixedAccount)
{
    const std::string fileA = TempFile("nv_signup_a.cni", "00:1.0\r\n01:OK\r\n02:PC-Client\r\n03:accountA\r\n04:pwA\r\n"
                                                          "17:C-AAAA\r\n18:cpwA\r\n19:nameA\r\n");
    const std::string fileB = TempFile("nv_signup_b.cni", "00:1.0\r\n01:OK\r\n02:PC-Client\r\n03:accountB\r\n04:pwB\r\n"
                                                          "17:C-BBBB\r\n18:cpwB\r\n19:nameB\r\n");
    const std::pair<std::string, std::string> whole[] = {
        {"old00001", "C-OLD"}, {"accountA", "C-AAAA"}, {"accountB", "C-BBBB"}};
    int incomplete = 0, changed = 0;
    for (int round = 0; round < 6; ++round) {
        ResetProfile();
        SetString("NetInfo", "LoginID", "old00001");
        SetString("NetInfo", "Comm_id", "C-OLD");
        Program program;
        ASSERT_TRUE(program.Start());
        AnswerNoDialupBox(program);
        ASSERT_NE(nullptr, WaitForWizard(program));
        HWND hidden = ::FindWindowA("Qelo_Signup_App", nullptr);
        ASSERT_NE(nullptr, hidden);
        // Hand-overs as a second copy sends them; the imports run after each send returns.
        for (int i = 0; i < 4 + round * 3; ++i) {
            ATOM atom = ::GlobalAddAtomA(("\"" + (i % 2 ? fileB : fileA) + "\"").c_str());
            ::SendMessageTimeoutA(hidden, 0x40B, atom, 0, SMTO_NORMAL, 5000, nullptr);
        }
        ::TerminateProcess(program.Handle(), 7);
        ::WaitForSingleObject(program.Handle(), 10000);
        const std::string login = RegQuery("NetInfo", "LoginID"), commId = RegQuery("NetInfo", "Comm_id");
        if (commId.empty()) {
            ++incomplete;
            continue;
        }
        const bool isWhole = std::find(std::begin(whole), std::end(whole), std::make_pair(login, commId)) != std::end(whole);
        EXPECT_TRUE(isWhole) << "round " << round << ": " << login << " with " << commId;
        changed += login != "old00001";
    }
    std::printf("rounds ended without a communication ID: %d, with a new account: %d\n", incomplete, changed);
}
