// The settings dialog in the real program: opened by the main window's settings command, its
// controls set by sent messages, OK, exit; Wine's reg.exe reads every value back and a second
// start shows the same controls. Cancel after changes leaves the profile as a start without the
// dialog leaves it.
#include "tests/support/ChildProgram.h"
#include "tests/support/RegTool.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"
#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kProfile[] = "Software\\Qelo\\NimboVandrell";
const UINT kCommandRequest = 0x40C;
const UINT kSettingsCommand = 32778;

std::string MainExe() { return nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE")); }

void SetValue(const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    std::string key = std::string(kProfile) + (*section ? std::string("\\") + section : "");
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) == 0) {
        ::RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
        ::RegCloseKey(handle);
    }
}

void SetString(const char* section, const char* name, const std::string& value)
{
    SetValue(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SetDword(const char* section, const char* name, DWORD value) { SetValue(section, name, REG_DWORD, &value, sizeof value); }

void SeedAccount()
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
    SetString("NetInfo", "LoginID", "login-test");
    SetString("NetInfo", "Comm_id", "0123456789ABCDEF");
    SetString("NetInfo", "Comm_data", scrambler::Scramble("secret"));
    SetString("NetInfo", "ConnectType", "Lan");
    SetDword("", "Flags", 0x21 | 0x40);
}

using nvtest::RunTool;

// The data column of one value as reg.exe prints it ("" when missing).
std::string RegQuery(const std::string& subKey, const std::string& name)
{
    return nvtest::RegQueryData("HKCU\\" + std::string(kProfile) + (subKey.empty() ? "" : "\\" + subKey), name);
}

// The whole profile as reg.exe exports it.
// The profile as reg.exe exports it, without the balloon's time of the week's first start (a
// time stamp that differs between any two starts).
std::string ExportProfile(const char* name)
{
    HKEY events = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kProfile) + "\\Event").c_str(), 0, KEY_SET_VALUE, &events) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueA(events, "LOGIN_WEEK");
        ::RegCloseKey(events);
    }
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + name;
    ::DeleteFileA(path.c_str());
    RunTool("reg.exe export \"HKCU\\" + std::string(kProfile) + "\" \"" + path + "\" /y");
    const auto bytes = nvtest::ReadFileBytes(path);
    ::DeleteFileA(path.c_str());
    return std::string(bytes.begin(), bytes.end());
}

