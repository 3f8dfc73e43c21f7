// The sign-up program's last pages under Wine (LAN only) against the sign-up service peer, with
// the recording browser: a new registration through all seven pages and the course-change
// dialog, a recovery through pages 5 to 7, and what page 5 shows after each kind of failure of
// the verification page.
#include "signup/wizard/tests/WizardDriver.h"

#include "net/forms/win/HttpPostForm.h"
#include "resources/StringIds.h"
#include "signup/wizard/SignWizardIds.h"
#include "tests/support/RegTool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace wizdrive;

const char kBrowserAppPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
constexpr int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025;

// Options of the peer for the requests that follow.
void Control(const std::string& body)
{
    CString reply;
    std::uint32_t error = 0;
    bool sent = false;
    for (int attempt = 0; attempt < 3 && !sent; ++attempt)
        sent = HttpPostForm((PeerRoot() + "/").c_str(), "/_control", CString(body.c_str()), &reply, &error);
    ASSERT_TRUE(sent) << error;
}

void SetBrowserInstalled(bool installed)
{
    if (!installed) {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kBrowserAppPath);
        return;
    }
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBrowserAppPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                               &key, nullptr));
    const char path[] = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
    ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path);
    ::RegCloseKey(key);
}

std::string ReadAll(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = nvtest::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

struct BoxSearch {
    DWORD pid;
    HWND found;
    std::string text;
};

// Any message box of the program, with its text.
HWND FindAnyBox(DWORD pid, std::string* text)
{
    BoxSearch search{pid, nullptr, {}};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<BoxSearch*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        char cls[64] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        if (owner != s->pid || !::IsWindowVisible(window) || std::string(cls) != "#32770" || !::GetDlgItem(window, 0xFFFF))
            return TRUE;
        char text[2048] = {};
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        s->found = window;
        s->text = text;
        return FALSE;
    }), reinterpret_cast<LPARAM>(&search));
    if (text)
        *text = search.text;
    return search.found;
}

// The course-change dialog: the program's window with the text control 1126 and the button 1127.
HWND FindCourseDialog(DWORD pid)
{
    BoxSearch search{pid, nullptr, {}};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<BoxSearch*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->pid && ::IsWindowVisible(window) && ::GetDlgItem(window, IDC_CC_TEXT) &&
            ::GetDlgItem(window, IDC_CC_QUIT)) {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }), reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND dialog, int id) { ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id))); }

HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void SetField(HWND page, int id, const char* text)
{
    ::SendMessageA(::GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

class SignWizardEnd : public ::testing::Test {
protected:
    // An empty profile but for the peer's address.
    static void ResetProfile()
    {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
        SetString("Servers", "SignupPage", PeerRoot() + "/");
        SetString("Servers", "ProfilePage", PeerRoot() + "/");
    }
    void SetUp() override
    {
        ResetProfile();
        SetBrowserInstalled(true);
        Control("switch=ok&switch_on=signup&odd_password=");
        char temp[MAX_PATH] = {};
        ::GetTempPathA(sizeof temp, temp);
        m_browserLog = std::string(temp) + "nv_signup_browser.log";
        ::DeleteFileA(m_browserLog.c_str());
        ::SetEnvironmentVariableA("NV_BROWSER_LOG", m_browserLog.c_str());
        ::SetEnvironmentVariableA("NV_BROWSER_FAIL", nullptr);
    }
    void TearDown() override
    {
        Control("switch=ok&switch_on=signup&odd_password=");
        SetBrowserInstalled(true);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
    }

    HWND StartToFirstPage()
    {
        if (!m_program->Start())
            return nullptr;
        HWND box = nullptr;
        nvtest::PumpUntil([&] { return (box = FindOf(m_program->Id(), LoadText(IDS_SU_NO_DIALUP_AT_START), true)) != nullptr; },
                          20000);
        if (!box)
            return nullptr;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        HWND sheet = nullptr;
        nvtest::PumpUntil([&] { return (sheet = FindOf(m_program->Id(), LoadText(IDS_SW_CAPTION), false)) != nullptr &&
                                       ActivePage(sheet) != nullptr; },
                          20000);
        return sheet;
    }

    bool AtPage(HWND sheet, int index, DWORD timeoutMs = 20000)
    {
        return nvtest::PumpUntil([&] { return ActiveIndex(sheet) == index; }, timeoutMs);
    }

    // A new registration from page 1 up to the login-data page (index 4).
    HWND RegisterToLoginData()
    {
        m_stoppedAt = "page 1";
        HWND sheet = StartToFirstPage();
        if (!sheet)
            return nullptr;
        PressNext(sheet);
        m_stoppedAt = "the terms";
        if (!AtPage(sheet, 1) ||
            !nvtest::PumpUntil([&] { return TextOf(Button(sheet, kNext)) == LoadText(IDS_SW_AGREE); }, 20000))
            return nullptr;
        PressNext(sheet);
        m_stoppedAt = "the user data";
        if (!AtPage(sheet, 2))
            return nullptr;
        HWND page = ActivePage(sheet);
        const struct {
            int id;
            const char* text;
        } fields[] = {{IDC_SW_KANA, "\xd4\xcf\xc0\xde"}, {IDC_SW_KANA2, "\xc0\xdb\xb3"}, {IDC_SW_NAME, "\x8e\x52\x93\x63"},
                      {IDC_SW_NAME2, "\x91\xbe\x98\x59"}, {IDC_SW_ZIP, "100"},          {IDC_SW_ZIP2, "0001"},
                      {IDC_SW_ADDRESS1, "Tokyo 1-2"},      {IDC_SW_TEL, "03"},           {IDC_SW_TEL2, "1234"},
                      {IDC_SW_TEL3, "5678"},               {IDC_SW_VERK, "endusr1"},     {IDC_SW_VERK2, "endusr2"},
                      {IDC_SW_VERK3, "endusr3"}};
        for (const auto& field : fields)
            SetField(page, field.id, field.text);
        if (!nvtest::PumpUntil([&] { return Enabled(sheet, kNext); }, 5000))
            return nullptr;
        PressNext(sheet);
        m_stoppedAt = "the confirmation";
        if (!AtPage(sheet, 3))
            return nullptr;
        PressNext(sheet);
        m_stoppedAt = "the sign-up";
        return AtPage(sheet, 4) ? sheet : nullptr;
    }

    // From the login-data page of a new registration to the open course-change dialog.
    HWND OnToCourseChange(HWND sheet, const char* name)
    {
        SetField(ActivePage(sheet), IDC_SW_COMM_NAME, name);
        PressNext(sheet);
        if (!AtPage(sheet, 5))
            return nullptr;
        PressNext(sheet);
        if (!AtPage(sheet, 6))
            return nullptr;
        HWND dialog = nullptr;
        nvtest::PumpUntil([&] { return (dialog = FindCourseDialog(m_program->Id())) != nullptr; }, 20000);
        return dialog;
    }

    std::unique_ptr<Program> m_program = std::make_unique<Program>();
    std::string m_browserLog;
    std::string m_stoppedAt; // where RegisterToLoginData stopped
};

} // namespace

TEST_F(SignWizardEnd, NewRegistrationThroughAllSevenPagesToFinish)
{
    // The issued password carries "&", "=", "+" and "%".
    Control("odd_password=1");
    HWND sheet = RegisterToLoginData();
    ASSERT_NE(nullptr, sheet) << "a new registration reaches the login-data page; windows:\n" << Describe(m_program->Id());
    const std::string login = GetString("NetInfo", "LoginID");
    ASSERT_EQ(0u, login.find("nv")) << "the sign-up's account is saved: " << login;

    // Page 5: the server's login data, shown and fixed; a name is still needed.
    HWND page = ActivePage(sheet);
    HWND loginField = ::GetDlgItem(page, IDC_SW_LOGIN_ID), passwordField = ::GetDlgItem(page, IDC_SW_LOGIN_PASSWORD);
    EXPECT_EQ(login, TextOf(loginField));
    const std::string password = TextOf(passwordField);
    EXPECT_EQ(0u, password.find("pw")) << password;
    EXPECT_TRUE(::GetWindowLongA(loginField, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(::GetWindowLongA(passwordField, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(0, ::SendMessageA(passwordField, EM_GETPASSWORDCHAR, 0, 0)) << "the given password is shown in clear";
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_SIGNUP_DONE)), Unbroken(TextOf(::GetDlgItem(page, IDC_SW_REST_PROMPT))));
    EXPECT_FALSE(Enabled(sheet, kBack));
    EXPECT_FALSE(Enabled(sheet, IDCANCEL));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !Enabled(sheet, kNext); }, 5000)) << "no Next without a name";
    SetField(page, IDC_SW_COMM_NAME, "\xc6\xaf\xb8\x31"); // ﾆｯｸ1
    EXPECT_TRUE(Enabled(sheet, kNext));
    // The name keeps its limit of 16.
    SetField(page, IDC_SW_COMM_NAME, "");
    for (int i = 0; i < 20; ++i)
        ::SendMessageA(::GetDlgItem(page, IDC_SW_COMM_NAME), WM_CHAR, 'a' + i, 0);
    EXPECT_EQ(16u, TextOf(::GetDlgItem(page, IDC_SW_COMM_NAME)).size());
    SetField(page, IDC_SW_COMM_NAME, "\xc6\xaf\xb8\x31");
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page5");

    // Page 6: what will be sent, asked with yes / no.
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 5));
    page = ActivePage(sheet);
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_CONFIRM_ASK)), Unbroken(TextOf(::GetDlgItem(page, IDC_SW_VERIFY_PROMPT))));
    const std::string data = TextOf(::GetDlgItem(page, IDC_SW_VERIFY_DATA));
    EXPECT_NE(std::string::npos, data.find(login)) << data;
    EXPECT_NE(std::string::npos, data.find("\xc6\xaf\xb8\x31")) << data;
    EXPECT_EQ(LoadText(IDS_SW_YES), TextOf(Button(sheet, kNext)));
    EXPECT_TRUE(Enabled(sheet, IDCANCEL));
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page6");
    const std::size_t mark = PeerLog().size();

    // Yes: verification and a new communication ID, then page 7 and the course-change dialog.
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 6)) << Describe(m_program->Id());
    HWND dialog = nullptr;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (dialog = FindCourseDialog(m_program->Id())) != nullptr; }, 20000))
        << Describe(m_program->Id());
    const std::string requests = PeerLog().substr(mark);
    const std::size_t recovery = requests.find("\"recovery\""), commid = requests.find("\"commid\"");
    ASSERT_NE(std::string::npos, recovery) << requests;
    ASSERT_NE(std::string::npos, commid) << requests;
    EXPECT_LT(recovery, commid);
    const std::string commId = GetString("NetInfo", "Comm_id");
    EXPECT_EQ(0u, commId.find("C")) << "saved before page 7: " << commId;
    EXPECT_EQ("\xc6\xaf\xb8\x31", GetString("NetInfo", "Comm_name"));
    const std::string commData = nvtest::RegQueryData("HKCU\\" + std::string(kProfile) + "\\NetInfo", "Comm_data");
    EXPECT_FALSE(commData.empty());
    EXPECT_EQ(std::string::npos, commData.find("cpw")) << "the communication password is stored scrambled";
    page = ActivePage(sheet);
    const std::string info = TextOf(::GetDlgItem(page, IDC_SW_END_INFO));
    EXPECT_NE(std::string::npos, info.find(commId)) << info;
    EXPECT_NE(std::string::npos, info.find("pop.example")) << info;
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_END_DONE)), Unbroken(TextOf(::GetDlgItem(page, IDC_SW_END_TEXT))));
    EXPECT_FALSE(::IsWindowEnabled(Button(sheet, kFinish))) << "Finish waits for the course-change dialog";
    EXPECT_FALSE(::IsWindowVisible(Button(sheet, IDCANCEL)));
    EXPECT_EQ(Unbroken(LoadText(IDS_CC_INTRO)), Unbroken(TextOf(::GetDlgItem(dialog, IDC_CC_TEXT))));
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page7");
    nvtest::SaveWindowScreenshot(dialog, "signwiz_course_change");

    // The course change: the charge page of this account in the browser.
    Click(dialog, IDOK);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadAll(m_browserLog).find("open ") != std::string::npos; }, 10000));
    std::string base = LoadText(IDS_CC_CHARGE_URL);
    if (!base.empty() && base.back() == '/')
        base.pop_back();
    // The password's own "&", "=", "+" and "%" are encoded: the query keeps its two fields.
    ASSERT_EQ("&=+%", password.substr(password.size() - 4));
    EXPECT_EQ("open " + base + "/charge_pc/chg/NCSConectMenu_PC.cgi?login_id=" + login + "&login_password=" +
                  password.substr(0, password.size() - 4) + "%26%3D%2B%25\n",
              ReadAll(m_browserLog));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return TextOf(::GetDlgItem(dialog, IDC_CC_QUIT)) == LoadText(IDS_CC_QUIT_LABEL); }, 5000));
    EXPECT_EQ(Unbroken(LoadText(IDS_CC_IN_BROWSER)), Unbroken(TextOf(::GetDlgItem(dialog, IDC_CC_TEXT))));
    nvtest::SaveWindowScreenshot(dialog, "signwiz_course_change_open");

    // Quitting before the change is done asks; No stays, Yes ends the dialog and closes the browser.
    for (int answer : {IDNO, IDYES}) {
        Click(dialog, IDC_CC_QUIT);
        HWND box = nullptr;
        ASSERT_TRUE(nvtest::PumpUntil([&] { return (box = FindOf(m_program->Id(), LoadText(IDS_CC_ASK_QUIT), true)) != nullptr; },
                                      10000))
            << Describe(m_program->Id());
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(box); }, 10000));
        if (answer == IDNO) {
            ::SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
            EXPECT_TRUE(::IsWindow(dialog)) << "No keeps the dialog";
        }
    }
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(dialog); }, 10000));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowEnabled(Button(sheet, kFinish)) != FALSE; }, 10000));
    EXPECT_NE(std::string::npos, ReadAll(m_browserLog).find("\nclose\n")) << ReadAll(m_browserLog);

    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    EXPECT_EQ(0, m_program->WaitExit());
    EXPECT_EQ(login, GetString("NetInfo", "LoginID"));
    EXPECT_EQ(commId, GetString("NetInfo", "Comm_id"));
    EXPECT_EQ(std::string::npos, PeerLog().find("violation"));
}

