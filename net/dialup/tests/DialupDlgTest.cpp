// CDialupDlg under Wine against the stand-in dial-up service: entries it builds (read back from the
// service's log), the dial driven by posted clicks, the state texts its status box showed compared
// with the script, errors, hang-up, cancel, PHS and the three modes.
#include "net/dialup/DialUp.h"
#include "net/dialup/DialupDetailDlg.h"
#include "net/dialup/DialupDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "resources/ids/shell.h"

#include "tests/doubles/rasapi32/StandInControl.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <string>
#include <vector>

namespace {

const HMODULE g_keepServiceLoaded = LoadLibraryA("rasapi32.dll");

CString Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

class TestNetInfo : public CNetInfo {
public:
    bool HasServiceSession() const override { return false; }
};

// Records message boxes instead of showing them; a test may act when one comes.
class RecordingHost : public INetDialogHost {
public:
    CNetInfo* GetNetInfo() override { return &info; }
    void SaveNetInfo() override { ++saves; }
    int ShowMessage(HWND owner, const CString& text, unsigned flags) override { return Record(owner, text, flags, false); }
    int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) override
    {
        return Record(owner, text, flags, true);
    }
    void SetModalState(bool modal) override { modalDepth += modal ? 1 : -1; }
    int Record(HWND owner, const CString& text, unsigned flags, bool logged)
    {
        boxes.push_back({text.GetString(), flags, logged});
        if (onBox)
            onBox(owner);
        return IDOK;
    }
    struct Box {
        std::string text;
        unsigned flags;
        bool logged;
    };
    CMemoryProfile profile;
    TestNetInfo info;
    std::vector<Box> boxes;
    std::function<void(HWND)> onBox;
    int saves = 0;
    int modalDepth = 0;
};

// The system's Internet dialer: on success it brings the entry up in the dial-up service, as the
// real one would, and its hang-up takes it down again.
class RecordingDialer : public IInternetDialer {
public:
    DWORD Dial(HWND owner, const char* entryName, DWORD_PTR* connection) override
    {
        calls.push_back(std::string("dial ") + entryName);
        visibleOwner = owner && IsWindowVisible(owner);
        *connection = 77;
        if (answer == 0 && service)
            service->Script(std::string("connection|") + entryName + "|modem|Standard Modem");
        m_entry = entryName;
        return answer;
    }
    DWORD HangUp(DWORD_PTR connection) override
    {
        calls.push_back("hangup " + std::to_string(connection));
        CRasApi ras;
        ras.HangUp(m_entry.c_str());
        return 0;
    }
    const nvtest::StandInRas* service = nullptr;
    std::string m_entry;
    DWORD answer = 0;
    bool visibleOwner = false;
    std::vector<std::string> calls;
};

// The dialog under test: records what its status box shows and lets the test act on it.
class ProbeDlg : public CDialupDlg {
public:
    using CDialupDlg::CDialupDlg;
    BOOL OnInitDialog() override
    {
        BOOL result = CDialupDlg::OnInitDialog();
        if (HWND status = GetDlgItem(IDC_DIALUP_STATUS)) {
            SetPropA(status, "nv.probe", this);
            s_editProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusProc)));
        }
        if (onInit)
            onInit(m_hWnd);
        return result;
    }
    static LRESULT CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SETTEXT) {
            auto* self = static_cast<ProbeDlg*>(GetPropA(window, "nv.probe"));
            std::string text = reinterpret_cast<const char*>(lParam);
            if (self && (self->statusTexts.empty() || self->statusTexts.back() != text)) {
                self->statusTexts.push_back(text);
                if (self->onStatus)
                    self->onStatus(self->m_hWnd, text);
            }
        }
        return CallWindowProcA(s_editProc, window, message, wParam, lParam);
    }
    void Click(int id) { ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    std::vector<std::string> statusTexts;
    std::function<void(HWND)> onInit;
    std::function<void(HWND, const std::string&)> onStatus;
    static WNDPROC s_editProc;
};
WNDPROC ProbeDlg::s_editProc = nullptr;

