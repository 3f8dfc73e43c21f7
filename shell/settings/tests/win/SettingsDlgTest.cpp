// The settings dialog under Wine on the base skin, with a recording host and the stand-in
// rasapi32: its tabs and pages, OK and Cancel as sequences of questions and stores, the
// connection check ended from outside, the format sample read back run by run, the modem list,
// and the charge button's failure paths.
#include "shell/settings/win/SettingsDlg.h"

#include "net/access/NetAccount.h"
#include "net/dialup/NetDialogHost.h"
#include "net/dialup/tests/StepsWhenShown.h"
#include "resources/StringIds.h"
#include "shell/notify/tests/BaseSkinScope.h"
#include "shell/settings/tests/win/RecordingSettingsHost.h"
#include "tests/doubles/rasapi32/StandInControl.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <string>
#include <vector>

namespace {

class TestToolkitHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
};

class NetHost : public INetDialogHost {
public:
    explicit NetHost(CNetInfo& info) : m_info(info) {}
    CNetInfo* GetNetInfo() override { return &m_info; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND, const CString& text, unsigned) override
    {
        boxes.push_back(text.GetString());
        return IDNO;
    }
    int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) override { return ShowMessage(owner, text, flags); }
    void SetModalState(bool) override {}
    std::vector<std::string> boxes;

private:
    CNetInfo& m_info;
};

using ProbeSettingsDlg = StepsWhenShown<CSettingsDlg>;

const UINT kTemplates[CSettingsDlg::kTabCount] = {719, 715, 716, 714, 718, 765};
const int kTabControls[CSettingsDlg::kTabCount] = {1326, 1327, 1328, 1330, 1331, 1351};
// Tool tips of each page: general none, messaging browse and play, format reset, connection
// thirteen controls, user information none, calls three.
const int kToolTips[CSettingsDlg::kTabCount] = {0, 2, 1, 13, 0, 3};

// A box of the template toggled as a user's click would.
void Toggle(HWND parent, int id) { ::SendDlgItemMessageA(parent, id, BM_CLICK, 0, 0); }

void Click(HWND parent, int id)
{
    ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(parent, id)));
}

void ChooseItem(HWND page, int id, int index)
{
    ::SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
}

std::string Text(HWND window, int id)
{
    char text[1024] = {};
    ::GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

std::string Load(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.GetString();
}

// The visible pages, by index.
std::vector<int> VisiblePages(CSettingsDlg& dialog)
{
    std::vector<int> shown;
    for (int i = 0; i < CSettingsDlg::kTabCount; ++i)
        if (::IsWindowVisible(dialog.Page(i)->GetSafeHwnd()))
            shown.push_back(i);
    return shown;
}

std::vector<int> PressedTabs(CSettingsDlg& dialog)
{
    std::vector<int> pressed;
    for (int i = 0; i < CSettingsDlg::kTabCount; ++i)
        if (dialog.TabButton(i).GetState() == skin::kButtonPressed)
            pressed.push_back(i);
    return pressed;
}

class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.Start("nv settings test", &toolkitHost));
        ASSERT_TRUE(ras.Loaded()) << "the stand-in rasapi32.dll must be loaded";
        ras.Reset();
        ras.Script("device|modem|Modem A");
        ras.Script("device|isdn|Adapter B");
        host.info.SetProfileStore(&profile);
        host.info.Load("Signup", "NetInfo");
        host.info.m_state |= CNetInfo::kDialupLibraryPresent;
        host.info.SetConnectionSettings(true, 0, false, "", "", "", "");
        host.info.SetDialupEntry("Adapter B", "");
        netui::SetHost(&netHost);
    }
    void TearDown() override
    {
        netui::SetHost(nullptr);
        skin.Stop();
    }
    // Runs the dialog with steps run once it is shown; returns DoModal's result.
    INT_PTR Run(int initialPage, const std::function<void(CSettingsDlg&, HWND)>& steps)
    {
        ProbeSettingsDlg dialog(nullptr, initialPage, host);
        dialog.steps = [&](HWND window) { steps(dialog, window); };
        return dialog.DoModal();
    }

    TestToolkitHost toolkitHost;
    CBaseSkinScope skin;
    nvtest::StandInRas ras;
    CMemoryProfile profile;
    RecordingSettingsHost host;
    NetHost netHost{host.info};
};

} // namespace