TEST_F(SignWizardEnd, AConnectionFileArrivingDuringTheCourseChangeEndsItWithoutAQuestion)
{
    HWND sheet = RegisterToLoginData();
    ASSERT_NE(nullptr, sheet) << Describe(m_program->Id());
    HWND dialog = OnToCourseChange(sheet, "name2");
    ASSERT_NE(nullptr, dialog) << Describe(m_program->Id());
    Click(dialog, IDOK);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadAll(m_browserLog).find("open ") != std::string::npos; }, 10000));

    // The server's notice: a connection-information file handed over as a second copy does.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    const std::string cni = std::string(temp) + "nv_signup_course.cni";
    const std::string content = "00:1.0\r\n01:OK\r\n02:PC-Client\r\n03:course01\r\n04:pwc01\r\n07:0120-99-0001\r\n"
                                "17:C7777777\r\n18:cpw7\r\n19:name7\r\n";
    ASSERT_TRUE(nvtest::WriteFileBytes(cni, std::vector<std::uint8_t>(content.begin(), content.end())));
    HWND hidden = ::FindWindowA("Qelo_Signup_App", nullptr);
    ASSERT_NE(nullptr, hidden);
    ATOM atom = ::GlobalAddAtomA(("\"" + cni + "\"").c_str());
    ::SendMessageTimeoutA(hidden, 0x40B, atom, 0, SMTO_NORMAL, 5000, nullptr);

    EXPECT_TRUE(nvtest::PumpUntil(
        [&] { return Unbroken(TextOf(::GetDlgItem(dialog, IDC_CC_TEXT))) == Unbroken(LoadText(IDS_CC_NOTICE)); }, 10000));
    EXPECT_EQ(::GetDlgItem(dialog, IDC_CC_QUIT), FocusOf(dialog));
    const std::string info = TextOf(::GetDlgItem(ActivePage(sheet), IDC_SW_END_INFO));
    EXPECT_NE(std::string::npos, info.find("C7777777")) << "page 7 refreshed: " << info;
    EXPECT_NE(std::string::npos, info.find("0120-99-0001")) << info;
    EXPECT_TRUE(nvtest::PumpUntil([] { return GetString("NetInfo", "Comm_id") == "C7777777"; }, 10000));
    EXPECT_EQ("course01", GetString("NetInfo", "LoginID"));
    nvtest::SaveWindowScreenshot(dialog, "signwiz_course_change_notice");

    // Quitting now asks nothing.
    Click(dialog, IDC_CC_QUIT);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(dialog); }, 10000))
        << "the dialog ends without a question; windows:\n" << Describe(m_program->Id());
    EXPECT_EQ(nullptr, FindOf(m_program->Id(), LoadText(IDS_CC_ASK_QUIT), true));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowEnabled(Button(sheet, kFinish)) != FALSE; }, 10000));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    EXPECT_EQ(0, m_program->WaitExit());
    EXPECT_EQ("C7777777", GetString("NetInfo", "Comm_id"));
}

