// The browser window under Wine with the real WebBrowser control (which asks before every
// navigation but renders nothing) and recording doubles for the rest of the program: page
// commands as a page would send them, origins allowed and refused, form posts that reach the
// HTTP peer, windows made for a page's new-window request, and a control that can't be made.
#include "chat_web/browser/tests/win/BrowserTestHost.h"

#include "chat_web/browser/win/UrlComboWnd.h"
#include "resources/StringIds.h"

#include <exdispid.h>
#include <gtest/gtest.h>

#include <fstream>

namespace {

CWinApp g_app("NimboVandrellBrowserTest");

class BrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_app.SetRegistryKey("Qelo");
        FillBrowserSkin(skin);
        ASSERT_TRUE(host.mainWindow.Create("main"));
        ASSERT_TRUE(host.chatWindow.Create("chat"));
        CBrowserDlg::ServiceOrigin().Clear();
        CBrowserDlg::ServiceOrigin().AddServiceAddress("http://127.0.0.1/");
        CBrowserDlg::ServiceOrigin().AddServiceAddress("http://portal.example/");
    }
    void TearDown() override
    {
        if (window) {
            window->DestroyWindow();
            delete window;
        }
        host.mainWindow.DestroyWindow();
        host.chatWindow.DestroyWindow();
    }
    CBrowserDlg* MakeAppBrowser()
    {
        window = new CBrowserDlg(nullptr, 0);
        window->JoinRegistry(kWindowBrowser);
        if (!window->Create())
            return nullptr;
        return window;
    }
    // The main browser's first navigation decides whether it stays (a private link as the very
    // first one closes a window): the tests start from a page that was followed.
    bool Settle()
    {
        window->Control().Navigate("http://127.0.0.1:9/start.html");
        return nvtest::PumpUntil([&] { return window->GetFirstNavigationMark() == 0; }, 10000);
    }

    CFakeSkin skin;
    CRecordingBrowserHost host;
    CBrowserDlg* window = nullptr;
};

struct CommandCase {
    const char* name;
    std::string url;
    std::vector<std::string> calls; // expected host calls, in order
    int mainRequest;                // expected 0x40C wParam, or -1
    std::string room;               // expected 0x402 locator, or "-" for none
};

TEST_F(BrowserWindowTest, CommandLinksRunTheirCommandAndLeaveThePage)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    ASSERT_TRUE(Settle());
    window->SetPageUrl("http://portal.example/menu.html");
    const std::string id = "ABCDEFGH12345678";
    const std::vector<CommandCase> cases = {
        {"quit", "x-vyrntalk:nv_quit", {}, 3, "-"},
        {"hide", "x-tesselin:nv_close", {}, 2, "-"},
        {"log out", "x-vyrntalk:nv_logout", {}, 1, "-"},
        {"private message", "x-vyrntalk:pri_msg?id=" + id + "&name=Taro", {"send " + id + " Taro []"}, -1, "-"},
        {"room", "x-vyrntalk:url_chat?url=irc://chat.example/r1", {"show chat"}, -1, "irc://chat.example/r1"},
        {"call by id", "x-tesselin:nimbocall?type=1&id=" + id, {"dial id " + id}, -1, "-"},
        {"call by number", "x-vyrntalk:nimbocall?type=2&id=03-1234*5", {"dial number 03-1234*5"}, -1, "-"},
        {"malformed number", "x-vyrntalk:nimbocall?type=2&id=03;rm", {}, -1, "-"},
        {"short id", "x-vyrntalk:pri_msg?id=" + id.substr(1), {}, -1, "-"},
        {"no keyword", "x-vyrntalk:whatever", {}, -1, "-"},
    };
    CString location = window->Control().GetLocationURL();
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        host.calls.clear();
        host.mainWindow.posted.clear();
        host.chatWindow.posted.clear();
        // The control asks the window first; the window's answer is all that happens. Each link
        // ends with a marker link whose answer shows that the one before it was answered too.
        window->Control().Navigate(c.url.c_str());
        window->Control().Navigate("x-vyrntalk:nv_login");
        ASSERT_TRUE(nvtest::PumpUntil([&] {
            return !host.mainWindow.posted.empty() && host.mainWindow.posted.back().wParam == 0;
        }, 10000));
        nvtest::PumpPending();
        host.mainWindow.posted.pop_back();
        EXPECT_EQ(c.calls, host.calls);
        if (c.mainRequest >= 0) {
            ASSERT_EQ(1u, host.mainWindow.posted.size());
            EXPECT_EQ(static_cast<WPARAM>(c.mainRequest), host.mainWindow.posted[0].wParam);
        } else {
            EXPECT_TRUE(host.mainWindow.posted.empty());
        }
        if (c.room != "-") {
            ASSERT_EQ(1u, host.chatWindow.posted.size());
            EXPECT_EQ(1u, host.chatWindow.posted[0].wParam);
            EXPECT_EQ(c.room, host.chatWindow.posted[0].text);
        } else {
            EXPECT_TRUE(host.chatWindow.posted.empty());
        }
        EXPECT_EQ(location, window->Control().GetLocationURL()) << "the link was cancelled";
        EXPECT_STREQ("http://portal.example/menu.html", window->GetPageUrl());
    }
}

