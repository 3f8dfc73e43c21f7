// CDialupDetailDlg under Wine with the stand-in dial-up service: what it lists, what typing may
// change, and what OK stores into the connection settings.
#include "net/dialup/DialupDetailDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "resources/ids/shell.h"

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

class DetailHost : public INetDialogHost {
public:
    CNetInfo* GetNetInfo() override { return &info; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND, const CString& text, unsigned) override
    {
        boxes.push_back(text.GetString());
        return IDOK;
    }
    int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) override { return ShowMessage(owner, text, flags); }
    void SetModalState(bool) override {}
    CMemoryProfile profile;
    CNetInfo info;
    std::vector<std::string> boxes;
};

using ProbeDetailDlg = StepsWhenShown<CDialupDetailDlg>;

void Command(HWND dialog, int id, int code)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void TypeAccessPoint(HWND dialog, const char* text)
{
    ::SetWindowTextA(::GetDlgItem(dialog, IDC_DETAIL_ACCESS_POINT), text);
    Command(dialog, IDC_DETAIL_ACCESS_POINT, CBN_EDITCHANGE);
}

std::string ItemText(HWND dialog, int id)
{
    char text[256] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

class DetailDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.Loaded()) << "the stand-in rasapi32.dll must be loaded";
        service.Reset();
        service.Script("device|modem|Modem A");
        service.Script("device|isdn|Adapter B");
        host.info.SetProfileStore(&host.profile);
        host.info.Load("Signup", "NetInfo");
        host.info.m_state |= CNetInfo::kDialupLibraryPresent;
        host.info.m_PhoneNumber = "03-1111-1111";
        host.info.m_PhoneNumber2 = "06-2222-2222";
        host.info.m_PhoneNumber3 = "045-333-3333";
        NetConnectSettings& s = host.info.GetActiveSettings(true);
        s.connectType = "Dialup";
        s.modemName = "Adapter B";
        s.dialMode = "P";
        s.outsideLine = "0,";
        s.prefixNumber = "xx-xxxx-xxxx";
        netui::SetHost(&host);
    }
    void TearDown() override
    {
        netui::SetHost(nullptr);
    }
    const NetConnectSettings& Live() { return host.info.LiveConnectSettings(); }

    nvtest::StandInRas service;
    DetailHost host;
};

} // namespace