void PostClick(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Clicks Dial once the dialog is on the screen, as a user would (the modal loop shows the dialog
// at its first idle moment; a timer comes only when nothing else is queued).
void CALLBACK DialWhenShown(HWND window, UINT, UINT_PTR timer, DWORD)
{
    if (!IsWindowVisible(window))
        return;
    KillTimer(window, timer);
    PostClick(window, IDC_DIALUP_DIAL);
}

void ClickDialWhenShown(HWND window)
{
    SetTimer(window, 0x4E56, 10, DialWhenShown);
}

class DialupDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ras.Loaded()) << "the stand-in rasapi32.dll must be loaded (WINEDLLOVERRIDES=rasapi32=n)";
        ras.Reset();
        Script("step_ms|5");
        Script("device|modem|Standard Modem");
        host.info.SetProfileStore(&host.profile);
        host.info.Load("Signup", "NetInfo");
        host.info.m_LoginID = "user01";
        host.info.m_LoginPasswd = "pass01";
        host.info.m_PhoneNumber = "03-1234-5678";
        NetConnectSettings& s = host.info.GetActiveSettings(true);
        s.modemName = "Standard Modem";
        s.dialMode = "T";
        s.outsideLine = "";
        s.prefixNumber = "xx-xxxx-xxxx";
        s.deviceMode = "";
        netui::SetHost(&host);
        dialer.service = &ras;
        netui::SetDialer(&dialer);
    }
    void TearDown() override
    {
        netui::SetHost(nullptr);
        netui::SetDialer(nullptr);
    }
    void Script(const std::string& line) { ASSERT_EQ(0u, ras.Script(line)) << line; }
    std::vector<std::string> Log(const char* fn) { return ras.Log(fn); }
    void ResetService()
    {
        ras.Reset();
        Script("device|modem|Standard Modem");
    }
    static std::string Logged(const CString& text) { return nvtest::StandInRas::Logged(text.GetString()); }
    std::vector<std::string> Texts(std::initializer_list<UINT> ids)
    {
        std::vector<std::string> texts;
        for (UINT id : ids)
            texts.push_back(Text(id).GetString());
        return texts;
    }

    nvtest::StandInRas ras;
    RecordingHost host;
    RecordingDialer dialer;
};

