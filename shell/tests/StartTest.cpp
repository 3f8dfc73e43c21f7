// Start-up and shut-down of the real program under Wine: single instance and hand-over, the
// sign-up launch while the account is missing, and the settings it leaves in the registry (read
// back with Wine's own reg tool).
#include "tests/support/CallbackProc.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/RegTool.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"
#include "shell/common/scrambler/PasswordScrambler.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

const char kProfile[] = "Software\\Qelo\\NimboVandrell";
const UINT kCommandRequest = 0x40C;

std::string MainExe() { return nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE")); }

std::string LoadText(UINT id)
{
    char text[1024] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

void SetValue(const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    std::string path = std::string(kProfile) + (*section ? "\\" : "") + section;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

void SetString(const char* section, const char* name, const std::string& value)
{
    SetValue(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SetDword(const char* section, const char* name, DWORD value) { SetValue(section, name, REG_DWORD, &value, sizeof value); }

void ResetProfile() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile); }

void SeedCompleteAccount()
{
    ResetProfile();
    SetString("NetInfo", "LoginID", "login-test");
    SetString("NetInfo", "Comm_id", "0123456789ABCDEF");
    SetString("NetInfo", "Comm_data", scrambler::Scramble("secret"));
    SetString("NetInfo", "Proxy_port", "70000");
    SetDword("", "QueryInterval", 0);
    SetDword("", "Flags", 0x21 | 0x40); // no greeting sound
    SetDword("", "MessageArrive", 5);
}

// The data column of one value of the profile as Wine's reg.exe prints it ("" when it is missing).
std::string RegQuery(const std::string& subKey, const std::string& name)
{
    return nvtest::RegQueryData("HKCU\\" + std::string(kProfile) + (subKey.empty() ? "" : "\\" + subKey), name);
}

using Program = nvtest::ChildProgram;

struct WindowSearch {
    DWORD pid;
    bool (*match)(HWND);
    HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && search->match(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD pid, bool (*match)(HWND))
{
    WindowSearch search{pid, match, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsMainWindow(HWND window) { return ::GetDlgItem(window, IDC_MAIN_PAGE) != nullptr; }
// The application's browser (its status line) and the address bar (its address box).
bool IsBrowserWindow(HWND window) { return ::GetDlgItem(window, IDC_BROWSER_STATUS) != nullptr; }
bool IsAddressBar(HWND window) { return ::GetDlgItem(window, IDC_URL_COMBO) != nullptr; }
// The chat window (its member list).
bool IsChatWindow(HWND window) { return ::GetDlgItem(window, IDC_CHAT_USERLIST) != nullptr; }

bool IsMessageBox(HWND window)
{
    char cls[32] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    return std::string(cls) == "#32770" && ::IsWindowVisible(window) && ::GetDlgItem(window, IDC_MAIN_PAGE) == nullptr &&
           ::GetDlgItem(window, IDC_HOST_LABEL) == nullptr;
}

std::string& BoxText()
{
    static std::string text;
    return text;
}

// A text without its line breaks: the program's own box shows its text in a rich edit control,
// which keeps a line break as CR alone.
std::string Unbroken(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }), text.end());
    return text;
}

// A control's text read as UTF-16 and given back in code page 932: the rich edit control of the
// program's box answers another process's ANSI request with nothing under Wine.
std::string ControlText(HWND control)
{
    wchar_t wide[1024] = {};
    int length = ::GetWindowTextW(control, wide, 1024);
    char text[2048] = {};
    if (length > 0)
        ::WideCharToMultiByte(932, 0, wide, length, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

// The program's own box shows its text in a rich edit control, which answers another process's
// request for its text with nothing under Wine: such a box can't be told apart by its text here
// (the callers check what the answer did instead); a box whose text can be read must match.
BOOL CALLBACK FindBoxText(HWND child, LPARAM param)
{
    if (::GetDlgCtrlID(child) != 0xFFFF)
        return TRUE;
    char cls[32] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    std::string text = ControlText(child);
    bool unreadableRichEdit = text.empty() && std::string(cls).find("RICHEDIT") == 0;
    if (unreadableRichEdit || (!text.empty() && Unbroken(text) == Unbroken(BoxText()))) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// A message box (the system's or the program's own) whose text (a child numbered 0xFFFF; the
// program's box numbers its icon so too) is the one looked for.
bool IsMessageBoxWithText(HWND window)
{
    if (!IsMessageBox(window))
        return false;
    bool found = false;
    ::EnumChildWindows(window, FindBoxText, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The program's top-level windows with their children's numbers and texts, for a failure's report.
std::string DescribeWindows(DWORD pid)
{
    struct Walk {
        DWORD pid;
        std::string out;
    } walk{pid, {}};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != w->pid)
            return TRUE;
        char cls[64] = {}, title[256] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        ::GetWindowTextA(window, title, sizeof title);
        w->out += std::string(cls) + " '" + title + "'" + (::IsWindowVisible(window) ? " visible" : " hidden") + "\n";
        ::EnumChildWindows(window, nvtest::AsEnumProc([](HWND child, LPARAM p) -> BOOL {
            char childClass[64] = {};
            ::GetClassNameA(child, childClass, sizeof childClass);
            *reinterpret_cast<std::string*>(p) += "    " + std::to_string(::GetDlgCtrlID(child)) + " " + childClass +
                                                  " '" + ControlText(child) + "'\n";
            return TRUE;
        }), reinterpret_cast<LPARAM>(&w->out));
        return TRUE;
    }), reinterpret_cast<LPARAM>(&walk));
    return walk.out;
}

// Waits for a message box of the process showing the text, presses a button and waits until the
// box has gone (so that the next question is not mistaken for this one).
void AnswerMessageBox(const Program& program, UINT textId, int button)
{
    HWND box = nullptr;
    // The box is looked for by its text: other dialogs of the program (the main window's panels)
    // may be on the screen too.
    BoxText() = LoadText(textId);
    bool shown = nvtest::PumpUntil([&] {
        box = FindWindowOf(program.Id(), IsMessageBoxWithText);
        return box != nullptr;
    }, 20000);
    ASSERT_TRUE(shown) << "no message box with string " << textId << "; windows of the program:\n"
                       << DescribeWindows(program.Id());
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(box); }, 10000));
}

bool MutexExists()
{
    HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, "VY@N_IS_RUNNING");
    if (mutex)
        ::CloseHandle(mutex);
    return mutex != nullptr;
}