TEST_F(BrowserWindowTest, CommandsFromOtherPagesAreRefusedAndLogged)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    ASSERT_TRUE(Settle());
    host.calls.clear();
    window->SetPageUrl("http://evil.example/trap.html");
    window->Control().Navigate("x-vyrntalk:nv_quit");
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !host.calls.empty(); }, 10000));
    nvtest::PumpPending();
    EXPECT_TRUE(host.mainWindow.posted.empty());
    ASSERT_EQ(1u, host.calls.size());
    EXPECT_EQ(0u, host.calls[0].find("log ")) << host.calls[0];
    EXPECT_NE(std::string::npos, host.calls[0].find("http://evil.example/trap.html"));

    // Logged out, an allowed page's commands that need the session do nothing.
    host.calls.clear();
    host.loggedIn = false;
    window->SetPageUrl("");
    window->HandleSpecialUrl("x-vyrntalk:url_chat?url=r");
    window->HandleSpecialUrl("x-vyrntalk:nimbocall?type=2&id=1");
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(host.chatWindow.posted.empty());
}

TEST_F(BrowserWindowTest, PageBecomesTheLastAddressLetThrough)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    EXPECT_STREQ("", window->GetPageUrl());
    const std::string page = "http://127.0.0.1:9/first.html";
    window->Control().Navigate(page.c_str());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return window->GetPageUrl() == page.c_str(); }, 10000));
    EXPECT_TRUE(window->IsWindowVisible()) << "the first followed link shows the window";
    // A mailto link is followed but handled by the mail program: it is not checked here (Wine
    // would start one). The filter's answer for it is covered natively.
}

std::string ReadPeerLog(const std::string& dir)
{
    std::ifstream in(dir + "/http_echo.log");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(BrowserWindowTest, OpenersPostEncodedFormsWithTheirZeroByte)
{
    std::string peerDir = nvtest::Env("NV_PEER_DIR");
    std::ifstream portFile(peerDir + "/http_echo.port");
    int port = 0;
    portFile >> port;
    ASSERT_GT(port, 0) << "the HTTP peer is not running";
    std::string base = "http://127.0.0.1:" + std::to_string(port);
    host.servers["SearchPage"] = base + "/";
    host.servers["ProfilePage"] = base + "/";
    ASSERT_NE(nullptr, MakeAppBrowser());

    size_t before = ReadPeerLog(peerDir).size();
    window->OpenProfileSearch();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadPeerLog(peerDir).find("PC_CNSchProf", before) != std::string::npos; }, 15000));
    std::string log = ReadPeerLog(peerDir).substr(before);
    EXPECT_NE(std::string::npos, log.find("\"method\": \"POST\"")) << log;
    EXPECT_NE(std::string::npos, log.find("\"path\": \"/menu/PC_CNSchProf.cgi\"")) << log;
    // "id=user%2601&password=p%3Dw%2Bd%25&r_url=http://r.example/?a%3Db" and its zero byte.
    std::string body = "id=user%2601&password=p%3Dw%2Bd%25&r_url=http://r.example/?a%3Db";
    std::string hex;
    for (unsigned char ch : body) {
        char two[3];
        snprintf(two, sizeof two, "%02x", ch);
        hex += two;
    }
    EXPECT_NE(std::string::npos, log.find("\"body_hex\": \"" + hex + "00\"")) << log;

    before = ReadPeerLog(peerDir).size();
    EXPECT_EQ(0, window->OpenUrlAsPost((base + "/cgi/x.cgi?a=1&b=2").c_str()));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadPeerLog(peerDir).find("/cgi/x.cgi", before) != std::string::npos; }, 15000));
    log = ReadPeerLog(peerDir).substr(before);
    EXPECT_NE(std::string::npos, log.find("\"body_hex\": \"613d3126623d3200\"")) << "no leading blank: " << log;
    EXPECT_EQ(-1, window->OpenUrlAsPost("http://127.0.0.1/no-query"));

    before = ReadPeerLog(peerDir).size();
    window->OpenMyProfilePage();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadPeerLog(peerDir).find("/profile_pc/index.html", before) != std::string::npos; }, 15000));
    EXPECT_NE(std::string::npos, ReadPeerLog(peerDir).substr(before).find("\"method\": \"GET\""));
}

