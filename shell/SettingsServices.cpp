#include "shell/SettingsServices.h"

#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/UrlComboWnd.h"
#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "net/dialup/DialUp.h"
#include "net/dialup/DialupDetailDlg.h"
#include "net/forms/win/HttpPostForm.h"
#include "resources/StringIds.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/MainWindowPeers.h"
#include "shell/common/utilities/WinUtil.h"
#include "shell/settings/win/SettingsCommonDialogs.h"
#include "shell/settings/win/SettingsDlg.h"


namespace {

// The connection check over a session of the program's session factory: a log-in, the message
// client's start result, a log-out.
class CFactoryCheckSession : public ICheckSession {
public:
    CFactoryCheckSession(IServiceSessionFactory& factory, IServiceSession* session)
        : m_factory(factory), m_session(session)
    {
    }
    ~CFactoryCheckSession() override { m_factory.DeleteSession(m_session); }
    int Login() override { return m_session->Login(1); }
    int GetLastError() const override { return m_session->GetErrorCode(); }
    bool OpenMessageClient(int) override { return m_session->GetMessageClientStartResult() == 0; }
    void Logout() override { m_session->Logout(1); }
    void Cancel() override {}

private:
    IServiceSessionFactory& m_factory;
    IServiceSession* m_session;
};

class CSettingsServices : public ISettingsHost {
public:
    explicit CSettingsServices(CClientApp& app)
        : m_app(app), m_policy(app), m_poster(&m_policy),
          m_account(app, [&app](const char* name) { return app.GetServerRoot(name); })
    {
    }

    CProgramSettings& Settings() override { return m_app.Settings(); }
    CNetInfo& NetInfo() override { return m_app; }
    IServiceAccount& Account() override { return m_account; }
    IFormPoster& FormPoster() override { return m_poster; }

    int ShowMessage(UINT textId, UINT flags, HWND owner, int number) override
    {
        CWnd* window = CWnd::FromHandlePermanent(owner);
        if (number == kNoNumber)
            return m_app.MessageBoxId(textId, flags, window);
        CString text;
        text.LoadString(textId);
        m_app.ShowNumbered(text, number, flags, window);
        return IDOK;
    }
    int ShowText(const CString& text, UINT flags, HWND owner) override
    {
        return m_app.ShowMessageBox(text, flags, CWnd::FromHandlePermanent(owner));
    }
    bool IsLoggedIn() override
    {
        IServiceSession* session = m_app.GetServiceSession();
        return session && session->IsLoggedIn();
    }
    void LogOut() override
    {
        if (CMainDlg* main = m_app.GetMainDlg())
            main->LogOut();
    }
    void UrlSendingChanged(bool on) override
    {
        CMainDlg* main = m_app.GetMainDlg();
        if (on && main)
            main->SendUrlToServer(CurrentPageUrl());
    }
    void QueryIntervalChanged(unsigned) override {}
    CString CurrentPageUrl() override
    {
        if (auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg()))
            if (browser->GetSafeHwnd()) {
                CString url = browser->GetLocationUrl();
                if (!url.IsEmpty())
                    return url;
            }
        return m_app.m_lastVisitedUrl;
    }
    CString RoomPage() override { return m_app.BuildRoomUrl(m_app.m_Comm_id); }
    CString VersionText() override { return m_app.GetVersionText(); }
    CString AccountSummary() override
    {
        CServiceForms forms(m_account, m_poster);
        CStringTableTexts texts;
        return CNetAccess(m_app, forms, texts).AccountSummary();
    }
    void OpenChargePage() override
    {
        if (auto* browser = Browser()) {
            browser->SetAutoHide(FALSE);
            browser->OpenChargePage();
        }
        if (CUrlComboWnd* bar = CUrlComboWnd::Find())
            bar->ShowBar();
    }
    void OpenProfileEdit() override
    {
        if (auto* browser = Browser())
            browser->OpenProfileEdit();
    }
    void EndChargePage(bool hungUp) override
    {
        const bool loggedIn = IsLoggedIn();
        if (auto* browser = Browser()) {
            if (!hungUp)
                browser->GoHome();
            if (!loggedIn)
                browser->ShowWindow(SW_HIDE);
            browser->SetAutoHide(TRUE);
        }
        if (!loggedIn)
            if (CUrlComboWnd* bar = CUrlComboWnd::Find())
                bar->HideBar();
    }
    void CloseRegisteredWindows() override { m_app.CloseRegisteredWindows(); }
    void EndPhoneSession() override { MainPeers().Command(kWindowPhone, PeerCommand::EndSession); }
    void SaveAccount() override { m_app.Save("NetInfo"); }
    void UpdateOwnName(const CString& id, const CString& name, const CString& data, const CString& oldId) override
    {
        if (CMainDlg* main = m_app.GetMainDlg())
            main->UpdateOwnName(id, name, data, oldId);
    }
    CDialupDlg* MakeChargeDialer(CWnd* parent) override { return DialUp(CDialupDlg::kModeTollFree, parent); }
    bool RunDialupDetails(CWnd* parent, CString* modem) override
    {
        CDialupDetailDlg details(parent);
        details.m_presetModem = *modem;
        m_app.SetModalState(true);
        const INT_PTR result = details.DoModal();
        m_app.SetModalState(false);
        if (result != IDOK)
            return false;
        *modem = m_app.GetActiveSettings().modemName;
        return true;
    }
    bool ReadBrowserProxy(CString* host, CString* port) override
    {
        CString config;
        CInternetPolicy::ReadProxySettings(host, port, &config);
        return !host->IsEmpty();
    }
    ICheckSession* CreateCheckSession() override
    {
        IServiceSessionFactory* factory = m_app.GetSessionFactory();
        IServiceSession* session = factory ? factory->CreateSession() : nullptr;
        if (!session)
            return nullptr;
        return new CFactoryCheckSession(*factory, session);
    }
    void DeleteCheckSession(ICheckSession* session) override { delete session; }
    bool ChooseSoundFile(HWND owner, CString* path) override
    {
        m_app.SetModalState(true);
        const bool chosen = settingsui::ChooseSoundFile(owner, path);
        m_app.SetModalState(false);
        return chosen;
    }
    bool ChooseColor(HWND owner, COLORREF* colour) override
    {
        m_app.SetModalState(true);
        const bool chosen = settingsui::ChooseColour(owner, colour);
        m_app.SetModalState(false);
        return chosen;
    }
    bool IsSoundDeviceBusy() override { return m_app.IsSoundDeviceLocked() != FALSE; }
    void PlaySoundFile(const CString& path) override { winutil::PlaySoundFile(path); }
    void PlayDefaultSound() override { winutil::PlayAppSound(IDS_ARRIVAL_SOUND); }
    void SetModalState(bool modal) override { m_app.SetModalState(modal); }

private:
    CBrowserDlg* Browser()
    {
        auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg());
        return browser && browser->GetSafeHwnd() ? browser : nullptr;
    }

    CClientApp& m_app;
    CInternetPolicy m_policy;
    CWinInetFormPoster m_poster;
    CNetInfoAccount m_account;
};

} // namespace

INT_PTR RunSettingsDialog(CWnd* parent, int page)
{
    CClientApp* app = GetClientApp();
    if (!app)
        return IDCANCEL;
    CSettingsServices services(*app);
    CSettingsDlg dialog(parent ? parent : app->GetMainDlg(), page, services);
    dialog.JoinRegistry(kWindowSettings);
    const INT_PTR result = dialog.DoModal();
    return result == IDOK ? IDOK : IDCANCEL;
}