// A started first instance with its main window.
struct RunningInstance {
    Program program;
    HWND main = nullptr;
    bool Start()
    {
        if (!program.Start(MainExe()))
            return false;
        return nvtest::PumpUntil([&] { return ::FindWindowA("Qelo_NimboVandrell", nullptr) &&
                                              (main = FindWindowOf(program.Id(), IsMainWindow)) != nullptr; },
                                 20000);
    }
    long Exit()
    {
        ::PostMessageA(main, kCommandRequest, 3, 0);
        return program.WaitExit();
    }
};

std::string TempFolder(const char* name)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + name;
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool g_signupAskedToFront = false;

LRESULT CALLBACK SignupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == 0x40E)
        g_signupAskedToFront = true;
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TEST(StartUp, FirstStartRunsTheHostLoopAndExitSavesSettingsAndReleasesTheMutex)
{
    SeedCompleteAccount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    EXPECT_TRUE(MutexExists());
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(first.main) != FALSE; }, 30000));
    nvtest::SaveWindowScreenshot(first.main, "main_program_started");
    // The main window made the address bar, the browser and the chat window, all hidden until
    // asked for.
    HWND browserWindow = FindWindowOf(first.program.Id(), IsBrowserWindow);
    HWND bar = FindWindowOf(first.program.Id(), IsAddressBar);
    HWND chat = FindWindowOf(first.program.Id(), IsChatWindow);
    ASSERT_NE(nullptr, browserWindow);
    ASSERT_NE(nullptr, bar);
    ASSERT_NE(nullptr, chat);
    EXPECT_FALSE(::IsWindowVisible(browserWindow));
    EXPECT_FALSE(::IsWindowVisible(bar));
    EXPECT_FALSE(::IsWindowVisible(chat));
    EXPECT_EQ(0L, first.Exit());
    EXPECT_FALSE(::IsWindow(browserWindow));
    EXPECT_FALSE(::IsWindow(chat));
    EXPECT_FALSE(MutexExists());
    EXPECT_EQ(nullptr, ::FindWindowA("Qelo_NimboVandrell", nullptr));

    const struct {
        const char* section;
        const char* name;
        std::string expected;
    } rows[] = {
        {"", "MessageArrive", "0x0"},
        {"", "QueryInterval", "0x5"},
        {"", "Flags", "0x61"},
        {"", "WaveCertify", "TRUE"},
        {"", "Country", "81"},
        {"", "AreaCode", "03"},
        {"NetInfo", "LoginID", "login-test"},
        {"NetInfo", "Comm_data", scrambler::Scramble("secret")},
        {"NetInfo", "Proxy_port", "80"},
        {"NetInfo", "Proxy_enable", "0x0"},
        {"NetInfo", "ConnectType", "Dialup"},
        {"NetInfo", "Protocol", "udp"},
        {"NetInfo", "DialMode", "T"},
        {"Fonts", "FrmFontColor", "0xff0000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "\\" + row.name);
        EXPECT_EQ(row.expected, RegQuery(row.section, row.name));
    }
}