// Hands the window's sink an event the control can't fire here, as the control would.
void FireNewWindow(CBrowserDlg* window, IDispatch** result)
{
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    V_VT(&args[1]) = VT_BYREF | VT_DISPATCH;
    V_DISPATCHREF(&args[1]) = result;
    V_VT(&args[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&args[0]) = &cancel;
    DISPPARAMS params{args, nullptr, 2, 0};
    window->Control().GetEventSink()->Invoke(DISPID_NEWWINDOW2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

TEST_F(BrowserWindowTest, WindowForANewWindowRequestClosesAfterItsPrivateFirstLink)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    window->SetPageUrl("http://portal.example/list.html");
    IDispatch* application = nullptr;
    FireNewWindow(window, &application);
    ASSERT_EQ(1u, host.opened.size());
    EXPECT_TRUE(host.Saw("open browser 3 "));
    ASSERT_NE(nullptr, application) << "the new window's control is handed back";
    application->Release();
    CBrowserDlg* child = host.opened[0];
    EXPECT_STREQ("http://portal.example/list.html", child->GetPageUrl()) << "it starts on its opener's page";
    EXPECT_EQ(-1, child->GetFirstNavigationMark());
    HWND childWindow = child->m_hWnd;
    child->Control().Navigate("x-vyrntalk:nv_show");
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindow(childWindow); }, 10000));
    ASSERT_EQ(1u, host.mainWindow.posted.size());
    EXPECT_EQ(4u, host.mainWindow.posted[0].wParam);
    EXPECT_TRUE(host.Saw("close registered"));

    host.canOpen = false;
    application = nullptr;
    FireNewWindow(window, &application);
    EXPECT_EQ(nullptr, application);
}

HRESULT NoControl(REFCLSID, IOleObject** object)
{
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

TEST_F(BrowserWindowTest, MissingControlEndsTheProgramAfterItsMessage)
{
    COleControlSite::CreateHook old = COleControlSite::SetCreateHook(&NoControl);
    MakeAppBrowser();
    COleControlSite::SetCreateHook(old);
    std::vector<std::string> expected = {"stop message 263", "logout and end -1"};
    EXPECT_EQ(expected, host.calls);
}

TEST_F(BrowserWindowTest, SkinWithoutItsBitmapEndsTheProgramAfterMessage213)
{
    ::DeleteObject(skin.bitmaps["browser.bmp"]);
    skin.bitmaps.erase("browser.bmp");
    MakeAppBrowser();
    std::vector<std::string> expected = {"stop message 213", "end -1"};
    EXPECT_EQ(expected, host.calls);
}

TEST_F(BrowserWindowTest, EventsTheControlCannotFireHereReachTheWindow)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    IDispatch* sink = window->Control().GetEventSink();
    auto fire = [&](DISPID id, std::vector<VARIANT> args) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    };
    auto text = [](const std::wstring& s) {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocString(s.c_str());
        return v;
    };
    auto number = [](long n, VARTYPE type) {
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = type;
        if (type == VT_BOOL)
            V_BOOL(&v) = n ? VARIANT_TRUE : VARIANT_FALSE;
        else
            V_I4(&v) = n;
        return v;
    };
    // Status text: cut at 255 bytes, shown in control 1355.
    VARIANT status = text(std::wstring(300, L'a'));
    fire(DISPID_STATUSTEXTCHANGE, {status});
    ::VariantClear(&status);
    EXPECT_EQ(255, window->GetStatusText().GetLength());
    EXPECT_EQ(255, ::GetWindowTextLengthA(window->GetDlgItem(IDC_BROWSER_STATUS)));

    VARIANT title = text(L"page title");
    fire(DISPID_TITLECHANGE, {title});
    ::VariantClear(&title);
    EXPECT_STREQ("page title", window->GetTitle());

    // Back and forward follow the control's command states.
    fire(DISPID_COMMANDSTATECHANGE, {number(2, VT_I4), number(0, VT_BOOL)});
    fire(DISPID_COMMANDSTATECHANGE, {number(1, VT_I4), number(1, VT_BOOL)});
    EXPECT_TRUE(window->Button(0).IsDisabled());
    EXPECT_FALSE(window->Button(1).IsDisabled());
    fire(DISPID_COMMANDSTATECHANGE, {number(2, VT_I4), number(1, VT_BOOL)});
    EXPECT_FALSE(window->Button(0).IsDisabled());

    fire(DISPID_DOWNLOADBEGIN, {});
    EXPECT_TRUE(window->Indicator().IsAnimating());

    // The application's main browser refuses a script's close.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT cancelRef;
    V_VT(&cancelRef) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&cancelRef) = &cancel;
    fire(DISPID_WINDOWCLOSING, {number(0, VT_BOOL), cancelRef});
    EXPECT_EQ(VARIANT_TRUE, cancel);
}

