#include "shell/PhoneServices.h"

#include "chat_web/browser/win/BrowserDlg.h"
#include "phone_media/callengine/CallEngineServices.h"
#include "net/access/NetAccount.h"
#include "net/access/win/InternetPolicy.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "resources/ids/phone_media.h"
#include "shell/common/scrambler/PasswordScrambler.h"
#include "shell/common/services/ErrorSink.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/utilities/WinUtil.h"

#include <memory>

namespace {

// Balloons and the error log through the application.
class CAppErrors : public IErrorSink {
public:
    explicit CAppErrors(CClientApp& app) : m_app(app) {}
    void LogError(unsigned flags, const CString& text) override { m_app.LogError(flags, text); }
    void ShowErrorBalloon(const CString& text, unsigned flags) override { m_app.ShowErrorBalloon(text, flags); }

private:
    CClientApp& m_app;
};

class CPhoneServices : public IPhoneHost {
public:
    explicit CPhoneServices(CClientApp& app) : m_app(app), m_errors(app) {}

    CString OwnCommId() override { return m_app.m_Comm_id; }
    CString SecondIdentity() override { return m_app.m_Comm_data2; }
    CString CountryCode() override { return m_app.Settings().m_country; }
    CString AreaCode() override { return m_app.Settings().m_areaCode; }
    unsigned ConnectionFlags() override { return (m_app.LiveConnectSettings().flags & kConnectLan) ? 1u : 0u; }
    bool CallServiceOff() override { return false; }

    int SearchCallService(int kind, const char* id, CString* result) override
    {
        CInternetPolicy policy(m_app);
        CWinInetFormPoster poster(&policy);
        CClientApp* app = &m_app;
        CNetInfoAccount account(m_app, [app](const char* name) { return app->GetServerRoot(name); });
        CServiceForms forms(account, poster);
        CStringTableTexts texts;
        CNetAccess access(m_app, forms, texts);
        result->Empty();
        return access.LookupCallPartner(kind == 1, id, result);
    }
    int RegisterCallId(int mode, const char* argument, CString* callId) override
    {
        CInternetPolicy policy(m_app);
        CWinInetFormPoster poster(&policy);
        CClientApp* app = &m_app;
        CNetInfoAccount account(m_app, [app](const char* name) { return app->GetServerRoot(name); });
        CServiceForms forms(account, poster);
        return forms.PostCallRegistration(mode, argument, callId);
    }

    bool LockSoundDevice(CWnd* owner, bool acquire) override { return m_app.LockSoundDevice(owner, acquire) != FALSE; }
    IErrorSink& Errors() override { return m_errors; }

    bool HasMainWindow() override { return CClientApp::GetAppWindow(kWindowMain) != nullptr; }
    void BlinkPhoneButton() override
    {
        if (CMainDlg* main = m_app.GetMainDlg())
            main->BlinkPhoneButton();
    }
    void StopPhoneBlink() override
    {
        if (CMainDlg* main = m_app.GetMainDlg())
            main->StopPhoneBlink();
    }
    void SwitchToBaseSkin() override
    {
        if (CWnd* main = CClientApp::GetAppWindow(kWindowMain))
            main->PostMessage(WM_COMMAND, 3584, 0);
    }
    void EndProgram(int code) override { ::ExitProcess(static_cast<UINT>(code)); }

    void OpenCreditPage() override
    {
        IServiceSession* session = m_app.GetServiceSession();
        if (!session || !session->IsLoggedIn() || !m_app.GetBrowserDlg())
            return;
        m_app.OpenUrlInBrowser(m_app.GetServerRoot("ChargePage"), kWindowBrowser);
    }
    void OpenFriendPage(const char* commId) override
    {
        if (auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg())) {
            browser->ShowWindow(SW_SHOW);
            browser->OpenProfile(commId);
        }
    }
    void OpenUserRoom(const char* commId) override { m_app.OpenUserRoom(commId); }