// Wine's icons on a display without a tray of its own: windows of class "__winex11_tray_icon".
BOOL CALLBACK CountTrayIcon(HWND window, LPARAM param)
{
    char cls[64] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "__winex11_tray_icon")
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

int TrayIconCount()
{
    int count = 0;
    ::EnumWindows(
        nvtest::AsEnumProc([](HWND top, LPARAM param) -> BOOL {
            CountTrayIcon(top, param);
            ::EnumChildWindows(top, CountTrayIcon, param);
            return TRUE;
        }),
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(StartUp, TheTrayIconComesBackAfterTheShellRestartsAndLeavesWithTheProgram)
{
    SeedCompleteAccount();
    int before = TrayIconCount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TrayIconCount() == before + 1; }, 10000));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(first.main) != FALSE; }));
    // Hidden, then restored through the icon.
    ::PostMessageA(first.main, kCommandRequest, 2, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindowVisible(first.main); }));
    ::PostMessageA(first.main, WM_USER, 174, WM_LBUTTONDOWN);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(first.main) != FALSE; }));
    // The shell loses the icon, then says it restarted: the program adds it again.
    NOTIFYICONDATAA gone = {};
    gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
    gone.hWnd = first.main;
    gone.uID = 174;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TrayIconCount() == before; }, 10000));
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return TrayIconCount() == before + 1; }, 30000));
    // Exit from the menu: the position is kept and no icon is left behind.
    ::PostMessageA(first.main, WM_COMMAND, 32780, 0);
    EXPECT_EQ(0L, first.program.WaitExit());
    EXPECT_EQ(before, TrayIconCount());
    EXPECT_NE("", RegQuery("Location", "VyrnX"));
    // The end of the Windows session ends the program the same way.
    RunningInstance second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TrayIconCount() == before + 1; }, 10000));
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(second.main, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 10000, &ignored);
    EXPECT_EQ(0L, second.program.WaitExit());
    EXPECT_EQ(before, TrayIconCount());
}

// The received-message window (its banner beside the arrival list) and the friend list window
// (its owner-drawn list).
bool IsReceiveWindow(HWND window)
{
    return ::GetDlgItem(window, IDC_RECV_LIST) != nullptr && ::GetDlgItem(window, IDC_RECV_BANNER) != nullptr;
}
bool IsErrorLogWindow(HWND window) { return ::GetDlgItem(window, IDC_ERROR_LOG_LIST) != nullptr; }
bool IsFriendListWindow(HWND window)
{
    HWND list = ::GetDlgItem(window, IDC_FRIEND_LIST);
    return list && (::GetWindowLongA(list, GWL_STYLE) & LVS_OWNERDRAWFIXED) != 0;
}

