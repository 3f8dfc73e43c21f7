// The address bar under Wine: typed addresses, picks from the list and the keyboard guard,
// driven by posted messages as the combo box would send them, and its history in the profile,
// read back with reg.exe.
#include "chat_web/browser/tests/win/BrowserTestHost.h"

#include "chat_web/browser/win/UrlComboWnd.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

CWinApp g_app("NimboVandrellBarTest");

// The value of one profile value as reg.exe prints it, or empty.
std::string RegQuery(const std::string& key, const std::string& value)
{
    std::string out = nvtest::Env("TEMP", "C:\\windows\\temp") + "\\nv_bar_reg.txt";
    std::string command = "cmd /c reg query \"" + key + "\" /v " + value + " > \"" + out + "\" 2>nul";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return "";
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::vector<std::uint8_t> bytes = nvtest::ReadFileBytes(out);
    std::string text(bytes.begin(), bytes.end());
    size_t type = text.find("REG_SZ");
    if (type == std::string::npos)
        return "";
    size_t start = text.find_first_not_of(' ', type + 6);
    size_t end = text.find_first_of("\r\n", start);
    return start == std::string::npos ? "" : text.substr(start, end - start);
}

class UrlBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_app.SetRegistryKey("Qelo");
        g_app.WriteProfileString("Browse", nullptr, nullptr);
        FillBrowserSkin(skin);
        ASSERT_TRUE(host.mainWindow.Create("main"));
        browserWindow = new CBrowserDlg(nullptr, 0);
        browserWindow->JoinRegistry(kWindowBrowser);
        ASSERT_TRUE(browserWindow->Create());
    }
    void TearDown() override
    {
        if (bar) {
            bar->DestroyWindow();
            delete bar;
        }
        browserWindow->DestroyWindow();
        delete browserWindow;
        host.mainWindow.DestroyWindow();
        g_app.WriteProfileString("Browse", nullptr, nullptr);
    }
    void MakeBar()
    {
        bar = new CUrlComboWnd(nullptr);
        bar->JoinRegistry(kWindowAddressBar);
        ASSERT_TRUE(bar->Create());
    }
    void Type(const char* text)
    {
        ::SendMessageA(bar->GetCombo(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ::SetWindowTextA(bar->GetCombo(), text);
        bar->PostMessage(WM_COMMAND, IDOK, 0);
        nvtest::PumpPending();
    }
    // The combo box's notifications, as the control posts them to its parent.
    void Notify(int code)
    {
        bar->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_URL_COMBO, code), reinterpret_cast<LPARAM>(bar->GetCombo()));
        nvtest::PumpPending();
    }
    std::vector<std::string> Entries()
    {
        std::vector<std::string> out;
        for (const CString& e : bar->GetEntries())
            out.push_back(e.str());
        return out;
    }

    CFakeSkin skin;
    CRecordingBrowserHost host;
    CBrowserDlg* browserWindow = nullptr;
    CUrlComboWnd* bar = nullptr;
};