TEST_F(SettingsDlgTest, EachTabShowsItsPageAloneWithItsTabPressed)
{
    std::vector<std::string> failures;
    const INT_PTR result = Run(0, [&](CSettingsDlg& dialog, HWND window) {
        for (int i = 0; i < CSettingsDlg::kTabCount; ++i) {
            EXPECT_EQ(kTemplates[i], dialog.Page(i)->GetTemplateId()) << "page " << i;
            EXPECT_EQ(kToolTips[i], dialog.Page(i)->GetToolTipCount()) << "page " << i;
            Click(window, kTabControls[i]);
            EXPECT_EQ(std::vector<int>{i}, VisiblePages(dialog)) << "tab " << i;
            EXPECT_EQ(std::vector<int>{i}, PressedTabs(dialog)) << "tab " << i;
            RECT page;
            ::GetWindowRect(dialog.Page(i)->GetSafeHwnd(), &page);
            ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&page), 2);
            EXPECT_EQ(CSettingsDlg::kPageX, page.left);
            EXPECT_EQ(CSettingsDlg::kPageY, page.top);
            EXPECT_EQ(CSettingsDlg::kPageWidth, page.right - page.left);
            ::UpdateWindow(window);
            nvtest::PumpPending();
            nvtest::SaveWindowScreenshot(window, "settings_page_" + std::to_string(i));
        }
        Click(window, IDC_SET_CLOSE);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(SettingsDlgTest, InitialPageOutsideTheTabsShowsNone)
{
    const struct {
        int initial;
        std::vector<int> shown;
    } rows[] = {{3, {3}}, {6, {}}, {-1, {}}, {0, {0}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.initial);
        std::vector<int> shown, pressed;
        Run(row.initial, [&](CSettingsDlg& dialog, HWND window) {
            shown = VisiblePages(dialog);
            pressed = PressedTabs(dialog);
            Click(window, IDCANCEL);
        });
        EXPECT_EQ(row.shown, shown);
        EXPECT_EQ(row.shown, pressed);
    }
}

TEST_F(SettingsDlgTest, OkStoresEveryPageAfterTheQuestionsCancelStoresNone)
{
    host.settings.m_flags = 0;
    host.settings.m_queryInterval = 10;
    const struct {
        const char* name;
        int button;       // IDOK, IDCANCEL, the close button, or 0 for Esc in a page
        INT_PTR result;
        uint16_t interval;
        const char* reply;
    } rows[] = {
        {"ok", IDOK, IDOK, 5, "read it"},
        {"cancel", IDCANCEL, IDCANCEL, 10, "old"},
        {"close", IDC_SET_CLOSE, IDCANCEL, 10, "old"},
        {"escape in a page", 0, IDCANCEL, 10, "old"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.settings.m_queryInterval = 10;
        host.settings.m_replyMessage = "old";
        host.log.clear();
        const INT_PTR result = Run(0, [&](CSettingsDlg& dialog, HWND window) {
            HWND general = dialog.Page(settingsrules::kPageGeneral)->GetSafeHwnd();
            ::SetDlgItemTextA(general, IDC_SET_QUERY_INTERVAL, "-1");
            HWND messaging = dialog.Page(settingsrules::kPageMessaging)->GetSafeHwnd();
            ::SetDlgItemTextA(messaging, IDC_SET_REPLY_TEXT, "read it");
            if (row.button) {
                Click(window, row.button);
            } else {
                HWND edit = ::GetDlgItem(general, IDC_SET_QUERY_INTERVAL);
                ::SetFocus(edit);
                ::PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
            }
        });
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.interval, host.settings.m_queryInterval) << "\"-1\" stores the default";
        EXPECT_STREQ(row.reply, host.settings.m_replyMessage.GetString());
        if (row.result == IDOK)
            EXPECT_EQ((std::vector<std::string>{"url sending off", "interval 5"}), host.log);
        else
            EXPECT_TRUE(host.log.empty()) << host.log.front();
    }
}

TEST_F(SettingsDlgTest, HomePagePresetsBecomeTheirPages)
{
    const struct {
        const char* name;
        int item; // 0 the stored page, 1 the current page, 2 the standard room page
        const char* stored;
        const char* inTheBox;
    } rows[] = {
        {"stored", 0, "http://stored/", "http://stored/"},
        {"current page", 1, "http://current/", "http://current/"},
        {"standard", 2, "http://room/", "http://room/"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.settings.m_homePage = "http://stored/";
        std::string shown;
        Run(0, [&](CSettingsDlg& dialog, HWND window) {
            HWND page = dialog.Page(settingsrules::kPageGeneral)->GetSafeHwnd();
            ChooseItem(page, IDC_SET_HOME_PAGE, row.item);
            nvtest::PumpPending();
            shown = Text(page, IDC_SET_HOME_PAGE);
            Click(window, IDOK);
        });
        EXPECT_EQ(row.inTheBox, shown);
        EXPECT_STREQ(row.stored, host.settings.m_homePage.GetString());
    }
}

TEST_F(SettingsDlgTest, CancelRestoresTheConnectionSettingsWholeAfterACheckWhileLoggedIn)
{
    host.loggedIn = true;
    host.answers[IDS_SET_CHECK_LOGOUT] = IDYES;
    const NetConnectSettings before = host.info.LiveConnectSettings();
    const INT_PTR result = Run(3, [&](CSettingsDlg& dialog, HWND window) {
        HWND page = dialog.Page(settingsrules::kPageConnection)->GetSafeHwnd();
        Click(page, IDC_SET_TCP);
        Toggle(page, IDC_SET_PROXY); // the browser's proxy fills the empty host
        EXPECT_EQ("browser-proxy", Text(page, IDC_SET_PROXY_HOST));
        Click(page, IDC_SET_CHECK);
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_FALSE(host.info.IsFrozen());
    EXPECT_EQ(before.protocol, host.info.LiveConnectSettings().protocol);
    EXPECT_EQ(before.flags, host.info.LiveConnectSettings().flags);
    EXPECT_EQ(before.proxyHost, host.info.LiveConnectSettings().proxyHost);
    EXPECT_EQ((std::vector<std::string>{"msg 307", "log out", "create session", "login", "message client 2",
                                        "logout session", "delete session", "msg 308"}),
              host.LogFrom("msg 307"));
}

TEST_F(SettingsDlgTest, EndingDuringACheckWaitsUntilTheCheckHasUnwound)
{
    const struct {
        const char* name;
        int button;
        int answer309;
        INT_PTR result;
        std::vector<std::string> log;
    } rows[] = {
        {"ok, yes", IDOK, IDYES, IDOK,
         {"create session", "login", "msg 309", "cancel", "logout session", "delete session", "interval 5"}},
        {"close, yes", IDC_SET_CLOSE, IDYES, IDCANCEL,
         {"create session", "login", "msg 309", "cancel", "logout session", "delete session"}},
        {"cancel, no", IDCANCEL, IDNO, IDCANCEL,
         {"create session", "login", "msg 309", "message client 2", "logout session", "delete session", "msg 308"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.log.clear();
        host.answers[IDS_SET_END_CHECK] = row.answer309;
        bool pageAliveAfterLogin = false;
        HWND dialogWindow = nullptr;
        host.prepareSession = [&](RecordingCheckSession& session) {
            session.duringLogin = [&](RecordingCheckSession&) {
                // The user ends the dialog while the session waits in a loop of its own.
                Click(dialogWindow, row.button);
                nvtest::PumpPending();
                pageAliveAfterLogin = ::IsWindow(dialogWindow) != FALSE;
            };
        };
        const INT_PTR result = Run(3, [&](CSettingsDlg& dialog, HWND window) {
            dialogWindow = window;
            Click(dialog.Page(settingsrules::kPageConnection)->GetSafeHwnd(), IDC_SET_CHECK);
            if (row.answer309 != IDYES)
                Click(window, IDCANCEL); // the check is over: this ends it
        });
        EXPECT_EQ(row.result, result);
        EXPECT_TRUE(pageAliveAfterLogin);
        std::vector<std::string> log = host.log;
        if (row.answer309 != IDYES)
            log.resize(row.log.size());
        EXPECT_EQ(row.log, log);
    }
    host.prepareSession = nullptr;
}

TEST_F(SettingsDlgTest, CheckFailuresGiveTheirMessages)
{
    const struct {
        const char* name;
        bool available;
        int loginResult, lastError;
        bool answers;
        std::vector<std::string> messages;
    } rows[] = {
        {"no session", false, 0, 0, true, {"msg 213"}},
        {"login refused", true, -1, 13001, true, {"msg 113 #13001"}},
        {"message server silent", true, 0, 0, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.log.clear();
        host.sessionAvailable = row.available;
        host.prepareSession = [&](RecordingCheckSession& session) {
            session.loginResult = row.loginResult;
            session.lastError = row.lastError;
            session.messageServerAnswers = row.answers;
        };
        Run(3, [&](CSettingsDlg& dialog, HWND window) {
            Click(dialog.Page(settingsrules::kPageConnection)->GetSafeHwnd(), IDC_SET_CHECK);
            Click(window, IDCANCEL);
        });
        std::vector<std::string> shown;
        for (const std::string& line : host.log)
            if (line.rfind("msg ", 0) == 0 || line.rfind("text ", 0) == 0)
                shown.push_back(line);
        std::vector<std::string> expected = row.messages;
        const std::string code = row.available ? (row.lastError ? "#13001" : "#-1") : "#-1";
        CString text;
        text.Format(Load(IDS_SET_CHECK_FAILED).c_str(), code.c_str());
        expected.push_back(std::string("text ") + text.GetString());
        EXPECT_EQ(expected, shown);
    }
    host.sessionAvailable = true;
    host.prepareSession = nullptr;
}

TEST_F(SettingsDlgTest, ModemListFromTheDialupServiceAndThePlaceholderNeverStored)
{
    const struct {
        const char* name;
        bool devices;
        std::vector<std::string> items;
        const char* stored;
    } rows[] = {
        {"two devices", true, {"Modem A", "Adapter B"}, "Modem A"},
        {"no device", false, {Load(IDS_NO_MODEM_ITEM)}, "Adapter B"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ras.Reset();
        if (row.devices) {
            ras.Script("device|modem|Modem A");
            ras.Script("device|isdn|Adapter B");
        }
        host.info.SetDialupEntry("Adapter B", "");
        std::vector<std::string> items;
        std::string selected;
        bool modemRadio = false;
        Run(3, [&](CSettingsDlg& dialog, HWND window) {
            HWND page = dialog.Page(settingsrules::kPageConnection)->GetSafeHwnd();
            HWND combo = ::GetDlgItem(page, IDC_SET_MODEM);
            const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char text[256] = {};
                ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                items.push_back(text);
            }
            selected = Text(page, IDC_SET_MODEM);
            modemRadio = ::IsWindowEnabled(::GetDlgItem(page, IDC_SET_MODEM_RADIO)) != FALSE;
            Click(page, IDC_SET_MODEM_RADIO);
            if (row.devices) {
                host.detailsModem = "Modem A";
                Click(page, IDC_SET_DETAILS);
                EXPECT_EQ("Modem A", Text(page, IDC_SET_MODEM));
            }
            Click(window, IDOK);
        });
        EXPECT_EQ(row.items, items);
        EXPECT_EQ(row.devices, modemRadio);
        EXPECT_STREQ(row.stored, host.info.LiveConnectSettings().modemName.GetString());
        EXPECT_STREQ("Dialup", host.info.LiveConnectSettings().connectType.GetString());
        if (row.devices) {
            EXPECT_EQ("Adapter B", selected) << "the settings' modem is chosen";
        }
        host.info.SetConnectionSettings(true, 0, false, "", "", "", "");
    }
}

TEST_F(SettingsDlgTest, FormatSampleReadBackRunByRun)
{
    FontSlot* fonts = host.settings.m_fonts;
    fonts[0].size = 12;
    fonts[0].color = RGB(200, 0, 0);
    fonts[1].size = 16;
    fonts[1].color = RGB(0, 120, 0);
    fonts[2].size = 8;
    fonts[3].size = 20;
    fonts[3].color = RGB(0, 0, 160);
    const FontSlot before[4] = {fonts[0], fonts[1], fonts[2], fonts[3]};
    std::vector<CHARFORMATA> chatRuns, messagingRuns;
    std::string chatText;
    Run(2, [&](CSettingsDlg& dialog, HWND window) {
        auto* page = static_cast<CSetFormatPage*>(dialog.Page(settingsrules::kPageFormat));
        CRichEditCtrl& sample = page->Sample();
        chatText = Text(page->GetSafeHwnd(), IDC_SET_SAMPLE);
        // Nickname, message and system message: one character inside each run.
        const long nick = 1, message = static_cast<long>(Load(IDS_SET_SAMPLE_NICK).size()) + 1;
        for (long at : {nick, message, sample.GetTextLength() - 1}) {
            CHARFORMATA f = {};
            sample.SetSel(at, at + 1);
            sample.GetSelectionCharFormat(f);
            chatRuns.push_back(f);
        }
        ChooseItem(page->GetSafeHwnd(), IDC_SET_ITEM, 3);
        CHARFORMATA f = {};
        sample.SetSel(0, 1);
        sample.GetSelectionCharFormat(f);
        messagingRuns.push_back(f);
        // Changes to slot 3 and a reset, then Cancel: the table comes back whole.
        ChooseItem(page->GetSafeHwnd(), IDC_SET_SIZE, 0);
        Click(page->GetSafeHwnd(), IDC_SET_COLOR);
        ChooseItem(page->GetSafeHwnd(), IDC_SET_ITEM, 1);
        EXPECT_TRUE(page->GetSafeHwnd() && ::GetDlgItem(page->GetSafeHwnd(), IDC_SET_COLOR));
        Click(page->GetSafeHwnd(), IDC_SET_RESET);
        EXPECT_EQ(RGB(0, 120, 0), host.settings.m_fonts[1].color) << "reset keeps slot 1's colour";
        EXPECT_EQ(10, host.settings.m_fonts[3].size);
        nvtest::SaveWindowScreenshot(window, "settings_format_after_reset");
        Click(window, IDCANCEL);
    });
    ASSERT_EQ(3u, chatRuns.size());
    const int slots[3] = {0, 1, 2};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const FontSlot& slot = before[slots[i]];
        EXPECT_EQ(slot.size * 20, chatRuns[static_cast<std::size_t>(i)].yHeight);
        EXPECT_EQ(slot.color, chatRuns[static_cast<std::size_t>(i)].crTextColor);
        EXPECT_STREQ(slot.face, chatRuns[static_cast<std::size_t>(i)].szFaceName);
    }
    ASSERT_EQ(1u, messagingRuns.size());
    EXPECT_EQ(20 * 20, messagingRuns[0].yHeight);
    EXPECT_EQ(RGB(0, 0, 160), messagingRuns[0].crTextColor);
    EXPECT_NE(std::string::npos, chatText.find(Load(IDS_SET_SAMPLE_SYSTEM)));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(before[i].size, host.settings.m_fonts[i].size);
        EXPECT_EQ(before[i].color, host.settings.m_fonts[i].color);
        EXPECT_STREQ(before[i].face, host.settings.m_fonts[i].face);
    }
}

TEST_F(SettingsDlgTest, ChargeButtonComesBackOnEveryFailurePath)
{
    // Not on the LAN: the charge line is dialled over the stand-in service.
    host.info.SetConnectionSettings(false, 0, false, "", "", "", "");
    const struct {
        const char* name;
        bool dialer, loggedIn;
        int answer;
        std::vector<std::string> log;
        bool chargeShown;
    } rows[] = {
        {"no dialer", false, false, IDYES, {"charge dialer"}, false},
        {"no to 14630", true, false, IDNO, {"charge dialer", "msg 14641"}, false},
        {"cancel to 14629", true, true, IDCANCEL, {"charge dialer", "msg 14640"}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.log.clear();
        host.withDialer = row.dialer;
        host.loggedIn = row.loggedIn;
        host.answers[IDS_SET_CHARGE_DIAL] = row.answer;
        host.answers[IDS_SET_CHARGE_REDIAL] = row.answer;
        bool enabledAfter = false, shown = true;
        Run(4, [&](CSettingsDlg& dialog, HWND window) {
            auto* page = static_cast<CSetUserInfoPage*>(dialog.Page(settingsrules::kPageUserInfo));
            EXPECT_EQ("account summary", Text(page->GetSafeHwnd(), IDC_SET_NETWORK_INFO));
            Click(page->GetSafeHwnd(), IDC_SET_CHARGES);
            auto* button = static_cast<CSkinButton*>(CWnd::FromHandlePermanent(page->GetDlgItem(IDC_SET_CHARGES)));
            enabledAfter = button && !button->IsDisabled();
            shown = page->IsChargeShown();
            Click(window, IDCANCEL);
        });
        EXPECT_TRUE(enabledAfter);
        EXPECT_EQ(row.chargeShown, shown);
        std::vector<std::string> log = host.log;
        if (log.size() > row.log.size())
            log.resize(row.log.size());
        EXPECT_EQ(row.log, log);
    }
    host.withDialer = true;
}

TEST_F(SettingsDlgTest, ChargePageOnTheLanWithoutQuestionAndEndedByOk)
{
    Run(4, [&](CSettingsDlg& dialog, HWND window) {
        Click(dialog.Page(settingsrules::kPageUserInfo)->GetSafeHwnd(), IDC_SET_CHARGES);
        Click(window, IDOK);
    });
    EXPECT_EQ((std::vector<std::string>{"charge page", "close windows", "end charge page", "interval 5"}), host.log);
}

HHOOK g_dialHook = nullptr;

// Clicks Dial on the connect dialog of the charge line as it comes up.
LRESULT CALLBACK ClickDial(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (HWND dial = ::GetDlgItem(window, IDC_DIALUP_DIAL))
            ::PostMessageA(dial, BM_CLICK, 0, 0);
    }
    return CallNextHookEx(g_dialHook, code, wParam, lParam);
}

TEST_F(SettingsDlgTest, ChargeLineDialledOverTheStandInAndHungUpWhenTheDialogEnds)
{
    host.info.m_FreeAP = "0120-000-000";
    host.info.SetConnectionSettings(false, 0, false, "", "", "", "");
    const struct {
        const char* name;
        int answer266;
        INT_PTR result;
        std::vector<std::string> log;
    } rows[] = {
        {"no keeps the dialog and the line", IDNO, IDCANCEL,
         {"charge dialer", "msg 14641", "charge page", "msg 266", "msg 266", "close windows", "end charge page, hung up"}},
        {"yes hangs up", IDYES, IDCANCEL,
         {"charge dialer", "msg 14641", "charge page", "msg 266", "close windows", "end charge page, hung up"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        host.log.clear();
        host.answers[IDS_SET_CHARGE_DIAL] = IDYES;
        host.answers[IDS_SET_END_CHARGE] = row.answer266;
        bool connectedWhileOpen = false, openAfterNo = false;
        g_dialHook = SetWindowsHookExA(WH_CBT, ClickDial, nullptr, GetCurrentThreadId());
        const INT_PTR result = Run(4, [&](CSettingsDlg& dialog, HWND window) {
            auto* page = static_cast<CSetUserInfoPage*>(dialog.Page(settingsrules::kPageUserInfo));
            Click(page->GetSafeHwnd(), IDC_SET_CHARGES);
            connectedWhileOpen = page->HoldsChargeLine() && page->IsChargeShown();
            Click(window, IDCANCEL);
            openAfterNo = ::IsWindow(window) && page->HoldsChargeLine();
            if (row.answer266 == IDNO) {
                host.answers[IDS_SET_END_CHARGE] = IDYES;
                Click(window, IDCANCEL);
            }
        });
        UnhookWindowsHookEx(g_dialHook);
        EXPECT_EQ(row.result, result);
        EXPECT_TRUE(connectedWhileOpen);
        EXPECT_EQ(row.answer266 == IDNO, openAfterNo);
        EXPECT_EQ(row.log, host.log);
        CRasApi check;
        CString active;
        EXPECT_FALSE(check.GetActiveEntryNames(&active)) << active.GetString();
    }
}