TEST_F(DialupDlgTest, BuildEntryMakesTheServiceEntryFromTheAccount)
{
    struct Row {
        const char *name, *number, *dialMode, *outside;
        UINT entry;
        const char *phone, *area;
    } rows[] = {
        {"tone", "03-1234-5678", "T", "", IDS_ENTRY_SERVICE, "03-1234-5678", "03"},
        {"pulse with outside line", "03-1234-5678", "p", "0,", IDS_ENTRY_SERVICE, ",P0,03-1234-5678", "03"},
        {"premium rate", "0990-52-1234", "T", "", IDS_ENTRY_PREMIUM, "0990-52-1234", "0990"},
        {"0990 further on", "03-0990-1234", "T", "", IDS_ENTRY_SERVICE, "03-0990-1234", "03"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetService();
        host.info.m_PhoneNumber = r.number;
        host.info.GetActiveSettings(true).dialMode = r.dialMode;
        host.info.GetActiveSettings(true).outsideLine = r.outside;
        // The other of the service's two entries exists and must go.
        CDialupDlg other(0, nullptr);
        ASSERT_EQ(0u, other.CreateEntry(Text(r.entry == IDS_ENTRY_SERVICE ? IDS_ENTRY_PREMIUM : IDS_ENTRY_SERVICE),
                                        "modem", "Standard Modem", 4, 1, "1", ""));
        CDialupDlg dialog(0, nullptr);
        CString name;
        ASSERT_EQ(0, dialog.BuildEntry(&name));
        EXPECT_STREQ(Text(r.entry).GetString(), name.GetString());
        auto sets = Log("RasSetEntryPropertiesA");
        ASSERT_EQ(3u, sets.size()); // the other entry, the new one, its options
        EXPECT_NE(std::string::npos, sets[1].find("\"entry\":\"" + Logged(Text(r.entry)) + "\"")) << sets[1];
        EXPECT_NE(std::string::npos, sets[1].find(std::string("\"phone\":\"") + r.phone + "\"")) << sets[1];
        EXPECT_NE(std::string::npos, sets[1].find("\"protocols\":4,\"framing\":1")) << sets[1];
        EXPECT_NE(std::string::npos, sets[2].find("\"options\":536")) << "0x218: " << sets[2];
        EXPECT_NE(std::string::npos, sets[2].find("\"area\":\"\"")) << "the area code is not stored: " << sets[2];
        auto deletes = Log("RasDeleteEntryA");
        ASSERT_EQ(1u, deletes.size());
        EXPECT_NE(std::string::npos, deletes[0].find("\"result\":0"));
        auto params = Log("RasSetEntryDialParamsA");
        ASSERT_EQ(1u, params.size());
        EXPECT_NE(std::string::npos, params[0].find("\"user\":\"user01\"")) << params[0];
        EXPECT_TRUE(host.boxes.empty());
    }
}

TEST_F(DialupDlgTest, BuildEntryRefusesMissingDevicesAndTextsThatDoNotFit)
{
    CString name;
    {
        host.info.GetActiveSettings(true).modemName = "Other Modem";
        CDialupDlg dialog(0, nullptr);
        EXPECT_EQ(CDialupDlg::kModemMissing, dialog.BuildEntry(&name));
        ASSERT_EQ(1u, host.boxes.size());
        EXPECT_NE(std::string::npos, host.boxes[0].text.find("Other Modem"));
        EXPECT_EQ(static_cast<unsigned>(MB_ICONSTOP), host.boxes[0].flags);
    }
    host.boxes.clear();
    host.info.GetActiveSettings(true).modemName = "Standard Modem";
    host.info.m_LoginPasswd = CString(std::string(300, 'p'));
    {
        CDialupDlg dialog(0, nullptr);
        EXPECT_NE(0, dialog.BuildEntry(&name));
        EXPECT_EQ(1u, host.boxes.size()) << "a password that does not fit is told, never cut";
        EXPECT_TRUE(Log("RasSetEntryPropertiesA").empty());
    }
    host.boxes.clear();
    Script("reset");
    {
        CDialupDlg dialog(0, nullptr);
        EXPECT_EQ(CDialupDlg::kNoDialupDevice, dialog.BuildEntry(&name));
        ASSERT_EQ(1u, host.boxes.size());
        EXPECT_EQ(Text(IDS_NO_DIALUP_DEVICE).GetString(), host.boxes[0].text);
    }
}

TEST_F(DialupDlgTest, ADialShowsEveryScriptedStateAndEndsConnected)
{
    Script("step_ms|250");
    Script("dial|0,1,2,3,5,14,18,0x2000");
    ProbeDlg dialog(0, nullptr);
    CString name;
    ASSERT_EQ(0, dialog.BuildEntry(&name));
    bool shot = false;
    dialog.onInit = [&](HWND window) { ClickDialWhenShown(window); };
    dialog.onStatus = [&](HWND window, const std::string&) {
        if (!shot && IsWindowVisible(window)) {
            shot = true;
            nvtest::SaveWindowScreenshot(window, "dialup_connect");
        }
    };
    EXPECT_TRUE(dialog.DoDial(name, false));
    // State 18 and the connected state read alike: the box changes only when the text does.
    ASSERT_STREQ(Text(14519).GetString(), Text(14529).GetString());
    EXPECT_EQ(Texts({14501, 14502, 14503, 14504, 14506, 14515, 14519}), dialog.statusTexts);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(0, host.modalDepth) << "the modal state is left again";
    auto dial = Log("RasDialA");
    ASSERT_EQ(1u, dial.size());
    EXPECT_NE(std::string::npos, dial[0].find("\"phone\":\"T03-1234-5678\"")) << dial[0];
    EXPECT_NE(std::string::npos, dial[0].find("\"phonebook\":null")) << dial[0];
    EXPECT_EQ(1, host.saves) << "mode 0 saves the PHS choice";
}

TEST_F(DialupDlgTest, ANotifierErrorGivesOneBoxAndHangsUp)
{
    Script("dial|0,2,error:678:5,error:679:0");
    Script("errortext|678|There is no answer.");
    ProbeDlg dialog(0, nullptr);
    CString name;
    ASSERT_EQ(0, dialog.BuildEntry(&name));
    dialog.onInit = [&](HWND window) { ClickDialWhenShown(window); };
    host.onBox = [&](HWND owner) { PostClick(owner, IDCANCEL); };
    EXPECT_FALSE(dialog.DoDial(name, false));
    ASSERT_EQ(1u, host.boxes.size());
    EXPECT_EQ("There is no answer. Extended Error Code: 5", host.boxes[0].text);
    EXPECT_TRUE(host.boxes[0].logged);
    EXPECT_EQ(static_cast<unsigned>(MB_ICONEXCLAMATION), host.boxes[0].flags);
    ASSERT_FALSE(dialog.statusTexts.empty());
    EXPECT_EQ(host.boxes[0].text, dialog.statusTexts.back());
    EXPECT_FALSE(Log("RasHangUpA").empty());
}

TEST_F(DialupDlgTest, HangUpAndCancelMidDialShowNoBox)
{
    struct Row {
        const char* name;
        int button;
        INT_PTR result;
    } rows[] = {{"hang-up", IDC_DIALUP_HANGUP, IDCANCEL}, {"cancel", IDCANCEL, IDCANCEL}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Script("dial|0,2,hold");
        ProbeDlg dialog(0, nullptr);
        CString name;
        ASSERT_EQ(0, dialog.BuildEntry(&name));
        const std::string dialling = Text(14503).GetString();
        const std::string hungUp = Text(IDS_DIAL_HUNG_UP_BY_USER).GetString();
        dialog.onInit = [&](HWND window) { ClickDialWhenShown(window); };
        dialog.onStatus = [&](HWND window, const std::string& text) {
            if (text == dialling) {
                EXPECT_EQ(&dialog, CDialupDlg::RunningDial());
                PostClick(window, r.button);
            } else if (text == hungUp) {
                PostClick(window, IDCANCEL);
            }
        };
        EXPECT_EQ(r.result, dialog.DoModal());
        EXPECT_TRUE(host.boxes.empty());
        EXPECT_EQ(nullptr, CDialupDlg::RunningDial());
        EXPECT_FALSE(Log("RasHangUpA").empty());
        if (r.button == IDC_DIALUP_HANGUP) {
            EXPECT_EQ(hungUp, dialog.statusTexts.back());
        }
        ResetService();
    }
}

TEST_F(DialupDlgTest, PhsDialsTheTollFreePhsNumberWithTone)
{
    host.info.GetActiveSettings(true).deviceMode = "phs";
    host.info.GetActiveSettings(true).dialMode = "P";
    host.info.GetActiveSettings(true).outsideLine = "0,";
    ProbeDlg dialog(0, nullptr);
    CString name;
    ASSERT_EQ(0, dialog.BuildEntry(&name));
    bool checked = false;
    dialog.onInit = [&](HWND window) {
        checked = IsDlgButtonChecked(window, IDC_DIALUP_PHS) == BST_CHECKED;
        ClickDialWhenShown(window);
    };
    EXPECT_TRUE(dialog.DoDial(name, false));
    EXPECT_TRUE(checked);
    auto dial = Log("RasDialA");
    ASSERT_EQ(1u, dial.size());
    EXPECT_NE(std::string::npos, dial[0].find(std::string("\"phone\":\"T0,") + Text(IDS_PHS_FREE_ACCESS_POINT).GetString()))
        << dial[0];
    EXPECT_STREQ("PHS", host.info.LiveConnectSettings().deviceMode.GetString());
}

TEST_F(DialupDlgTest, AStoredEntryDialsWithItsOwnParametersAndAVanishingLinkEndsTheDial)
{
    CDialupDlg maker(0, nullptr);
    ASSERT_EQ(0u, maker.CreateEntry("My ISP", "modem", "Standard Modem", 4, 1, "0,0311112222", ""));
    ASSERT_EQ(0u, maker.SetDialParams("My ISP", "isp-user", "isp-pw"));
    Script("dial|0,2,vanish");
    ProbeDlg dialog(2, nullptr);
    CString caption;
    dialog.onInit = [&](HWND window) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        caption = text;
        ClickDialWhenShown(window);
    };
    dialog.onStatus = [&](HWND window, const std::string& text) {
        if (text == Text(14530).GetString())
            PostClick(window, IDCANCEL);
    };
    EXPECT_FALSE(dialog.DoDial("My ISP", false));
    EXPECT_STREQ(Text(IDS_DIAL_CAPTION_SERVER).GetString(), caption.GetString());
    auto dial = Log("RasDialA");
    ASSERT_EQ(1u, dial.size());
    EXPECT_NE(std::string::npos, dial[0].find("\"phone\":\"0,0311112222\",\"user\":\"isp-user\"")) << dial[0];
    EXPECT_EQ(Text(14530).GetString(), dialog.statusTexts.back()) << "the vanished link reads as disconnected";
}