    CString InstallFolder() override
    {
        for (const char* name : {"q2nimbovandrell.exe", "NimboVandrell.exe"}) {
            CString path = winutil::GetAppPathFromRegistry(name);
            if (!path.IsEmpty())
                return path;
        }
        return m_app.GetExeFolder();
    }
    CString UserName() override
    {
        char name[513] = {};
        DWORD size = sizeof name - 1;
        return ::GetUserNameA(name, &size) ? CString(name) : CString();
    }

    // The banner's WebBrowser control has nothing to render here (no Gecko): the placeholder stays.
    IPhoneBanner* CreateBanner(CWnd*, UINT) override { return nullptr; }
    CString BannerUrl() override
    {
        CString path;
        path.LoadString(IDS_PHONE_BANNER_PATH);
        CString root = m_app.GetServerRoot("HomePage");
        if (root.GetLength() && root[root.GetLength() - 1] == '/')
            root = root.Left(root.GetLength() - 1);
        return root + path;
    }

private:
    CClientApp& m_app;
    CAppErrors m_errors;
};

// The call engine's view of the application: the profile (the library's log switches, the
// phone number, the gateway account), the program's folder (the phone's sounds) and boxes. The
// application is looked up at each call: without one the engine gets the defaults.
class CCallEngineAppServices : public ICallEngineServices {
public:
    bool AppExists() override { return GetClientApp() != nullptr; }
    CString GetProfileString(const char* section, const char* key, const char* defaultValue) override
    {
        CClientApp* app = GetClientApp();
        return app ? app->GetProfileString(section ? section : "", key, defaultValue)
                   : ICallEngineServices::GetProfileString(section, key, defaultValue);
    }
    int GetProfileInt(const char* section, const char* key, int defaultValue) override
    {
        CClientApp* app = GetClientApp();
        return app ? static_cast<int>(app->GetProfileInt(section ? section : "", key, defaultValue)) : defaultValue;
    }
    bool WriteProfileString(const char* section, const char* key, const char* value) override
    {
        CClientApp* app = GetClientApp();
        return app && app->WriteProfileString(section ? section : "", key, value) != FALSE;
    }
    CString GetProfileSecret(const char* section, const char* key) override
    {
        std::string plain;
        if (!scrambler::Unscramble(GetProfileString(section, key, "").str(), plain))
            return CString();
        return CString(plain.c_str());
    }
    bool WriteProfileSecret(const char* section, const char* key, const char* value) override
    {
        std::string plain = value ? value : "";
        if (plain.size() > scrambler::kMaxPlainBytes)
            return false;
        return WriteProfileString(section, key, scrambler::Scramble(plain).c_str());
    }
    CString ProgramFolder() override
    {
        CClientApp* app = GetClientApp();
        return app ? app->GetExeFolder() : CString();
    }
    void ShowMessage(int, const char* text, unsigned flags) override
    {
        CWnd* main = CClientApp::GetAppWindow(kWindowMain);
        PresentMessageBox(main ? main->GetSafeHwnd() : nullptr, text ? text : "", flags);
    }
};

std::unique_ptr<CPhoneServices> g_services;
std::unique_ptr<CCallEngineAppServices> g_engineServices;

} // namespace

CPhoneDlg* CreatePhoneWindow(CWnd* parent)
{
    if (!g_services) {
        g_services = std::make_unique<CPhoneServices>(*GetClientApp());
        phone::SetHost(g_services.get());
        g_engineServices = std::make_unique<CCallEngineAppServices>();
        SetCallEngineServices(g_engineServices.get());
    }
    auto* phoneWindow = new CPhoneDlg(parent);
    if (!phoneWindow->Create()) {
        if (phoneWindow->GetSafeHwnd())
            phoneWindow->DestroyWindow(); // deletes it
        else
            delete phoneWindow;
        return nullptr;
    }
    phoneWindow->ShowWindow(SW_HIDE);
    return phoneWindow;
}