TEST(StartUp, TheReceiveWindowFriendListAndErrorLogAreTheRealWindows)
{
    SeedCompleteAccount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(first.main) != FALSE; }));
    // The friend list is made with the main window, hidden until it slides out.
    HWND friends = FindWindowOf(first.program.Id(), IsFriendListWindow);
    ASSERT_NE(nullptr, friends);
    // Offline, the friend list holds only the user's own row.
    EXPECT_EQ(1, static_cast<int>(::SendMessageA(::GetDlgItem(friends, IDC_FRIEND_LIST), LVM_GETITEMCOUNT, 0, 0)));
    // The error log is the real one: hidden until the menu asks for it.
    HWND log = FindWindowOf(first.program.Id(), IsErrorLogWindow);
    ASSERT_NE(nullptr, log);
    EXPECT_FALSE(::IsWindowVisible(log));
    ::PostMessageA(first.main, WM_COMMAND, 32819, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(log) != FALSE; }));
    ::RedrawWindow(log, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    nvtest::SaveWindowScreenshot(log, "program_error_log");
    EXPECT_EQ(nullptr, FindWindowOf(first.program.Id(), IsReceiveWindow)); // made on demand
    for (int open = 0; open < 2; ++open) {
        ::PostMessageA(first.main, WM_COMMAND, 32789, 0);
        HWND receive = nullptr;
        ASSERT_TRUE(nvtest::PumpUntil([&] {
            receive = FindWindowOf(first.program.Id(), IsReceiveWindow);
            return receive && ::IsWindowVisible(receive);
        }));
        // Other programs on the shared desktop may come and go in front: the check is that the
        // receive window is not the one in front.
        EXPECT_NE(receive, ::GetForegroundWindow()) << "the window took the focus";
        // Three columns (sender, time, attachment) and the body beside the list.
        HWND header = reinterpret_cast<HWND>(::SendMessageA(::GetDlgItem(receive, IDC_RECV_LIST), LVM_GETHEADER, 0, 0));
        EXPECT_EQ(3, static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)));
        EXPECT_NE(nullptr, ::GetDlgItem(receive, IDC_RECV_BODY));
        if (open == 0) {
            ::RedrawWindow(receive, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            nvtest::SaveWindowScreenshot(receive, "program_receive_window");
            // Its close button hides it; the next opening shows the same window again.
            ::PostMessageA(receive, WM_COMMAND, MAKEWPARAM(IDC_RECV_CLOSE, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(receive, IDC_RECV_CLOSE)));
            ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindowVisible(receive); }));
        }
    }
    HWND receive = FindWindowOf(first.program.Id(), IsReceiveWindow);
    EXPECT_EQ(0L, first.Exit());
    EXPECT_FALSE(::IsWindow(receive));
    EXPECT_FALSE(::IsWindow(friends));
    EXPECT_FALSE(::IsWindow(log));
    // The window's corner was saved as it went.
    EXPECT_NE("", RegQuery("Location", "PmRcvX"));
}

TEST(StartUp, FileTypesAreRegisteredToTheProgram)
{
    SeedCompleteAccount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    char value[MAX_PATH * 2] = {};
    LONG size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueA(HKEY_CLASSES_ROOT, ".csz", value, &size));
    EXPECT_STREQ("cszfile", value);
    size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueA(HKEY_CLASSES_ROOT, "cnifile\\Shell\\open\\command", value, &size));
    EXPECT_EQ("\"" + MainExe() + "\" \"%1\"", std::string(value));
    EXPECT_EQ(0L, first.Exit());
}

// The skin archive a second start hands over: the base skin under another name, in a folder
// with a blank.
std::string MakeSecondSkin()
{
    std::string folder = TempFolder("nv start skins");
    std::string path = folder + "\\blue.csz";
    std::string base = nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN"));
    ::CopyFileA(base.c_str(), path.c_str(), FALSE);
    return path;
}

TEST(StartUp, SecondStartHandsItsPathToTheFirstAndEnds)
{
    SeedCompleteAccount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    std::string skin = MakeSecondSkin();

    const struct {
        const char* name;
        std::string args;
        std::string skin; // the skin the first instance wears afterwards
    } rows[] = {
        {"connection file in quotes, upper case", "\"C:\\in box\\A.CNI\"", ""},
        {"skin archive in quotes", "\"" + skin + "\"", "blue"},
        {"no path: only to the front", "", "blue"},
        {"other ending: only to the front", "C:\\notes.txt", "blue"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ::PostMessageA(first.main, kCommandRequest, 2, 0);
        ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindowVisible(first.main); }, 10000));
        Program second;
        ASSERT_TRUE(second.Start(MainExe(), row.args));
        if (row.args.find(".CNI") != std::string::npos)
            AnswerMessageBox(first.program, IDS_IMPORT_UNUSABLE, IDOK); // there is no such file
        EXPECT_EQ(0L, second.WaitExit()) << "the second start ends by itself";
        EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(first.main) != FALSE; }, 10000))
            << "the first instance came to the front";
        EXPECT_EQ(row.skin, RegQuery("", "Skin"));
        EXPECT_TRUE(first.program.Running());
    }
    EXPECT_EQ(0L, first.Exit());
}