TEST_F(BrowserWindowTest, PositionIsSavedAndClampedWhenRestored)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    window->SetWindowPos(nullptr, 40, 50, 500, 380, SWP_NOZORDER | SWP_NOACTIVATE);
    window->DestroyWindow();
    delete window;
    window = nullptr;
    EXPECT_EQ(40u, g_app.GetProfileInt("Location", "BrowseX", -2));
    EXPECT_EQ(50u, g_app.GetProfileInt("Location", "BrowseY", -2));
    EXPECT_EQ(500u, g_app.GetProfileInt("Location", "BrowseWidth", -2));
    EXPECT_EQ(380u, g_app.GetProfileInt("Location", "BrowseHeight", -2));

    g_app.WriteProfileInt("Location", "BrowseX", 100000);
    g_app.WriteProfileInt("Location", "BrowseWidth", 100000);
    ASSERT_NE(nullptr, MakeAppBrowser());
    RECT r, work;
    window->GetWindowRect(&r);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(r.left, work.left);
    EXPECT_LE(r.right - r.left, work.right - work.left);
    EXPECT_EQ(50, r.top);
    g_app.WriteProfileString("Location", nullptr, nullptr);
}

TEST_F(BrowserWindowTest, ScreenshotOfTheWindowWithAnEmptyPage)
{
    ASSERT_NE(nullptr, MakeAppBrowser());
    window->SetWindowPos(HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    nvtest::PumpPending();
    window->UpdateWindow();
    std::string path = nvtest::SaveWindowScreenshot(window->m_hWnd, "browser_window");
    if (nvtest::Env("DISPLAY").empty())
        GTEST_SKIP() << "no display";
    EXPECT_FALSE(path.empty());
}

} // namespace

namespace {

std::string MenuShape(HMENU menu)
{
    std::string shape;
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char label[256] = "";
        ::GetMenuStringA(menu, static_cast<UINT>(i), label, sizeof label, MF_BYPOSITION);
        if (HMENU sub = ::GetSubMenu(menu, i))
            shape += std::string("[") + label + ":" + MenuShape(sub) + "]";
        else
            shape += std::string(label) + "#" + std::to_string(::GetMenuItemID(menu, i) - ID_FAVORITE_FIRST) + " ";
    }
    return shape;
}

TEST_F(BrowserWindowTest, FavouritesMenuListsFoldersFirstAndOnlyLowerCaseShortcuts)
{
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "nv_fav_test";
    nvtest::RemoveTree(root);
    ::CreateDirectoryA(root.c_str(), nullptr);
    ::CreateDirectoryA((root + "\\zoo").c_str(), nullptr);
    ::CreateDirectoryA((root + "\\Apps").c_str(), nullptr);
    auto shortcut = [](const std::string& path, const std::string& url) {
        std::string text = "[InternetShortcut]\r\nURL=" + url + "\r\n";
        nvtest::WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    };
    shortcut(root + "\\beta.url", "http://b.example/");
    shortcut(root + "\\Alpha.url", "http://a.example/");
    shortcut(root + "\\UPPER.URL", "http://u.example/");
    shortcut(root + "\\zoo\\lion.url", "http://l.example/");
    shortcut(root + "\\Apps\\mail.url", "http://m.example/");
    ASSERT_NE(nullptr, MakeAppBrowser());
    HMENU menu = window->BuildFavoritesMenu(root.c_str());
    EXPECT_EQ("[Apps:mail#2 ][zoo:lion#3 ]Alpha#0 beta#1 ", MenuShape(menu));
    ::DestroyMenu(menu);
    ASSERT_EQ(4, window->GetFavoriteUrls().GetSize());
    EXPECT_STREQ("http://a.example/", window->GetFavoriteUrls()[0]);
    EXPECT_STREQ("http://l.example/", window->GetFavoriteUrls()[3]);

    // A favourite's command navigates the page (the control asks the window first).
    ASSERT_TRUE(Settle());
    window->SendMessage(WM_COMMAND, ID_FAVORITE_FIRST + 1, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return window->GetPageUrl() == "http://b.example/"; }, 10000));
    nvtest::RemoveTree(root);

    menu = window->BuildFavoritesMenu((root + "\\missing").c_str());
    EXPECT_EQ(0, ::GetMenuItemCount(menu)) << "an unreadable folder gives an empty menu";
    ::DestroyMenu(menu);
}

} // namespace