TEST_F(DetailDlgTest, ItShowsTheSettingsAndStoresTheChosenAccessPointFirst)
{
    ProbeDetailDlg dialog(nullptr);
    std::string modem, number;
    bool pulse = false;
    dialog.steps = [&](HWND window) {
        modem = ItemText(window, IDC_DETAIL_MODEM);
        number = ItemText(window, IDC_DETAIL_NUMBER);
        pulse = IsDlgButtonChecked(window, IDC_DETAIL_PULSE) == BST_CHECKED;
        nvtest::SaveWindowScreenshot(window, "dialup_detail");
        ::SendDlgItemMessageA(window, IDC_DETAIL_ACCESS_POINT, CB_SETCURSEL, 2, 0);
        Command(window, IDC_DETAIL_ACCESS_POINT, CBN_SELCHANGE);
        TypeAccessPoint(window, "0045-333-3333"); // a 0 in front is allowed
        ::SendDlgItemMessageA(window, IDC_DETAIL_OUTSIDE_LINE, CB_SETCURSEL, 0, 0); // "(なし)"
        Command(window, IDC_DETAIL_OUTSIDE_LINE, CBN_SELCHANGE);
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ("Adapter B", modem);
    EXPECT_EQ("0,03-1111-1111", number);
    EXPECT_TRUE(pulse);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_STREQ("045-333-3333", host.info.m_PhoneNumber.GetString());
    EXPECT_STREQ("06-2222-2222", host.info.m_PhoneNumber2.GetString());
    EXPECT_STREQ("03-1111-1111", host.info.m_PhoneNumber3.GetString());
    EXPECT_STREQ("0xx-xxxx-xxxx", Live().prefixNumber.GetString());
    EXPECT_STREQ("", Live().outsideLine.GetString());
    EXPECT_STREQ("P", Live().dialMode.GetString());
    EXPECT_STREQ("Adapter B", Live().modemName.GetString());
}

TEST_F(DetailDlgTest, TheNumberItselfCantBeEditedAndOnlyDialCharactersSurroundIt)
{
    struct Row {
        const char *name, *typed;
        bool refused;
    } rows[] = {
        {"a digit deleted", "03-1111-111", true},
        {"letters around", "abc03-1111-1111", true},
        {"a hash after", "03-1111-1111#", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        host.boxes.clear();
        ProbeDetailDlg dialog(nullptr);
        std::string after;
        dialog.steps = [&](HWND window) {
            TypeAccessPoint(window, r.typed);
            after = ItemText(window, IDC_DETAIL_ACCESS_POINT);
            ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        };
        EXPECT_EQ(IDCANCEL, dialog.DoModal());
        EXPECT_EQ(r.refused ? 1u : 0u, host.boxes.size());
        EXPECT_EQ(r.refused ? std::string("03-1111-1111") : std::string(r.typed), after);
        if (r.refused) {
            EXPECT_EQ(Text(IDS_DIAL_NUMBER_LOCKED).GetString(), host.boxes[0]);
        }
        EXPECT_STREQ("03-1111-1111", host.info.m_PhoneNumber.GetString()) << "cancel stores nothing";
    }
}

TEST_F(DetailDlgTest, CtrlClickOnToneLeavesNoDialMode)
{
    ProbeDetailDlg dialog(nullptr);
    dialog.steps = [&](HWND window) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        Command(window, IDC_DETAIL_TONE, BN_CLICKED);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_STREQ("", Live().dialMode.GetString());
}

TEST_F(DetailDlgTest, WithoutAModemTheControlsAreOffAndTheModemIsKept)
{
    struct Row {
        const char *name, *connectType;
        std::size_t boxes;
    } rows[] = {{"LAN: no message", "Lan", 0}, {"dial-up: told", "Dialup", 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        service.Reset();
        host.boxes.clear();
        host.info.GetActiveSettings(true).connectType = r.connectType;
        ProbeDetailDlg dialog(nullptr);
        bool modemEnabled = true, numberEnabled = true;
        std::string modem;
        dialog.steps = [&](HWND window) {
            modemEnabled = IsWindowEnabled(::GetDlgItem(window, IDC_DETAIL_MODEM)) != FALSE;
            numberEnabled = IsWindowEnabled(::GetDlgItem(window, IDC_DETAIL_NUMBER)) != FALSE;
            modem = ItemText(window, IDC_DETAIL_MODEM);
            ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dialog.DoModal());
        EXPECT_FALSE(modemEnabled);
        EXPECT_FALSE(numberEnabled);
        EXPECT_EQ(Text(IDS_NO_MODEM_ITEM).GetString(), modem);
        ASSERT_EQ(r.boxes, host.boxes.size());
        if (r.boxes) {
            EXPECT_EQ(Text(IDS_NO_DIALUP_DEVICE).GetString(), host.boxes[0]);
        }
        EXPECT_STREQ("Adapter B", Live().modemName.GetString()) << "the 'no modem' line is never stored";
    }
}

TEST_F(DetailDlgTest, NoAccessPointIsToldWhenDialUpIsConfigured)
{
    host.info.m_PhoneNumber = host.info.m_PhoneNumber2 = host.info.m_PhoneNumber3 = "";
    ProbeDetailDlg dialog(nullptr);
    std::string shown;
    dialog.steps = [&](HWND window) {
        shown = ItemText(window, IDC_DETAIL_ACCESS_POINT);
        ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    ASSERT_EQ(1u, host.boxes.size());
    EXPECT_EQ(Text(IDS_NO_ACCESS_POINT).GetString(), host.boxes[0]);
    EXPECT_EQ("xx-xxxx-xxxx", shown);
}
