// The real VyrnSign.exe under Wine (its dial-up library disabled, so LAN only) against the
// sign-up service peer: mode 0 through pages 1 to 4, driven by sent texts and posted button
// presses, with a screenshot of each page; and the user-data page's rules on what it stores.
#include "signup/wizard/tests/WizardDriver.h"

#include "resources/StringIds.h"
#include "signup/wizard/SignWizardIds.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace wizdrive;

// The visible dropped list of one of the program's combo boxes.
HWND DroppedList(DWORD pid)
{
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    ::EnumWindows(nvtest::AsEnumProc([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        char cls[32] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        if (owner == s->pid && ::IsWindowVisible(window) && std::string(cls) == "ComboLBox") {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }), reinterpret_cast<LPARAM>(&search));
    return search.found;
}


class SignWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile);
        SetString("Servers", "SignupPage", PeerRoot() + "/");
        SetString("Servers", "ProfilePage", PeerRoot() + "/");
    }
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kProfile); }

    // Starts the program, answers the LAN-only message and waits for page 1.
    HWND StartToFirstPage()
    {
        if (!m_program.Start())
            return nullptr;
        HWND box = nullptr;
        nvtest::PumpUntil([&] { return (box = FindOf(m_program.Id(), LoadText(IDS_SU_NO_DIALUP_AT_START), true)) != nullptr; },
                          20000);
        if (!box)
            return nullptr;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        HWND sheet = nullptr;
        nvtest::PumpUntil([&] { return (sheet = FindOf(m_program.Id(), LoadText(IDS_SW_CAPTION), false)) != nullptr &&
                                       ActivePage(sheet) != nullptr; },
                          20000);
        return sheet;
    }

    Program m_program;
};

