// The real file-open and colour dialogs of the settings pages, answered as a user would: a file
// typed and opened, a cancel, the colour dialog's OK.
#include "shell/settings/win/SettingsCommonDialogs.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

HHOOK g_hook = nullptr;
std::string g_typed;
bool g_cancel = false;

// Answers the common dialog as it comes up: the typed name and OK, or Cancel.
LRESULT CALLBACK Answer(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        if (std::string(cls) == "#32770") {
            if (!g_typed.empty()) {
                // The name box of the open dialog (combo cmb13, or edit edt1 of the old style).
                HWND name = ::GetDlgItem(window, 0x47C) ? ::GetDlgItem(window, 0x47C) : ::GetDlgItem(window, 0x480);
                ::SetWindowTextA(name, g_typed.c_str());
            }
            ::PostMessageA(window, WM_COMMAND, g_cancel ? IDCANCEL : IDOK, 0);
        }
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

struct HookScope {
    HookScope(const std::string& typed, bool cancel)
    {
        g_typed = typed;
        g_cancel = cancel;
        g_hook = ::SetWindowsHookExA(WH_CBT, Answer, nullptr, ::GetCurrentThreadId());
    }
    ~HookScope() { ::UnhookWindowsHookEx(g_hook); }
};

} // namespace

TEST(SettingsCommonDialogs, TheOpenDialogGivesTheChosenSoundFileOrNothing)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "nv settings chosen.wav";
    ASSERT_TRUE(nvtest::WriteFileBytes(path, {'R', 'I', 'F', 'F'}));
    {
        HookScope answer(path, false);
        CString chosen;
        EXPECT_TRUE(settingsui::ChooseSoundFile(nullptr, &chosen));
        EXPECT_STRCASEEQ(path.c_str(), chosen.GetString());
    }
    {
        HookScope answer("", true);
        CString chosen = "kept";
        EXPECT_FALSE(settingsui::ChooseSoundFile(nullptr, &chosen));
        EXPECT_STREQ("kept", chosen.GetString());
    }
    ::DeleteFileA(path.c_str());
}

TEST(SettingsCommonDialogs, TheColourDialogStartsFromTheSlotsColour)
{
    {
        HookScope answer("", false);
        COLORREF colour = RGB(12, 34, 56);
        EXPECT_TRUE(settingsui::ChooseColour(nullptr, &colour));
        EXPECT_EQ(RGB(12, 34, 56), colour);
    }
    {
        HookScope answer("", true);
        COLORREF colour = RGB(1, 2, 3);
        EXPECT_FALSE(settingsui::ChooseColour(nullptr, &colour));
        EXPECT_EQ(RGB(1, 2, 3), colour);
    }
}