TEST_F(SignWizardEnd, ABrowserMissingOrFailingEndsTheCourseChangeWithItsMessage)
{
    const struct {
        const char* name;
        bool installed;
        bool fails;
        UINT message;
    } rows[] = {
        {"no App Paths entry", false, false, IDS_CC_NO_BROWSER},
        {"the browser cannot be started", true, true, IDS_CC_BROWSER_FAILED},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetBrowserInstalled(row.installed);
        ::SetEnvironmentVariableA("NV_BROWSER_FAIL", row.fails ? "1" : nullptr);
        ::DeleteFileA(m_browserLog.c_str());
        m_program = std::make_unique<Program>();
        ResetProfile();
        HWND sheet = RegisterToLoginData();
        ASSERT_NE(nullptr, sheet) << "stopped at " << m_stoppedAt << "; windows:\n" << Describe(m_program->Id());
        HWND dialog = OnToCourseChange(sheet, "name3");
        ASSERT_NE(nullptr, dialog) << Describe(m_program->Id());
        Click(dialog, IDOK);
        HWND box = nullptr;
        ASSERT_TRUE(nvtest::PumpUntil([&] { return (box = FindOf(m_program->Id(), LoadText(row.message), true)) != nullptr; },
                                      10000))
            << Describe(m_program->Id());
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(dialog); }, 10000)) << "the dialog ends";
        EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowEnabled(Button(sheet, kFinish)) != FALSE; }, 10000));
        EXPECT_EQ(std::string::npos, ReadAll(m_browserLog).find("open ")) << ReadAll(m_browserLog);
        ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        EXPECT_EQ(0, m_program->WaitExit());
    }
}