TEST(SignWizardTexts, ButtonLabelsAreTheWizardsOwn)
{
    // The sheet's labels come from the program's own table, never the main program's texts.
    const struct {
        UINT id;
        const char* text;
    } cases[] = {{IDS_SW_AGREE, "\x93\xaf\x88\xd3\x82\xb7\x82\xe9(&A)"},
                 {IDS_SW_DISAGREE, "\x93\xaf\x88\xd3\x82\xb5\x82\xc8\x82\xa2(&N)"},
                 {IDS_SW_MALE, "\x92\x6a"},
                 {IDS_SW_FEMALE, "\x8f\x97"},
                 {IDS_SW_TERMS_PATH, "/signup_pc/kiyaku.txt"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.text, LoadText(c.id)) << c.id;
}

TEST_F(SignWizard, NewRegistrationOverLanReachesTheSignUp)
{
    HWND sheet = StartToFirstPage();
    ASSERT_NE(nullptr, sheet) << "the wizard shows page 1; windows:\n" << Describe(m_program.Id());
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page1");
    EXPECT_EQ(LoadText(IDS_SW_CAPTION), TextOf(sheet));

    // Page 1: mode 0 chosen, LAN forced (no dial-up library), Back off.
    HWND page = ActivePage(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ::IsDlgButtonChecked(page, IDC_SW_LAN) == BST_CHECKED; }, 10000));
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_SW_MODE_NEW));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_SW_MODEM)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page, IDC_SW_MODE_PC)));
    EXPECT_FALSE(Enabled(sheet, 0x3023));
    EXPECT_EQ(LoadText(IDS_SW_NEXT), TextOf(Button(sheet, 0x3024)));
    RECT area;
    ::GetClientRect(page, &area);
    EXPECT_EQ(476, area.right);
    EXPECT_EQ(380, area.bottom);
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page1");

    // Page 2: the terms arrive from the peer and the labels become agree / disagree.
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 1; }, 10000));
    page = ActivePage(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TextOf(Button(sheet, 0x3024)) == LoadText(IDS_SW_AGREE); }, 20000))
        << "page " << ActiveIndex(sheet) << " prompt '" << TextOf(::GetDlgItem(page, IDC_SW_TERMS_PROMPT)) << "'\n"
        << Describe(m_program.Id());
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_TERMS_ASK)), Unbroken(TextOf(::GetDlgItem(page, IDC_SW_TERMS_PROMPT))));
    EXPECT_FALSE(TextOf(::GetDlgItem(page, IDC_SW_TERMS_TEXT)).empty());
    EXPECT_EQ(LoadText(IDS_SW_DISAGREE), TextOf(Button(sheet, 0x3023)));
    EXPECT_TRUE(Enabled(sheet, 0x3023));
    EXPECT_TRUE(Enabled(sheet, IDCANCEL)) << "Cancel is on again after the download";
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page2");

    // Page 3: Next only once every required field is filled.
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 2; }, 10000));
    page = ActivePage(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !Enabled(sheet, 0x3024); }, 5000)) << "an empty form offers no Next";
    const struct {
        int id;
        const char* text;
    } fields[] = {{IDC_SW_KANA, "\xd4\xcf\xc0\xde"},  {IDC_SW_KANA2, "\xc0\xdb\xb3"}, {IDC_SW_NAME, "\x8e\x52\x93\x63"},
                  {IDC_SW_NAME2, "\x91\xbe\x98\x59"}, {IDC_SW_AGE, "1799"},          {IDC_SW_ZIP, "100"},
                  {IDC_SW_ZIP2, "0001"},              {IDC_SW_ADDRESS1, "Tokyo A&B=C+D%"},
                  {IDC_SW_TEL, "03"},                 {IDC_SW_TEL2, "1234"},         {IDC_SW_TEL3, "5678"},
                  {IDC_SW_VERK, "wizuser1"},          {IDC_SW_VERK2, "wizuser2"}};
    for (const auto& field : fields) {
        ::SendMessageA(::GetDlgItem(page, field.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(field.text));
        EXPECT_FALSE(Enabled(sheet, 0x3024)) << "still incomplete after " << field.id;
    }
    ::SendMessageA(::GetDlgItem(page, IDC_SW_VERK3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("wizuser3"));
    EXPECT_TRUE(Enabled(sheet, 0x3024)) << "every required field filled";
    // A field keeps its limit whatever is typed.
    ::SendMessageA(::GetDlgItem(page, IDC_SW_ENTRY), WM_CHAR, '1', 0);
    ::SendMessageA(::GetDlgItem(page, IDC_SW_ENTRY), WM_CHAR, '2', 0);
    ::SendMessageA(::GetDlgItem(page, IDC_SW_ENTRY), WM_CHAR, '3', 0);
    EXPECT_EQ("12", TextOf(::GetDlgItem(page, IDC_SW_ENTRY)));
    // Every combo of the page lies inside it and its dropped list shows all its choices whole
    // (or, for the long ones, at least a handful of them and a scroll bar).
    RECT pageRect;
    ::GetWindowRect(page, &pageRect);
    for (int id : {IDC_SW_SEX, IDC_SW_AGE2, IDC_SW_AGE3}) {
        HWND combo = ::GetDlgItem(page, id);
        RECT comboRect;
        ::GetWindowRect(combo, &comboRect);
        EXPECT_LE(comboRect.right, pageRect.right) << id;
        EXPECT_LE(comboRect.bottom, pageRect.bottom) << id;
        ::SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        HWND list = nullptr;
        ASSERT_TRUE(nvtest::PumpUntil([&] { return (list = DroppedList(m_program.Id())) != nullptr; }, 5000)) << id;
        nvtest::SaveWindowScreenshot(sheet, ("signwiz_page3_dropped_" + std::to_string(id)).c_str());
        RECT client;
        ::GetClientRect(list, &client);
        const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
        const int itemHeight = static_cast<int>(::SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
        ASSERT_GT(count, 0) << id;
        ASSERT_GT(itemHeight, 0) << id;
        EXPECT_GE(client.bottom, std::min(count, 8) * itemHeight)
            << id << ": the dropped list is " << client.bottom << " pixels for " << count << " choices of " << itemHeight;
        ::SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        ASSERT_TRUE(nvtest::PumpUntil([&] { return DroppedList(m_program.Id()) == nullptr; }, 5000)) << id;
    }
    ::SendMessageA(::GetDlgItem(page, IDC_SW_AGE2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("13"));
    ::SendMessageA(::GetDlgItem(page, IDC_SW_AGE3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("07"));
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page3");

    // Back to the terms (loaded: no second download) and forward again keeps what was typed.
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 1; }, 10000));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TextOf(Button(sheet, 0x3024)) == LoadText(IDS_SW_AGREE); }, 10000));
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 2; }, 10000));
    EXPECT_EQ("wizuser3", TextOf(::GetDlgItem(page, IDC_SW_VERK3)));
    EXPECT_EQ("Tokyo A&B=C+D%", TextOf(::GetDlgItem(page, IDC_SW_ADDRESS1)));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return Enabled(sheet, 0x3024); }, 5000));
    // The confirmation's No returns to the user data.
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 3; }, 10000));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 2; }, 10000));
    EXPECT_EQ(LoadText(IDS_SW_NEXT), TextOf(Button(sheet, 0x3024)));

    // Page 4: the confirmation shows the stored rules' values; yes posts the sign-up.
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 3; }, 10000));
    page = ActivePage(sheet);
    const std::string confirmation = TextOf(::GetDlgItem(page, IDC_SW_CONFIRMATION));
    EXPECT_NE(std::string::npos, confirmation.find("1980")) << confirmation;
    EXPECT_NE(std::string::npos, confirmation.find("Tokyo A&B=C+D%")) << confirmation;
    EXPECT_EQ(LoadText(IDS_SW_YES), TextOf(Button(sheet, 0x3024)));
    EXPECT_EQ(LoadText(IDS_SW_NO), TextOf(Button(sheet, 0x3023)));
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page4");
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return GetString("NetInfo", "LoginID") != "<none>" &&
                                               !GetString("NetInfo", "LoginID").empty(); },
                                  20000))
        << "the accepted sign-up is saved";
    EXPECT_EQ("1980", GetString("Signup", "Age"));
    EXPECT_EQ("1", GetString("Signup", "Age2"));
    EXPECT_EQ("7", GetString("Signup", "Age3"));
    EXPECT_EQ("Tokyo A&B=C+D%", GetString("Signup", "Address1"));
    const std::string log = PeerLog();
    const std::size_t terms = log.find("/signup_pc/kiyaku.txt");
    const std::size_t signup = log.find("/signup_pc/signup_pc.cgi");
    EXPECT_NE(std::string::npos, terms);
    EXPECT_NE(std::string::npos, signup);
    EXPECT_LT(terms, signup);
    EXPECT_EQ(std::string::npos, log.find("violation")) << log;
}

} // namespace