TEST_F(DialupDlgTest, TheInternetDialerModeNeverShowsTheDialog)
{
    struct Row {
        DWORD answer;
        bool connected;
        std::size_t boxes;
    } rows[] = {{0, true, 0}, {5, false, 1}, {631, false, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.answer);
        dialer.answer = r.answer;
        dialer.calls.clear();
        host.boxes.clear();
        CDialupDlg dialog(1, nullptr);
        EXPECT_EQ(r.connected, dialog.DoDial("Service", false));
        EXPECT_EQ(r.connected, dialog.IsConnected("Service")) << "the dialer brought the entry up";
        ASSERT_EQ(1u, dialer.calls.size());
        EXPECT_EQ("dial Service", dialer.calls[0]);
        EXPECT_FALSE(dialer.visibleOwner);
        ASSERT_EQ(r.boxes, host.boxes.size());
        if (r.boxes) {
            EXPECT_EQ(std::string(Text(IDS_DIAL_FAILED).GetString()) + "(#5)", host.boxes[0].text);
        }
        dialog.InternetHangUpConn();
        EXPECT_EQ(r.connected ? 2u : 1u, dialer.calls.size());
        EXPECT_FALSE(dialog.IsConnected("Service"));
    }
}

TEST_F(DialupDlgTest, TheNotifierKeepsOnlyTheFirstErrorWithItsExtendedCode)
{
    Script("dial|0,2,hold");
    Script("errortext|691|Access denied.");
    ProbeDlg dialog(0, nullptr);
    CString name;
    ASSERT_EQ(0, dialog.BuildEntry(&name));
    const std::string dialling = Text(14503).GetString();
    dialog.onInit = [&](HWND window) { ClickDialWhenShown(window); };
    dialog.onStatus = [&](HWND, const std::string& text) {
        if (text != dialling)
            return;
        // Two threads of the service report at once: one error and its own extended code win.
        std::thread first([] { CDialupDlg::RasDialNotify(0, 0, 2, 691, 3); });
        std::thread second([] { CDialupDlg::RasDialNotify(0, 0, 2, 692, 4); });
        first.join();
        second.join();
    };
    host.onBox = [&](HWND owner) { PostClick(owner, IDCANCEL); };
    EXPECT_FALSE(dialog.DoDial(name, false));
    ASSERT_EQ(1u, host.boxes.size());
    const std::string& box = host.boxes[0].text;
    EXPECT_TRUE(box == "Access denied. Extended Error Code: 3" || box == "Stand-in error 692 Extended Error Code: 4")
        << box;
}

