#include "shell/BrowserServices.h"

#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "chat_web/browser/win/UrlComboWnd.h"
#include "resources/StringIds.h"
#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/MainWindowPeers.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "toolkit/win/SkinHost.h"

#include <new>

namespace {

bool g_endRequested = false;

class CBrowserServices : public IBrowserHost {
public:
    HWND GetMainWindow() override
    {
        CMainDlg* main = App() ? App()->GetMainDlg() : nullptr;
        return main ? main->GetSafeHwnd() : nullptr;
    }
    bool IsLoggedIn() override
    {
        CClientApp* app = App();
        IServiceSession* session = app ? app->GetServiceSession() : nullptr;
        return session && session->IsLoggedIn() && session->GetRequestClient();
    }
    HWND GetChatWindow() override
    {
        CWnd* chat = App() ? App()->GetChatDlg() : nullptr;
        return chat ? chat->GetSafeHwnd() : nullptr;
    }
    void ShowChatWindow() override
    {
        if (CWnd* chat = App() ? App()->GetChatDlg() : nullptr)
            chat->ShowWindow(SW_SHOW);
    }
    bool HasPhoneWindow() override { return App() && App()->GetPhoneDlg(); }
    void DialCommId(const CString& commId) override
    {
        if (CPhoneDlg* phone = Phone())
            phone->DialCommId(commId);
    }
    void DialNumber(const CString& number) override
    {
        if (CPhoneDlg* phone = Phone())
            phone->DialNumber(number);
    }
    void OpenSendWindow(const PartnerRef& partner, const char*) override
    {
        if (CMainDlg* main = Main())
            main->OpenSendWindow(partner);
    }
    int OpenUrl(const CString& url) override
    {
        CMainDlg* main = Main();
        return main && main->OpenUrl(url) ? 1 : 0;
    }
    void SendUrlToServer(const CString& url) override
    {
        if (CMainDlg* main = Main())
            main->SendUrlToServer(url);
    }

    CBrowserDlg* OpenUrlInBrowser(const CString& url, int kind) override
    {
        return App() ? App()->OpenUrlInBrowser(url, static_cast<WindowKind>(kind)) : nullptr;
    }
    void ReopenBrowser() override
    {
        CClientApp* app = App();
        CBrowserDlg* old = app ? dynamic_cast<CBrowserDlg*>(app->GetBrowserDlg()) : nullptr;
        CWnd* main = app ? app->GetMainDlg() : nullptr;
        if (!main)
            return;
        if (old)
            old->DestroyWindow();
        shellbrowser::CreateBrowser(main, kWindowBrowser);
    }
    void CloseRegisteredWindow(CWnd* window) override
    {
        if (App())
            App()->CloseRegisteredWindows(window);
    }
    bool IsRegisteredWindow(CWnd* window) override { return App() && App()->FindRegisteredWindow(window); }
    void AddTrayWindow(HWND window) override { toolkit::Host().AddTrayWindow(window); }
    void RemoveTrayWindow(HWND window) override { toolkit::Host().RemoveTrayWindow(window); }
    void CloseOpenMenus() override { CClientApp::CloseOpenMenus(true); }

    CString GetServerUrl(const char* name) override
    {
        CClientApp* app = App();
        if (!app)
            return CString();
        const CProgramSettings& s = app->Settings();
        const struct {
            const char* name;
            const CString* value;
        } servers[] = {{"HomePage", &s.m_serverHomePage}, {"SearchPage", &s.m_searchPage},
                       {"ProfilePage", &s.m_profilePage}, {"ChargePage", &s.m_chargePage},
                       {"LoginPage", &s.m_loginPage},     {"MailPage", &s.m_mailPage},
                       {"TopPage", &s.m_topPage}};
        for (const auto& server : servers)
            if (CString(name) == server.name)
                return *server.value;
        return CString();
    }
    CString GetUserHomePage() override { return App() ? App()->Settings().m_homePage : CString(); }
    CString GetOemLinkUrl() override { return App() && App()->m_hasOemLink ? App()->m_oemUrl : CString(); }
    CString GetOemLinkTitle() override { return App() && App()->m_hasOemLink ? App()->m_oemUrlTitle : CString(); }
    CString GetUserId() override { return App() ? App()->m_Comm_id : CString(); }
    CString GetPassword() override { return App() ? App()->m_Comm_data : CString(); }
    CString GetLoginId() override { return App() ? App()->m_LoginID : CString(); }
    CString GetInstallFolder() override { return App() ? App()->GetExeFolder() : CString(); }