class SignWizardRecovery : public SignWizardEnd {
protected:
    // Page 1 of a recovery for login (and commId, when given) up to the login-data page.
    HWND ToLoginData(const char* login, const char* commId)
    {
        SetString("NetInfo", "LoginID", login);
        if (commId)
            SetString("NetInfo", "Comm_id", commId);
        HWND sheet = StartToFirstPage();
        if (!sheet || !nvtest::PumpUntil([&] { return ::IsDlgButtonChecked(ActivePage(sheet), IDC_SW_MODE_RECOVER) == BST_CHECKED; },
                                         10000))
            return nullptr;
        PressNext(sheet);
        return AtPage(sheet, 4) ? sheet : nullptr;
    }
};

TEST_F(SignWizardRecovery, AKnownCommunicationIdIsKeptAndOnlyTheAccountIsVerified)
{
    Control("account=rec00001%3Asecret%26%3D1");
    HWND sheet = ToLoginData("rec00001", "C5550001");
    ASSERT_NE(nullptr, sheet) << Describe(m_program->Id());
    HWND page = ActivePage(sheet);
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_RECOVERY_INTRO)), Unbroken(TextOf(::GetDlgItem(page, IDC_SW_REST_PROMPT))));
    EXPECT_EQ("rec00001", TextOf(::GetDlgItem(page, IDC_SW_LOGIN_ID)));
    EXPECT_FALSE(::GetWindowLongA(::GetDlgItem(page, IDC_SW_LOGIN_ID), GWL_STYLE) & ES_READONLY);
    EXPECT_NE(0, ::SendMessageA(::GetDlgItem(page, IDC_SW_LOGIN_PASSWORD), EM_GETPASSWORDCHAR, 0, 0)) << "typed: masked";
    EXPECT_FALSE(Enabled(sheet, kNext)) << "no password yet";
    EXPECT_TRUE(Enabled(sheet, kBack));
    // Back goes to page 1, Next from there straight back here.
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    ASSERT_TRUE(AtPage(sheet, 0));
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 4));
    SetField(page, IDC_SW_LOGIN_PASSWORD, "secret&=1");
    SetField(page, IDC_SW_COMM_NAME, "recname");
    EXPECT_TRUE(Enabled(sheet, kNext));
    const std::size_t mark = PeerLog().size();
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 5));
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_RECOVERY_ASK)), Unbroken(TextOf(::GetDlgItem(ActivePage(sheet), IDC_SW_VERIFY_PROMPT))));
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 6)) << Describe(m_program->Id());
    // A recovery finishes at once: no course change.
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowEnabled(Button(sheet, kFinish)) != FALSE; }, 10000));
    EXPECT_EQ(nullptr, FindCourseDialog(m_program->Id()));
    const std::string requests = PeerLog().substr(mark);
    EXPECT_NE(std::string::npos, requests.find("\"recovery\"")) << requests;
    EXPECT_EQ(std::string::npos, requests.find("\"commid\"")) << "the known communication ID is kept: " << requests;
    EXPECT_EQ("C5550001", GetString("NetInfo", "Comm_id"));
    EXPECT_EQ("192.0.2.1", GetString("NetInfo", "PrimaryDNS")) << "the recovered connection information is saved";
    EXPECT_EQ("rec00001@mail.example", GetString("NetInfo", "E_mail"));
    const std::string info = TextOf(::GetDlgItem(ActivePage(sheet), IDC_SW_END_INFO));
    EXPECT_NE(std::string::npos, info.find("C5550001")) << info;
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    EXPECT_EQ(0, m_program->WaitExit());
}