struct Search {
    DWORD pid;
    int controlId;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && ::GetDlgItem(window, search->controlId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowWith(DWORD pid, int controlId)
{
    Search search{pid, controlId, nullptr};
    ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindDescendant(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    if (::GetDlgCtrlID(window) == search->controlId) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A control of one of the dialog's pages.
HWND Control(HWND dialog, int id)
{
    Search search{0, id, nullptr};
    ::EnumChildWindows(dialog, FindDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ControlText(HWND control)
{
    char text[1024] = {};
    ::SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// The main program with its settings dialog, driven as a user does.
class Program : public nvtest::ChildProgram {
public:
    bool Start()
    {
        if (!ChildProgram::Start(MainExe()))
            return false;
        return nvtest::PumpUntil([&] { return (main = FindWindowWith(Id(), IDC_MAIN_PAGE)) != nullptr; }, 30000);
    }
    // Sends the settings command and waits for the dialog.
    HWND OpenSettings()
    {
        ::PostMessageA(main, WM_COMMAND, kSettingsCommand, 0);
        HWND dialog = nullptr;
        nvtest::PumpUntil([&] {
            dialog = FindWindowWith(Id(), IDC_SET_TAB_GENERAL);
            return dialog && ::IsWindowVisible(dialog);
        }, 20000);
        return dialog;
    }
    bool WaitGone(HWND window) { return nvtest::PumpUntil([&] { return !::IsWindow(window); }, 20000); }
    long Exit()
    {
        ::PostMessageA(main, kCommandRequest, 3, 0);
        return WaitExit(30000);
    }
    HWND main = nullptr;
};

// "読みました" in code page 932.
const char kJapaneseReply[] = "\x93\xc7\x82\xdd\x82\xdc\x82\xb5\x82\xbd";

struct Edit {
    int control;
    const char* text;
};
struct Box {
    int control;
    bool checked;
};

const Edit kEdits[] = {
    {IDC_SET_HISTORY_DAYS, "7"},
    {IDC_SET_REPLY_TEXT, kJapaneseReply}, {IDC_SET_AREA_CODE, "045"}, {IDC_SET_PROXY_HOST, "proxy.local"},
    {IDC_SET_PROXY_PORT, "8080"}, {IDC_SET_WAVE_FILE, "c:\\sound\\in.wav"},
};
const Box kBoxes[] = {
    {IDC_SET_NO_BALLOONS, true}, {IDC_SET_CALLS_ENABLED, false}, {IDC_SET_ASK_RECEIPTS, false},
    {IDC_SET_TCP, true}, {IDC_SET_UDP, false}, {IDC_SET_PROXY, true},
};

// Typed key by key into the program's edits: what the edit lets in, then what is stored.
struct Typed {
    int control;
    const char* keys;
    const char* shown;   // in the edit after typing (two characters at most)
    const char* name;    // the value in the registry
    const char* stored;
    const char* shownNext; // in the edit at the next start
};
const Typed kTyped[] = {
    {IDC_SET_QUERY_INTERVAL, "123", "12", "QueryInterval", "0xc", "12"},
    {IDC_SET_ERROR_LOG_DAYS, "-1", "-1", "ErrorLogDate", "0x1e", "30"},
};

bool TypeInto(HWND edit, const Typed& typed)
{
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (const char* key = typed.keys; *key; ++key)
        ::PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(*key), 1);
    return nvtest::PumpUntil([&] { return ControlText(edit) == typed.shown; }, 10000);
}

void SetEveryPage(HWND dialog)
{
    for (const Edit& edit : kEdits)
        ::SendMessageA(Control(dialog, edit.control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(edit.text));
    for (const Box& box : kBoxes)
        ::SendMessageA(Control(dialog, box.control), BM_SETCHECK, box.checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace

TEST(SettingsInTheProgram, OkStoresEveryPageInTheRegistryAndASecondStartShowsIt)
{
    SeedAccount();
    {
        Program program;
        ASSERT_TRUE(program.Start());
        HWND dialog = program.OpenSettings();
        ASSERT_NE(nullptr, dialog);
        // Painted by the program's thread before the picture is taken.
        ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        nvtest::SaveWindowScreenshot(dialog, "settings_in_program");
        SetEveryPage(dialog);
        for (const Typed& typed : kTyped)
            EXPECT_TRUE(TypeInto(Control(dialog, typed.control), typed)) << typed.keys;
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
        EXPECT_TRUE(program.WaitGone(dialog));
        EXPECT_EQ(0L, program.Exit());
    }
    const struct {
        const char* section;
        const char* name;
        std::string expected;
    } rows[] = {
        {"", "SaveLogDate", "0x7"},
        {"", "ReplyMessage", kJapaneseReply},
        {"", "AreaCode", "045"},
        {"", "WaveFile", "c:\\sound\\in.wav"},
        {"", "Flags", "0x6e1"},         // + calls off, no read receipts, no balloons
        {"NetInfo", "Protocol", "tcp"},
        {"NetInfo", "Proxy_enable", "0x1"},
        {"NetInfo", "Proxy_host", "proxy.local"},
        {"NetInfo", "Proxy_port", "8080"},
        {"NetInfo", "ConnectType", "Lan"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "\\" + row.name);
        EXPECT_EQ(row.expected, RegQuery(row.section, row.name));
    }
    for (const Typed& typed : kTyped)
        EXPECT_EQ(typed.stored, RegQuery("", typed.name)) << typed.keys;

    Program second;
    ASSERT_TRUE(second.Start());
    HWND dialog = second.OpenSettings();
    ASSERT_NE(nullptr, dialog);
    for (const Edit& edit : kEdits) {
        SCOPED_TRACE(edit.control);
        EXPECT_EQ(edit.text, ControlText(Control(dialog, edit.control)));
    }
    for (const Typed& typed : kTyped)
        EXPECT_EQ(typed.shownNext, ControlText(Control(dialog, typed.control))) << typed.keys;
    for (const Box& box : kBoxes) {
        SCOPED_TRACE(box.control);
        EXPECT_EQ(box.checked, ::SendMessageA(Control(dialog, box.control), BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
    EXPECT_TRUE(second.WaitGone(dialog));
    EXPECT_EQ(0L, second.Exit());
}

TEST(SettingsInTheProgram, CancelAfterChangingEveryPageLeavesTheProfileAsAStartWithoutTheDialog)
{
    SeedAccount();
    {
        Program plain;
        ASSERT_TRUE(plain.Start());
        EXPECT_EQ(0L, plain.Exit());
    }
    const std::string withoutDialog = ExportProfile("nv_settings_plain.reg");
    ASSERT_FALSE(withoutDialog.empty());

    SeedAccount();
    {
        Program program;
        ASSERT_TRUE(program.Start());
        HWND dialog = program.OpenSettings();
        ASSERT_NE(nullptr, dialog);
        SetEveryPage(dialog);
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
        EXPECT_TRUE(program.WaitGone(dialog));
        EXPECT_EQ(0L, program.Exit());
    }
    EXPECT_EQ(withoutDialog, ExportProfile("nv_settings_cancel.reg"));
}