TEST_F(DialupDlgTest, TheConnectionManagerMakesADialogOnlyWithADevice)
{
    CDialupDlg* dialog = DialUp(0, nullptr);
    ASSERT_NE(nullptr, dialog);
    delete dialog;
    EXPECT_TRUE(host.boxes.empty());
    Script("reset");
    EXPECT_EQ(nullptr, DialUp(0, nullptr));
    ASSERT_EQ(1u, host.boxes.size());
    EXPECT_EQ(Text(IDS_NO_DIALUP_DEVICE).GetString(), host.boxes[0].text);
    EXPECT_TRUE(host.boxes[0].logged);
}

HHOOK g_chargeHook = nullptr;

// Answers the two dialogs of the charge connection as they come up: OK on the details dialog, Dial
// on the connect dialog.
LRESULT CALLBACK ChargeDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (::GetDlgItem(window, IDC_DETAIL_MODEM))
            ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        else if (::GetDlgItem(window, IDC_DIALUP_DIAL))
            PostClick(window, IDC_DIALUP_DIAL);
    }
    return CallNextHookEx(g_chargeHook, code, wParam, lParam);
}

TEST_F(DialupDlgTest, TheChargeConnectionAsksForAModemAndRemovesItsEntry)
{
    host.info.m_FreeAP = "0120-000-000";
    host.info.m_state |= CNetInfo::kDialupLibraryPresent;
    host.info.GetActiveSettings(true).modemName = "Gone Modem";
    g_chargeHook = SetWindowsHookExA(WH_CBT, ChargeDialogs, nullptr, GetCurrentThreadId());
    CDialupDlg dialog(0, nullptr);
    const bool connected = dialog.ConnectForCharge();
    UnhookWindowsHookEx(g_chargeHook);
    EXPECT_TRUE(connected);
    ASSERT_EQ(1u, host.boxes.size());
    EXPECT_NE(std::string::npos, host.boxes[0].text.find("Gone Modem")) << "the missing modem is named";
    EXPECT_STREQ("Standard Modem", host.info.LiveConnectSettings().modemName.GetString()) << "chosen in the details";
    const std::string signup = Logged(Text(IDS_ENTRY_SIGNUP));
    auto sets = Log("RasSetEntryPropertiesA");
    ASSERT_FALSE(sets.empty());
    EXPECT_NE(std::string::npos, sets[0].find("\"entry\":\"" + signup + "\",\"phonebook\":null,\"phone\":\"0120-000-000\""))
        << sets[0];
    auto dial = Log("RasDialA");
    ASSERT_EQ(1u, dial.size());
    EXPECT_NE(std::string::npos, dial[0].find("\"phone\":\"T0120-000-000\",\"user\":\"pccharge\"")) << dial[0];
    auto deletes = Log("RasDeleteEntryA");
    ASSERT_FALSE(deletes.empty());
    EXPECT_NE(std::string::npos, deletes.back().find("\"result\":0,\"entry\":\"" + signup + "\"")) << deletes.back();
    CRasApi check;
    EXPECT_TRUE(check.IsConnected(Text(IDS_ENTRY_SIGNUP))) << "the connection stays up";
}

} // namespace