    void ShowStopMessage(UINT stringId) override
    {
        if (App())
            App()->MessageBoxIdLogged(stringId, MB_ICONSTOP);
    }
    void LogError(const CString& text) override
    {
        if (App())
            App()->LogError(MB_ICONWARNING, text);
    }
    void LogoutAndEnd(int exitCode) override
    {
        if (HWND main = GetMainWindow())
            ::PostMessageA(main, WM_APP_COMMAND_REQUEST, kAppLogout, 0);
        EndProgram(exitCode);
    }
    void EndProgram(int exitCode) override
    {
        g_endRequested = true;
        if (App())
            App()->SetExitCode(exitCode);
        if (HWND main = GetMainWindow())
            ::PostMessageA(main, WM_APP_COMMAND_REQUEST, kAppExit, 0);
    }

private:
    static CClientApp* App() { return GetClientApp(); }
    static CMainDlg* Main() { return App() ? App()->GetMainDlg() : nullptr; }
    static CPhoneDlg* Phone() { return App() ? dynamic_cast<CPhoneDlg*>(App()->GetPhoneDlg()) : nullptr; }
};

CBrowserServices g_services;
bool g_registered = false;

} // namespace

namespace shellbrowser {

void RegisterBrowserHost()
{
    if (g_registered)
        return;
    g_registered = true;
    browser::SetHost(&g_services);
    CBrowserDlg::LoadServiceOrigin();
}

bool IsEndRequested() { return g_endRequested; }

CBrowserDlg* CreateBrowser(CWnd* parent, int flag)
{
    RegisterBrowserHost();
    CBrowserDlg* window = new (std::nothrow) CBrowserDlg(parent, flag);
    if (!window)
        return nullptr;
    window->SetDeleteOnDestroy(true);
    if (flag == kWindowBrowser)
        window->JoinRegistry(kWindowBrowser);
    if (!window->Create() || !window->HasSkin()) {
        if (window->GetSafeHwnd())
            window->DestroyWindow(); // deletes itself
        else
            delete window;
        return nullptr;
    }
    return window;
}

bool CreateUrlWindows(CWnd* host)
{
    RegisterBrowserHost();
    CUrlComboWnd* bar = new (std::nothrow) CUrlComboWnd(host);
    if (!bar)
        return false;
    bar->SetDeleteOnDestroy(true);
    bar->JoinRegistry(kWindowAddressBar);
    if (!bar->Create()) {
        if (bar->GetSafeHwnd())
            bar->DestroyWindow();
        else
            delete bar;
        return false;
    }
    bar->ShowWindow(SW_HIDE);
    CWnd* main = GetClientApp() ? GetClientApp()->GetMainDlg() : nullptr;
    if (!CreateBrowser(main, kWindowBrowser)) {
        bar->DestroyWindow();
        return false;
    }
    return true;
}

void ShowHandedOverUrl(WPARAM target, const CString& url)
{
    if (url.IsEmpty())
        return;
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    if (target == 0) {
        if (CUrlComboWnd* bar = CUrlComboWnd::Find())
            bar->ShowCurrentUrl(url, 0);
        return;
    }
    if (target != 1)
        return;
    CBrowserDlg* browserWindow = dynamic_cast<CBrowserDlg*>(app->GetBrowserDlg());
    if (!browserWindow)
        return;
    if (CAppHostDlg* hostDlg = app->GetHostDlg())
        hostDlg->OnComeToFront(0, 0);
    // A link handed over by another program comes from no page: its commands run.
    CString page = browserWindow->GetPageUrl();
    browserWindow->SetPageUrl(CString());
    browserWindow->HandleSpecialUrl(url);
    if (app->GetBrowserDlg() == browserWindow)
        browserWindow->SetPageUrl(page);
}

} // namespace shellbrowser

CBrowserDlg* CClientApp::OpenUrlInBrowser(const CString& url, WindowKind kind)
{
    CWnd* main = GetMainDlg();
    if (!main)
        return nullptr;
    CBrowserDlg* window = shellbrowser::CreateBrowser(main, static_cast<int>(kind));
    if (!window)
        return nullptr;
    if (!url.IsEmpty())
        window->Navigate(url);
    toolkit::Host().AddTrayWindow(window->GetSafeHwnd());
    RegisterWindow(kind, window);
    return window;
}

void CClientApp::OpenUserRoom(const CString& commId)
{
    if (commId.GetLength() != 16)
        return;
    CString url = BuildRoomUrl(commId);
    if (CBrowserDlg* room = dynamic_cast<CBrowserDlg*>(FindWindowByKind(kWindowUserRoom, CString()))) {
        room->SetForegroundWindow();
        room->Navigate(url);
    } else {
        OpenUrlInBrowser(url, kWindowUserRoom);
    }
    MainPeers().BalloonEvent(120);
}
