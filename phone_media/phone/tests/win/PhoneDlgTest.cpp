// The phone window under Wine on the drawn base skin: layout and the banner check, session
// start refusals, library events crossing to the window thread, the redial file, and a whole
// session on the real qelo.dll against the directory-server peer (sign-in, keypad, incoming
// calls answered and unknown callers refused, hang-up, sign-out).
#include <winsock2.h>

#include "phone_media/phone/tests/win/PhoneDoubles.h"

#include "framework/win/Wnd.h"
#include "phone_media/callengine/CallEngine.h"
#include "phone_media/callengine/CallEngineServices.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "resources/ids/phone_media.h"
#include "tests/support/WinTestSupport.h"
#include "voip/core/SignalMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

using namespace phonetest;

namespace {

// Records the thread of every write to the status line.
std::atomic<int> g_foreignWrites{0};
std::atomic<int> g_statusWrites{0};
DWORD g_windowThread = 0;
WNDPROC g_editProc = nullptr;

LRESULT CALLBACK StatusSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        ++g_statusWrites;
        if (::GetCurrentThreadId() != g_windowThread)
            ++g_foreignWrites;
    }
    return ::CallWindowProcA(g_editProc, window, message, wParam, lParam);
}

class PhoneFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        skins = std::make_unique<CFolderSkin>(nvtest::UnixToWindowsPath(nvtest::Env("NV_PHONE_SKIN")), record);
        ASSERT_TRUE(skins->Loaded());
        toolkit::SetSkinSource(skins.get());
        toolkit::SetHost(skins.get());
        SetMessageBoxPresenter(&boxes);
        phone::SetHost(&host);
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "phone-window-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder.c_str(), nullptr);
        host.installFolder = folder;
        g_windowThread = ::GetCurrentThreadId();
        g_foreignWrites = 0;
        g_statusWrites = 0;
    }
    void TearDown() override
    {
        if (phoneWindow && ::IsWindow(phoneWindow->GetSafeHwnd()))
            phoneWindow->DestroyWindow();
        phoneWindow = nullptr;
        nvtest::PumpPending();
        phone::SetHost(nullptr);
        SetMessageBoxPresenter(nullptr);
        nvtest::RemoveTree(folder);
    }
    CPhoneDlg* Make()
    {
        phoneWindow = new CPhoneDlg(nullptr);
        if (!phoneWindow->Create()) {
            if (phoneWindow->GetSafeHwnd())
                phoneWindow->DestroyWindow(); // deletes it
            else
                delete phoneWindow;
            phoneWindow = nullptr;
            return nullptr;
        }
        HWND status = phoneWindow->GetDlgItem(IDC_PHONE_STATUS);
        g_editProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StatusSpy)));
        return phoneWindow;
    }
    std::string Status() { return phoneWindow->GetDlgItemText(IDC_PHONE_STATUS).GetString(); }
    std::string Display() { return phoneWindow->GetDlgItemText(IDC_PHONE_NO).GetString(); }
    RECT ChildRect(UINT id)
    {
        RECT rect;
        ::GetWindowRect(phoneWindow->GetDlgItem(static_cast<int>(id)), &rect);
        ::MapWindowPoints(nullptr, phoneWindow->GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool Enabled(UINT id)
    {
        auto* button = dynamic_cast<CSkinButton*>(CWnd::FromHandlePermanent(phoneWindow->GetDlgItem(static_cast<int>(id))));
        return button && button->GetState() != skin::kButtonDisabled;
    }

    CRecord record;
    std::unique_ptr<CFolderSkin> skins;
    CScriptedBoxes boxes{record};
    CRecordingHost host{record};
    std::string folder;
    CPhoneDlg* phoneWindow = nullptr;
};

const UINT kAllButtons[] = {IDC_PHONE_START, IDC_PHONE_END, IDC_PHONE_0, IDC_PHONE_1, IDC_PHONE_2, IDC_PHONE_3,
                            IDC_PHONE_4, IDC_PHONE_5, IDC_PHONE_6, IDC_PHONE_7, IDC_PHONE_8, IDC_PHONE_9,
                            IDC_PHONE_ASTERISK, IDC_PHONE_SHARP, IDC_PHONE_CLS, IDC_PHONE_FORWARD, IDC_PHONE_SOUND,
                            IDC_PHONE_SHORT, IDC_PHONE_REC, IDC_PHONE_REDIAL_UP, IDC_PHONE_REDIAL_DOWN,
                            IDC_PHONE_CREDIT, IDC_PHONE_PREPAID, IDC_PHONE_SND_INDICATE, IDC_PHONE_RCV_INDICATE};

std::string Joined(CRecord& record)
{
    std::string all;
    for (const std::string& line : record.Lines())
        all += line + "\n";
    return all;
}

TEST_F(PhoneFixture, BaseSkinPlacesTheBannerClearOfEveryControl)
{
    ASSERT_NE(nullptr, Make()) << Joined(record);
    EXPECT_EQ(0, record.Count("BOX")) << "the base skin passes the banner check";
    RECT banner = ChildRect(IDC_PHONE_BANNER);
    EXPECT_EQ(CPhoneDlg::kBannerWidth, banner.right - banner.left);
    EXPECT_EQ(CPhoneDlg::kBannerHeight, banner.bottom - banner.top);
    for (UINT id : kAllButtons) {
        RECT rect = ChildRect(id), overlap;
        EXPECT_FALSE(::IntersectRect(&overlap, &rect, &banner)) << "control " << id;
        // Keys stay off until the session signs in; the close button always works.
        if (id != IDC_PHONE_SND_INDICATE && id != IDC_PHONE_RCV_INDICATE) {
            EXPECT_EQ(id == IDC_PHONE_CLS, Enabled(id)) << "control " << id;
        }
    }
    EXPECT_EQ(0, ChildRect(IDC_PHONE_SND_INDICATE).right - ChildRect(IDC_PHONE_SND_INDICATE).left)
        << "indicators start at zero";
    phoneWindow->ShowWindow(SW_SHOW);
    nvtest::PumpUntil([] { return false; }, 100);
    nvtest::SaveWindowScreenshot(phoneWindow->GetSafeHwnd(), "phone_idle");
}

TEST_F(PhoneFixture, BrokenBannerAreaIsRefused)
{
    struct Row {
        const char* name;
        RECT banner;
        bool baseSkin;
        const char* expected;
    } rows[] = {
        {"over the keypad, base skin", {8, 82, 172, 236}, true, "HOST End -1"},
        {"over the keypad, own skin", {8, 82, 172, 236}, false, "HOST BaseSkin"},
        {"outside the window", {300, 200, 464, 354}, false, "HOST BaseSkin"},
        {"over the status line", {100, 20, 264, 174}, false, "HOST BaseSkin"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        record.Clear();
        skins->overrides[IDC_PHONE_BANNER] = row.banner;
        skins->baseSkin = row.baseSkin;
        EXPECT_EQ(nullptr, Make());
        EXPECT_EQ(1, record.Count("BOX 48 " + Text(IDS_PHONE_BANNER_BROKEN)));
        EXPECT_EQ(1, record.Count(row.expected));
        EXPECT_EQ(row.baseSkin ? 0 : 1, record.Count("SKIN Flush"));
    }
}

TEST_F(PhoneFixture, MissingButtonStripFailsTheWindow)
{
    skins->missingBitmaps.push_back("phone_5.bmp");
    EXPECT_EQ(nullptr, Make());
}

TEST_F(PhoneFixture, SessionStartRefusals)
{
    struct Row {
        const char* name;
        const char* area;
        bool serviceOff;
        unsigned flags;
        int registration;
        std::string box;
        std::string status;
    } rows[] = {
        {"no area code", "", false, 1, 0, "BOX 0 " + Text(IDS_PHONE_NO_AREA_CODE), ""},
        {"area code only 0", "0", false, 1, 0, "BOX 0 " + Text(IDS_PHONE_NO_AREA_CODE), ""},
        {"call service off", "03", true, 1, 0, "", Text(IDS_PHONE_ENABLE_SERVICE)},
        {"no telephone session", "03", false, 3, 0, "", Text(IDS_PHONE_LAN_NAT_ONLY)},
        {"registration refused", "03", false, 1, 7, "", ""},
    };
    ASSERT_NE(nullptr, Make());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        record.Clear();
        phoneWindow->SetDlgItemText(IDC_PHONE_STATUS, "");
        host.area = row.area;
        host.serviceOff = row.serviceOff;
        host.connectionFlags = row.flags;
        host.registrationResult = row.registration;
        host.registeredCallId = row.registration ? "9999" : "";
        EXPECT_FALSE(phoneWindow->StartSession());
        EXPECT_FALSE(phoneWindow->GetCallEngine());
        EXPECT_EQ(nullptr, phoneWindow->Engine());
        EXPECT_EQ(row.box.empty() ? 0 : 1, record.Count(row.box.empty() ? "BOX" : row.box));
        EXPECT_EQ(row.status, Status());
        bool searched = row.box.empty() && !row.serviceOff && row.flags != 3;
        EXPECT_EQ(searched ? 1 : 0, record.Count("REGISTER 0 3"));
    }
}

TEST_F(PhoneFixture, HandlersOnLibraryThreadsOnlyPost)
{
    ASSERT_NE(nullptr, Make());
    // Events from another thread: nothing reaches the window until its thread runs them.
    std::thread library([this] {
        CPhoneDlg::OnCreditEvent(phoneWindow, 771250);
        CPhoneDlg::OnVoiceStatEvent(phoneWindow, 51, 100);
        CPhoneDlg::OnErrorEvent(phoneWindow, "first failure");
        CPhoneDlg::OnErrorEvent(phoneWindow, "second failure");
        CPhoneDlg::OnStatusEvent(phoneWindow, 3, 40, nullptr);
        CPhoneDlg::OnStatusEvent(phoneWindow, 3, 41, std::string(5000, 'x').c_str());
    });
    library.join();
    EXPECT_EQ(0, g_statusWrites.load()) << "the library's thread wrote nothing itself";
    ASSERT_TRUE(nvtest::PumpUntil([&] { return record.Count("BALLOON") == 1 && Status().size() > 100; }));
    EXPECT_EQ(0, g_foreignWrites.load());
    EXPECT_EQ(1024u, Status().size()) << "a long library text is cut";
    EXPECT_EQ(1, record.Count("BALLOON 16 first failure")) << "one balloon at a time; the second is dropped";
    EXPECT_EQ(0, record.Count("LOCK release")) << "the device was never held";
    // Quarter steps of the indicators' full widths: 51 % is three quarters, 100 % four.
    RECT receive = ChildRect(IDC_PHONE_RCV_INDICATE), send = ChildRect(IDC_PHONE_SND_INDICATE);
    EXPECT_EQ(92 * 3 / 4, receive.right - receive.left);
    EXPECT_EQ(92, send.right - send.left);

    // The lines come from the string table (code page 932), the amount from the credit.
    struct CreditRow {
        int credit;
        UINT textId;
        const char* amount;
    } credits[] = {{1234, IDS_PHONE_CREDIT, "12.34"}, {99305, IDS_PHONE_CREDIT_DOLLAR, "3.05"},
                   {771250, IDS_PHONE_CREDIT_YEN, "12.50"}, {0, 0, nullptr}, {-7, 0, nullptr}};
    for (const CreditRow& row : credits) {
        phoneWindow->SetDlgItemText(IDC_PHONE_STATUS, "unchanged");
        std::thread([&] { CPhoneDlg::OnCreditEvent(phoneWindow, row.credit); }).join();
        nvtest::PumpPending();
        CString expected("unchanged");
        if (row.amount)
            expected.Format(Text(row.textId).c_str(), row.amount);
        EXPECT_EQ(std::string(expected.GetString()), Status()) << "credit " << row.credit;
    }
    EXPECT_EQ(0, g_foreignWrites.load());
}

TEST_F(PhoneFixture, KeypadIgnoredBeforeSignIn)
{
    ASSERT_NE(nullptr, Make());
    for (UINT id : {IDC_PHONE_1, IDC_PHONE_ASTERISK, IDC_PHONE_START, IDC_PHONE_REDIAL_UP})
        ::SendMessageA(phoneWindow->GetSafeHwnd(), WM_COMMAND, id, 0);
    phoneWindow->DialNumber("0312345678");
    EXPECT_EQ("", Display()) << "no engine: the display keeps its text";
    EXPECT_EQ(0, record.Count("BOX"));
}

} // namespace