TEST_F(UrlBarTest, TypedAddressesAreCompletedCheckedAndOpened)
{
    MakeBar();
    Type("www.example.jp/a");
    EXPECT_TRUE(host.calls.empty()) << "hidden: Enter does nothing";
    host.calls.clear();
    bar->ShowBar();
    EXPECT_TRUE(bar->IsShown());
    const struct {
        const char* typed;
        const char* opened; // "" when nothing opens
    } cases[] = {
        {"www.example.jp/a", "http://www.example.jp/a"},
        {"https://secure.example.jp/", "https://secure.example.jp/"},
        {"mailto:someone@example.jp", "mailto:someone@example.jp"},
        {"file:///c:/windows/win.ini", ""},
        {"", ""},
        {"x-vyrntalk:nv_quit", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        host.calls.clear();
        Type(c.typed);
        if (*c.opened) {
            ASSERT_FALSE(host.calls.empty());
            EXPECT_EQ(std::string("open url ") + c.opened, host.calls[0]);
        } else {
            EXPECT_TRUE(host.calls.empty()) << ::testing::PrintToString(host.calls);
        }
    }
}

TEST_F(UrlBarTest, HistoryHoldsEachAddressOnceAndAtMost21)
{
    MakeBar();
    bar->ShowBar();
    EXPECT_TRUE(bar->AddUrl("a.example/1"));
    EXPECT_TRUE(bar->AddUrl("http://b.example/"));
    EXPECT_FALSE(bar->AddUrl("http://b.example/")) << "same as the current address";
    EXPECT_TRUE(bar->AddUrl("http://a.example/1"));
    EXPECT_EQ((std::vector<std::string>{"http://a.example/1", "http://b.example/"}), Entries());
    EXPECT_FALSE(bar->AddUrl("mailto:"));
    EXPECT_STREQ("http://a.example/1", bar->GetCurrentUrl());
    for (int i = 0; i < 30; ++i)
        bar->AddUrl(CString("http://h.example/") + CString(std::to_string(i)));
    std::vector<std::string> entries = Entries();
    ASSERT_EQ(21u, entries.size());
    EXPECT_EQ("http://h.example/29", entries.front());

    // Addresses the page shows go on top too, and are reported to the server.
    host.calls.clear();
    bar->ShowCurrentUrl("http://h.example/15", 0);
    EXPECT_EQ("http://h.example/15", Entries().front());
    EXPECT_TRUE(host.Saw("report http://h.example/15"));
    bar->ShowCurrentUrl("file:///c:/x.html", 0);
    EXPECT_EQ("http://h.example/15", Entries().front()) << "not valid: only shown";
}

TEST_F(UrlBarTest, ArrowKeysWithTheListClosedDoNotNavigate)
{
    MakeBar();
    bar->ShowBar();
    bar->AddUrl("http://one.example/");
    bar->AddUrl("http://two.example/");
    host.calls.clear();
    // An arrow key selects another entry; the list is closed, so the current one comes back.
    ::SendMessageA(bar->GetCombo(), CB_SETCURSEL, 1, 0);
    Notify(CBN_SELCHANGE);
    EXPECT_TRUE(host.calls.empty()) << ::testing::PrintToString(host.calls);
    EXPECT_EQ(0, ::SendMessageA(bar->GetCombo(), CB_GETCURSEL, 0, 0));

    // A pick from the open list navigates the target browser.
    ::SendMessageA(bar->GetCombo(), CB_SETCURSEL, 1, 0);
    Notify(CBN_CLOSEUP);
    Notify(CBN_SELCHANGE);
    EXPECT_TRUE(host.Saw("report http://one.example/"));
    EXPECT_STREQ("http://one.example/", bar->GetCurrentUrl());
    EXPECT_TRUE(nvtest::PumpUntil([&] { return browserWindow->GetPageUrl() == "http://one.example/"; }, 10000));
}

TEST_F(UrlBarTest, HistoryIsWrittenAsUrl1ToUrl20WithoutTheHomeAddress)
{
    g_app.WriteProfileString("Browse", "url21", "http://stale.example/");
    g_app.WriteProfileString("Browse", "url2", "http://kept.example/");
    MakeBar();
    EXPECT_EQ((std::vector<std::string>{"http://kept.example/"}), Entries()) << "url21 is never read";
    bar->ShowBar();
    CString home;
    home.LoadString(IDS_URL_HOME_PAGE);
    for (int i = 0; i < 25; ++i)
        bar->AddUrl(CString("http://h.example/") + CString(std::to_string(i)));
    bar->AddUrl(home);
    bar->DestroyWindow();
    delete bar;
    bar = nullptr;
    const std::string key = "HKCU\\Software\\Qelo\\NimboVandrellBarTest\\Browse";
    EXPECT_EQ("http://h.example/24", RegQuery(key, "url1"));
    EXPECT_EQ("http://h.example/5", RegQuery(key, "url20"));
    EXPECT_EQ("", RegQuery(key, "url21")) << "emptied, not left over";
}

TEST_F(UrlBarTest, ScreenshotOfTheBar)
{
    MakeBar();
    bar->ShowBar();
    bar->AddUrl("http://www.example.jp/");
    bar->SetWindowPos(HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    nvtest::PumpPending();
    bar->UpdateWindow();
    std::string path = nvtest::SaveWindowScreenshot(bar->m_hWnd, "url_bar");
    if (nvtest::Env("DISPLAY").empty())
        GTEST_SKIP() << "no display";
    EXPECT_FALSE(path.empty());
}

} // namespace