// The first file is handed over as soon as the first instance's main window exists, while it is
// still being made: it must wait for the window, not be dropped.
TEST(StartUp, HandedOverConnectionFilesAreImportedAndToldWhatChanged)
{
    SeedCompleteAccount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    const std::string folder = TempFolder("nv_cni_handover");
    const std::string account = "00:1.0\r\n01:OK\r\n02:PC_Client\r\n03:login-test\r\n17:0123456789ABCDEF\r\n"
                                "18:secret\r\n";
    const struct {
        const char* name;
        std::string file;
        UINT message;
        const char* primaryDns; // in the registry afterwards
    } rows[] = {
        {"new DNS", account + "05:10.1.1.1\r\n", IDS_ACCOUNT_CHANGED, "10.1.1.1"},
        {"the same file again", account + "05:10.1.1.1\r\n", IDS_ACCOUNT_UNCHANGED, "10.1.1.1"},
        {"DNS only", account + "05:10.2.2.2\r\n", IDS_ACCOUNT_CHANGED, "10.2.2.2"},
        {"another version", "00:1.1\r\n01:OK\r\n02:PC_Client\r\n03:x\r\n05:10.3.3.3\r\n", IDS_IMPORT_UNUSABLE,
         "10.2.2.2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder + "\\account.cni";
        ASSERT_TRUE(nvtest::WriteFileBytes(path, std::vector<std::uint8_t>(row.file.begin(), row.file.end())));
        Program second;
        ASSERT_TRUE(second.Start(MainExe(), "\"" + path + "\""));
        AnswerMessageBox(first.program, row.message, IDOK);
        EXPECT_EQ(0L, second.WaitExit()) << "the second start waits for the import and then ends";
        EXPECT_NE(std::string::npos, RegQuery("NetInfo", "PrimaryDNS").find(row.primaryDns));
    }
    EXPECT_NE(std::string::npos, RegQuery("NetInfo", "LoginID").find("login-test"));
    EXPECT_EQ(0L, first.Exit());
    nvtest::RemoveTree(folder);
}

TEST(StartUp, APathTooLongForAnAtomIsRefusedVisibly)
{
    SeedCompleteAccount();
    RunningInstance first;
    ASSERT_TRUE(first.Start());
    std::string longPath = "C:\\" + std::string(300, 'x') + ".csz";
    Program second;
    ASSERT_TRUE(second.Start(MainExe(), longPath));
    AnswerMessageBox(second, IDS_HANDOVER_TOO_LONG, IDOK);
    EXPECT_EQ(0L, second.WaitExit());
    EXPECT_EQ("", RegQuery("", "Skin")) << "nothing reached the first instance";
    EXPECT_EQ(0L, first.Exit());
}

TEST(StartUp, ASecondStartDoesNotWaitForeverOnAHungFirstInstance)
{
    // This process plays a first instance that stopped answering: it holds the mutex and the
    // instance window, and does not pump while the second start hands its path over.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "VY@N_IS_RUNNING");
    ASSERT_NE(nullptr, mutex);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "Qelo_NimboVandrell";
    ::RegisterClassA(&wc);
    HWND fake = ::CreateWindowExA(WS_EX_TOOLWINDOW, "Qelo_NimboVandrell", "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, fake);
    Program second;
    ASSERT_TRUE(second.Start(MainExe(), "C:\\hung\\a.cni"));
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, second.Id());
    DWORD waited = ::WaitForSingleObject(process, 60000);
    ::CloseHandle(process);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), waited) << "the second start gave up on its own";
    EXPECT_EQ(0, ::GlobalFindAtomA("C:\\hung\\a.cni")) << "its atom was released";
    nvtest::PumpPending();
    ::DestroyWindow(fake);
    ::UnregisterClassA("Qelo_NimboVandrell", wc.hInstance);
    ::CloseHandle(mutex);
}

