// Dialling the sign-up server over the stand-in rasapi32.dll (WINEDLLOVERRIDES=rasapi32=n): the
// account by mode, the entry removed after the dial with the user's own entry name untouched,
// and the question before another connection is dropped.
#include "signup/app/SignupApp.h"

#include "resources/StringIds.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "tests/doubles/rasapi32/StandInControl.h"
#include "tests/support/CallbackProc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct AnsweringPresenter : IMessageBoxPresenter {
    int Show(HWND, const char* text, UINT, bool) override
    {
        texts.push_back(text);
        return answer;
    }
    std::vector<std::string> texts;
    int answer = IDNO;
};

UINT_PTR g_clickTimer = 0;

// Clicks Dial of the connect dialog once it is shown (the dialog runs modally inside the call).
void ClickDialWhenShown()
{
    g_clickTimer = ::SetTimer(nullptr, 0, 20, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
            if (::IsWindowVisible(window) && ::GetDlgItem(window, IDC_DIALUP_DIAL)) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        }), reinterpret_cast<LPARAM>(&dialog));
        if (!dialog)
            return;
        ::KillTimer(nullptr, timer);
        g_clickTimer = 0;
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DIALUP_DIAL, BN_CLICKED), 0);
    }));
}

bool LogHas(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(SignupDial, TheAccountByModeTheEntryRemovedAndTheQuestionBeforeDropping)
{
    nvtest::StandInRas ras;
    ASSERT_TRUE(ras.Loaded()) << "the stand-in rasapi32.dll must be loaded";
    const struct {
        const char* name;
        int mode;
        bool otherConnection;
        int answer;
        bool dialled;
        const char* user;
    } rows[] = {
        {"new registration", 0, false, IDYES, true, "vysignup"},
        {"recovery", 2, false, IDYES, true, "vyrecover"},
        {"another connection kept", 0, true, IDNO, false, ""},
        {"another connection dropped", 2, true, IDYES, true, "vyrecover"},
    };
    for (const auto& row : rows) {
        ras.Reset();
        ASSERT_EQ(0u, ras.Script("step_ms|5"));
        ASSERT_EQ(0u, ras.Script("device|modem|Standard Modem"));
        ASSERT_EQ(0u, ras.Script("dial|0,1,2,3,5,14,18,0x2000"));
        if (row.otherConnection)
            ASSERT_EQ(0u, ras.Script("connection|Other ISP|modem|Standard Modem"));
        AnsweringPresenter presenter;
        presenter.answer = row.answer;
        IMessageBoxPresenter* previous = SetMessageBoxPresenter(&presenter);
        {
            CSignupApp app(nullptr);
            netui::SetHost(&app);
            app.m_FreeAP = "0120-000-000";
            app.m_RasEntryName = "My own entry";
            app.GetActiveSettings(true).modemName = "Standard Modem";
            app.GetActiveSettings(true).dialMode = "T";
            app.m_mode = row.mode;
            ASSERT_NE(nullptr, app.CreateRasManager(true)) << row.name;
            ClickDialWhenShown();
            EXPECT_EQ(row.dialled, app.DialSignupServer(true, nullptr)) << row.name;
            EXPECT_STREQ("My own entry", app.m_RasEntryName.GetString()) << row.name << ": the sign-up entry is not the user's";
            EXPECT_TRUE(app.m_entryName.IsEmpty()) << row.name;
            const std::vector<std::string> dials = ras.Log("RasDialA");
            EXPECT_EQ(row.dialled ? 1u : 0u, dials.size()) << row.name << (dials.size() > 1 ? "\n" + dials[0] + "\n" + dials[1] : "");
            if (row.dialled) {
                EXPECT_TRUE(LogHas(dials, std::string("\"user\":\"") + row.user + "\"")) << row.name << ": " << dials[0];
                EXPECT_FALSE(ras.Log("RasDeleteEntryA").empty()) << row.name << ": the entry goes after the dial";
            }
            EXPECT_EQ(row.otherConnection, LogHas(presenter.texts, "Other ISP")) << row.name;
            EXPECT_EQ(row.otherConnection && row.answer == IDYES, !ras.Log("RasHangUpA").empty()) << row.name;
            if (g_clickTimer) // no dialog came: the click is not left for the next row
                ::KillTimer(nullptr, g_clickTimer);
            g_clickTimer = 0;
            app.HangUp();
            netui::SetHost(nullptr);
        }
        SetMessageBoxPresenter(previous);
    }
}