TEST_F(SignWizardRecovery, EachFailureOfTheVerificationIsShownOnTheLoginDataPage)
{
    const std::string refusedText = "\x82\xb2\x8a\xf3\x96\x5d\x82\xcc\x83\x41\x83\x4a\x83\x45\x83\x93\x83\x67\x82\xcd"
                                    "\x8e\x67\x97\x70\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1 (2)"; // ご希望のアカウントは使用できません (2)
    const struct {
        const char* control; // the peer's switch for this case
        std::string shows;   // the start of what the box and page 5 show
        const char* code;    // the code that follows it, or null
    } rows[] = {
        {"switch=refused&switch_on=recovery", refusedText, nullptr},
        {"switch=http500&switch_on=recovery", LoadText(IDS_SW_RECOVERY_ERROR), "(#"},
        {"switch=long_secret&switch_on=recovery", LoadText(IDS_SW_RECOVERY_ERROR), "(#-3)"},
        {"switch=refused&switch_on=commid", refusedText, nullptr},
        {"switch=no_17&switch_on=commid", LoadText(IDS_SW_NO_COMMID), "(#-4)"},
    };
    Control("account=rec00002%3Asecret2");
    HWND sheet = ToLoginData("rec00002", nullptr);
    ASSERT_NE(nullptr, sheet) << Describe(m_program->Id());
    HWND page5 = ActivePage(sheet);
    SetField(page5, IDC_SW_LOGIN_PASSWORD, "secret2");
    SetField(page5, IDC_SW_COMM_NAME, "failname");
    int account = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.control);
        // An account of its own per case: the peer keeps a communication ID it has made once.
        const std::string login = "fail000" + std::to_string(++account);
        Control("account=" + login + "%3Asecret2");
        SetField(page5, IDC_SW_LOGIN_ID, login.c_str());
        Control(row.control);
        PressNext(sheet);
        ASSERT_TRUE(AtPage(sheet, 5));
        PressNext(sheet);
        HWND box = nullptr;
        std::string boxText;
        ASSERT_TRUE(nvtest::PumpUntil([&] { return (box = FindAnyBox(m_program->Id(), &boxText)) != nullptr; }, 20000))
            << Describe(m_program->Id());
        EXPECT_EQ(0u, Unbroken(boxText).find(Unbroken(row.shows))) << boxText;
        if (row.code) {
            EXPECT_NE(std::string::npos, boxText.find(row.code)) << boxText;
        }
        nvtest::SaveWindowScreenshot(box, "signwiz_page6_failure");
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_TRUE(AtPage(sheet, 4)) << "back on the login-data page";
        const std::string prompt = Unbroken(TextOf(::GetDlgItem(page5, IDC_SW_REST_PROMPT)));
        EXPECT_EQ(Unbroken(LoadText(IDS_SW_RECOVERY_INTRO) + boxText), prompt);
        EXPECT_TRUE(nvtest::PumpUntil([&] { return Enabled(sheet, kNext) && Enabled(sheet, kBack); }, 5000));
        EXPECT_EQ("", GetString("NetInfo", "Comm_id")) << "nothing of a failed verification is saved";
        EXPECT_EQ("", GetString("NetInfo", "PrimaryDNS"));
    }
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page5_failure");
    // With the server answering again the same page goes through.
    Control("switch=ok&switch_on=signup");
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 5));
    PressNext(sheet);
    ASSERT_TRUE(AtPage(sheet, 6)) << Describe(m_program->Id());
    EXPECT_EQ(0u, GetString("NetInfo", "Comm_id").find("C"));
    EXPECT_EQ("failname", GetString("NetInfo", "Comm_name"));
}