TEST(StartUp, AMissingAccountRunsTheSignUpProgramUntilTheUserGivesUp)
{
    // The program starts VyrnSign from its own folder: a copy of the program beside the stand-in.
    std::string folder = TempFolder("nv_signup_start");
    std::string exe = folder + "\\NimboVandrell.exe";
    std::string log = folder + "\\signup.log";
    ASSERT_TRUE(::CopyFileA(MainExe().c_str(), exe.c_str(), FALSE));
    std::string binFolder = MainExe().substr(0, MainExe().rfind('\\'));
    ASSERT_TRUE(::CopyFileA((binFolder + "\\qelo.dll").c_str(), (folder + "\\qelo.dll").c_str(), FALSE));
    // The main window needs the base skin and the archiver that unpacks it.
    ASSERT_TRUE(::CopyFileA((binFolder + "\\unlha32.dll").c_str(), (folder + "\\unlha32.dll").c_str(), FALSE));
    ::CreateDirectoryA((folder + "\\Skin").c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA((binFolder + "\\Skin\\baseskin.csz").c_str(), (folder + "\\Skin\\baseskin.csz").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(nvtest::UnixToWindowsPath(nvtest::Env("NV_SIGNUP_STANDIN")).c_str(),
                            (folder + "\\VyrnSign.exe").c_str(), FALSE));
    ::DeleteFileA(log.c_str());
    ::SetEnvironmentVariableA("NV_SIGNUP_STANDIN_LOG", log.c_str());

    // The sign-up program ends without an account: asked again (Yes), then No ends the program.
    ResetProfile();
    SetDword("", "MessageArrive", 7);
    ::SetEnvironmentVariableA("NV_SIGNUP_STANDIN_MODE", "omit");
    {
        Program program;
        ASSERT_TRUE(program.Start(exe));
        AnswerMessageBox(program, IDS_SIGNUP_RETRY, IDYES);
        AnswerMessageBox(program, IDS_SIGNUP_RETRY, IDNO);
        EXPECT_EQ(0L, program.WaitExit());
    }
    EXPECT_EQ(nullptr, ::FindWindowA("Qelo_NimboVandrell", nullptr));
    EXPECT_EQ("0x7", RegQuery("", "MessageArrive")) << "no settings are saved when the user gives up";
    EXPECT_EQ("", RegQuery("", "QueryInterval"));

    // The sign-up program writes the account: the program goes on to its host loop.
    ::SetEnvironmentVariableA("NV_SIGNUP_STANDIN_MODE", "write");
    {
        Program program;
        ASSERT_TRUE(program.Start(exe));
        HWND main = nullptr;
        ASSERT_TRUE(nvtest::PumpUntil([&] { return (main = FindWindowOf(program.Id(), IsMainWindow)) != nullptr; }, 20000));
        ::PostMessageA(main, kCommandRequest, 3, 0);
        EXPECT_EQ(0L, program.WaitExit());
    }
    EXPECT_EQ("login-standin", RegQuery("NetInfo", "LoginID"));
    EXPECT_EQ("0x0", RegQuery("", "MessageArrive"));

    char runs[256] = {};
    HANDLE file = ::CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ::ReadFile(file, runs, sizeof runs - 1, &got, nullptr);
        ::CloseHandle(file);
    }
    EXPECT_STREQ("run omit\nrun omit\nrun write\n", runs);
}

TEST(StartUp, AFailedFileTypeRegistrationEndsTheProgramWithTheInstallMessage)
{
    SeedCompleteAccount();
    // The class key becomes a registry link to nowhere, so that it can't be created.
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "cnifile");
    HKEY link = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CLASSES_ROOT, "cnifile", 0, nullptr,
                                               REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &link, nullptr));
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\NvNoSuchKey\\Target";
    ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target), sizeof target - sizeof(wchar_t));
    ::RegCloseKey(link);

    Program program;
    ASSERT_TRUE(program.Start(MainExe()));
    AnswerMessageBox(program, IDS_INSTALL_BROKEN, IDOK);
    EXPECT_EQ(0L, program.WaitExit());
    EXPECT_EQ(nullptr, ::FindWindowA("Qelo_NimboVandrell", nullptr));
    EXPECT_EQ("0x5", RegQuery("", "MessageArrive")) << "nothing is saved";

    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CLASSES_ROOT, "cnifile", REG_OPTION_OPEN_LINK, DELETE | KEY_QUERY_VALUE, &link));
    EXPECT_EQ(ERROR_SUCCESS, ::RegDeleteKeyA(link, ""));
    ::RegCloseKey(link);
}

TEST(StartUp, WhileTheSignUpProgramRunsTheProgramRefusesToStart)
{
    SeedCompleteAccount();
    // A window of the sign-up program's class stands for the running sign-up program.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SignupWindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "Qelo_Signup_App";
    ::RegisterClassA(&wc);
    HWND signup = ::CreateWindowExA(0, "Qelo_Signup_App", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, signup);
    Program program;
    ASSERT_TRUE(program.Start(MainExe()));
    AnswerMessageBox(program, IDS_SIGNUP_RUNNING, IDOK);
    EXPECT_EQ(0L, program.WaitExit());
    EXPECT_TRUE(nvtest::PumpUntil([&] { return g_signupAskedToFront; }, 5000))
        << "the sign-up program was asked to come to the front";
    ::DestroyWindow(signup);
}