namespace {

TEST_F(SignWizard, UnreachableTermsAskForRetryAndLeaveOnlyBack)
{
    // Nothing listens on port 1: every download fails with the reader's error.
    SetString("Servers", "SignupPage", "http://127.0.0.1:1/");
    HWND sheet = StartToFirstPage();
    ASSERT_NE(nullptr, sheet) << "the wizard shows page 1; windows:\n" << Describe(m_program.Id());
    PressNext(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 1; }, 10000));
    HWND page = ActivePage(sheet);

    // The first failure asks; Yes tries again, the second failure asks again, No gives up.
    for (int answer : {IDYES, IDNO}) {
        HWND box = nullptr;
        ASSERT_TRUE(nvtest::PumpUntil(
            [&] { return (box = FindOf(m_program.Id(), LoadText(IDS_SW_TERMS_RETRY), true)) != nullptr; }, 30000))
            << "the retry question; windows:\n" << Describe(m_program.Id());
        const std::string prompt = TextOf(::GetDlgItem(page, IDC_SW_TERMS_PROMPT));
        EXPECT_EQ(0u, prompt.find(LoadText(IDS_SW_TERMS_FAILED))) << prompt;
        EXPECT_NE(std::string::npos, prompt.find("(#")) << "the reader's error code is shown: " << prompt;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(box); }, 10000));
    }
    ASSERT_TRUE(nvtest::PumpUntil([&] { return TextOf(Button(sheet, 0x3024)) == LoadText(IDS_SW_NEXT); }, 10000));
    EXPECT_FALSE(Enabled(sheet, 0x3024)) << "no Next without the terms";
    EXPECT_TRUE(Enabled(sheet, 0x3023));
    EXPECT_TRUE(Enabled(sheet, IDCANCEL));
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page2_failed");

    // Back with terms not loaded returns to page 1 (the wizard goes on).
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ActiveIndex(sheet) == 0; }, 10000));
    EXPECT_TRUE(m_program.Running());
}

} // namespace

namespace {

TEST_F(SignWizard, StoredLoginForcesRecoveryMode)
{
    SetString("NetInfo", "LoginID", "nv000123");
    const std::size_t logBefore = PeerLog().size();
    HWND sheet = StartToFirstPage();
    ASSERT_NE(nullptr, sheet) << "the wizard shows page 1; windows:\n" << Describe(m_program.Id());
    HWND page = ActivePage(sheet);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ::IsDlgButtonChecked(page, IDC_SW_MODE_RECOVER) == BST_CHECKED; }, 10000));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(page, IDC_SW_MODE_NEW));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_SW_MODE_NEW)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_SW_MODE_PC)));
    EXPECT_EQ(Unbroken(LoadText(IDS_SW_EXPLAIN_RECOVER)), Unbroken(TextOf(::GetDlgItem(page, IDC_SW_EXPLANATION))));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return ::IsWindowVisible(::GetDlgItem(page, IDC_SW_LAN_GROUP)) && Enabled(sheet, 0x3024); },
                                  10000)) << "no modem: the LAN settings are shown";
    ::RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    nvtest::SaveWindowScreenshot(sheet, "signwiz_page1_recovery");
    // Recovery never downloads the terms: Next leaves the terms page out.
    PressNext(sheet);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return Enabled(sheet, 0x3024); }, 10000));
    EXPECT_NE(1, ActiveIndex(sheet));
    const std::string requests = PeerLog().substr(logBefore);
    EXPECT_EQ(std::string::npos, requests.find("kiyaku")) << requests;
}

} // namespace
