// CLoginDlg under Wine with the stand-in's phone book: which entry it preselects, what it explains
// for each kind of entry, its two layouts, and OK without an entry.
#include "net/dialup/LoginDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "shell/common/services/MessageBoxSeam.h"

#include "net/dialup/tests/StepsWhenShown.h"
#include "tests/doubles/rasapi32/StandInControl.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

class LoginHost : public INetDialogHost, public IMessageBoxPresenter {
public:
    CNetInfo* GetNetInfo() override { return &info; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND owner, const CString& text, unsigned) override { return Show(owner, text, 0, false); }
    int ShowMessageLogged(HWND owner, const CString& text, unsigned) override { return Show(owner, text, 0, false); }
    void SetModalState(bool) override {}
    int Show(HWND owner, const char* text, UINT, bool) override
    {
        boxes.push_back(text);
        ::PostMessageA(owner, WM_COMMAND, IDCANCEL, 0);
        return IDOK;
    }
    CMemoryProfile profile;
    CNetInfo info;
    std::vector<std::string> boxes;
};

using ProbeLoginDlg = StepsWhenShown<CLoginDlg>;

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

int Height(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

bool Visible(HWND dialog, int id)
{
    return (GetWindowLongA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

class LoginDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ras.IsAvailable());
        ASSERT_TRUE(service.Loaded());
        service.Reset();
        host.info.SetProfileStore(&host.profile);
        host.info.Load("Signup", "NetInfo");
        netui::SetHost(&host);
        previous = SetMessageBoxPresenter(&host);
    }
    void TearDown() override
    {
        netui::SetHost(nullptr);
        SetMessageBoxPresenter(previous);
    }
    void AddEntry(const CString& name) { ASSERT_EQ(0u, ras.CreateEntry(name, "modem", "M", 4, 1, "1", "")); }

    nvtest::StandInRas service;
    CRasApi ras;
    LoginHost host;
    IMessageBoxPresenter* previous = nullptr;
};

} // namespace

TEST_F(LoginDlgTest, EachKindOfEntryIsExplainedAndTheLayoutFollows)
{
    AddEntry("My Provider");
    AddEntry(Text(IDS_ENTRY_SERVICE));
    AddEntry(Text(IDS_ENTRY_PREMIUM));
    struct Row {
        const char* name;
        const char* phone;
        const char* preset;
        UINT selected;
        bool full;
    } rows[] = {
        {"premium-rate number, empty preset", "0990-52-1234", "", IDS_ENTRY_PREMIUM, true},
        {"ordinary number, empty preset", "03-1234-5678", "", IDS_ENTRY_SERVICE, false},
        {"preset that no longer exists", "03-1234-5678", "Gone", IDS_ENTRY_SERVICE, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        host.info.m_PhoneNumber = r.phone;
        ProbeLoginDlg dialog(&ras, nullptr);
        dialog.m_entryName = r.preset;
        std::string status, accessNumber, accessPoint;
        bool warning = false, charges = false;
        int shownHeight = 0, otherHeight = 0;
        std::string otherStatus;
        dialog.steps = [&](HWND window) {
            status = ItemText(window, IDC_LOGIN_STATUS);
            accessNumber = ItemText(window, IDC_LOGIN_ACCESS_NUMBER);
            accessPoint = ItemText(window, IDC_LOGIN_ACCESS_POINT);
            warning = Visible(window, IDC_LOGIN_WARNING);
            charges = Visible(window, IDC_LOGIN_CHARGES);
            shownHeight = Height(window);
            if (r.full)
                nvtest::SaveWindowScreenshot(window, "login_full");
            // Another entry of the phone book: the service is free, the dialog compact.
            HWND list = ::GetDlgItem(window, IDC_LOGIN_PROVIDER);
            ::SendMessageA(list, CB_SETCURSEL, ::SendMessageA(list, CB_FINDSTRINGEXACT, -1, (LPARAM) "My Provider"), 0);
            ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_LOGIN_PROVIDER, CBN_SELCHANGE), (LPARAM)list);
            otherStatus = ItemText(window, IDC_LOGIN_STATUS);
            otherHeight = Height(window);
            if (!r.full)
                nvtest::SaveWindowScreenshot(window, "login_compact");
            ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dialog.DoModal());
        EXPECT_STREQ("My Provider", dialog.m_entryName.GetString()) << "the caller reads the chosen entry";
        EXPECT_EQ(r.full, warning);
        EXPECT_EQ(r.full, charges);
        if (r.full) {
            EXPECT_EQ(Text(IDS_PREMIUM_NOTICE).GetString(), status);
            EXPECT_EQ(r.phone, accessNumber);
            EXPECT_EQ(Text(IDS_ACCESS_POINT_UNKNOWN).GetString(), accessPoint) << "no access-point list here";
            EXPECT_GT(shownHeight, otherHeight) << "the full layout is taller";
        } else {
            CString expected;
            expected.Format(Text(IDS_DIAL_NUMBER_IS), r.phone);
            EXPECT_EQ(expected.GetString(), status);
            EXPECT_EQ(shownHeight, otherHeight) << "both compact";
        }
        EXPECT_EQ(Text(IDS_SERVICE_FREE).GetString(), otherStatus);
        EXPECT_TRUE(host.boxes.empty());
    }
}

TEST_F(LoginDlgTest, WithoutEntriesTheListIsOffAndOkAsksForOne)
{
    host.info.m_PhoneNumber = "03-1234-5678";
    ProbeLoginDlg dialog(&ras, nullptr);
    bool listEnabled = true;
    dialog.steps = [&](HWND window) {
        listEnabled = IsWindowEnabled(::GetDlgItem(window, IDC_LOGIN_PROVIDER)) != FALSE;
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal()) << "the box's answer cancels; OK alone kept the dialog open";
    EXPECT_FALSE(listEnabled);
    ASSERT_EQ(1u, host.boxes.size());
    EXPECT_EQ(Text(IDS_SELECT_DIAL_ENTRY).GetString(), host.boxes[0]);
}
