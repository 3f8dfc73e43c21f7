#include "shell/NotifyWindowServices.h"

#include "shell/AppHostDlg.h"
#include "shell/AppObjects.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/common/services/ErrorTable.h"
#include "shell/common/utilities/WinUtil.h"

#include "chat_web/browser/win/BrowserDlg.h"
#include "framework/core/UrlParse.h"
#include "messaging/store/MsgStore.h"

#include <memory>
#include <new>

namespace {
std::unique_ptr<CNotifyWindowServices> g_services;

CNotifyWindowServices& Services()
{
    if (!g_services)
        g_services.reset(new CNotifyWindowServices(*GetClientApp()));
    return *g_services;
}

constexpr unsigned kFlagNoFeatureTexts = 0x400;
} // namespace

CWnd* CNotifyWindowServices::GetParentWindow() { return m_app.GetHostDlg(); }

IProfileStore& CNotifyWindowServices::GetProfile() { return m_app.Profile(); }

long long CNotifyWindowServices::GetKeepDays() { return m_app.Settings().m_errorLogDate; }

CString CNotifyWindowServices::GetLogFolder()
{
    CMsgStore store;
    return store.GetLogFolder();
}

std::time_t CNotifyWindowServices::Now() { return std::time(nullptr); }

bool CNotifyWindowServices::FeatureTextsOff() { return (m_app.Settings().m_flags & kFlagNoFeatureTexts) != 0; }

bool CNotifyWindowServices::IsLoggedIn()
{
    IServiceSession* session = m_app.GetServiceSession();
    return session && session->IsLoggedIn();
}

balloon::AccountValues CNotifyWindowServices::GetAccount()
{
    return balloon::AccountValues{m_app.m_LoginID, m_app.m_LoginPasswd, m_app.m_Comm_id, m_app.m_Comm_data};
}

std::vector<CString> CNotifyWindowServices::GetServiceHosts()
{
    std::vector<CString> hosts;
    for (const char* name : {"SearchPage", "MailPage", "ProfilePage", "LoginPage", "ChargePage"}) {
        const CString root = m_app.GetServerRoot(name);
        std::uint32_t service = 0;
        CString server, object;
        std::uint16_t port = 0;
        if (!root.IsEmpty() && AfxParseURL(root, service, server, object, port) && !server.IsEmpty())
            hosts.push_back(server);
    }
    return hosts;
}

void CNotifyWindowServices::OpenUrl(const CString& url)
{
    if (CMainDlg* main = m_app.GetMainDlg())
        main->OpenUrl(url);
}

void CNotifyWindowServices::NavigatePost(const CString& url, const CString& form)
{
    if (auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg())) {
        browser->NavigatePost(url, form);
        browser->ShowWindow(SW_SHOW);
    }
}

bool CNotifyWindowServices::HttpGet(const CString& url, CString& text)
{
    winutil::HttpGetOptions options;
    options.maxBytes = CEventData::kMaxDownloadBytes;
    return winutil::HttpGetUrl(url, text, nullptr, options);
}

int CNotifyWindowServices::GetFriendEntryCount() { return static_cast<int>(m_app.m_friends.size()); }

CVyrnMessageDlg* CNotifyWindowServices::GetErrorBalloon()
{
    return dynamic_cast<CVyrnMessageDlg*>(m_app.GetErrorBalloon());
}

void CNotifyWindowServices::OnSkinMissing(const CString& text)
{
    m_app.MessageBoxTextLogged(text, errortable::kFlagError);
    EndProgramNow(-1);
}

CErrorLogDlg* CreateErrorLogWindow(CWnd* parent)
{
    // The host dialog is the parent when there is one.
    if (CWnd* host = Services().GetParentWindow())
        parent = host;
    auto* log = new (std::nothrow) CErrorLogDlg(parent, Services());
    if (!log)
        return nullptr;
    log->JoinRegistry(kWindowErrorLog);
    if (!log->Create()) {
        // With a window it deletes itself; a window that was never made keeps its small object
        // (its class is deleted only through its window).
        if (log->GetSafeHwnd())
            log->DestroyWindow();
        return nullptr;
    }
    return log;
}

CVyrnMessageDlg* CreateBalloonWindow(CWnd* parent, bool errorKind)
{
    if (CWnd* host = Services().GetParentWindow())
        parent = host;
    auto* balloon = new (std::nothrow)
        CVyrnMessageDlg(parent, errorKind ? CVyrnMessageDlg::kError : CVyrnMessageDlg::kNormal, Services());
    if (!balloon)
        return nullptr;
    balloon->JoinRegistry(errorKind ? kWindowErrorBalloon : kWindowNormalBalloon);
    if (!balloon->Create()) {
        if (balloon->GetSafeHwnd())
            balloon->DestroyWindow();
        return nullptr;
    }
    return balloon;
}

void ShowBalloonFeatureEvent(CVyrnMessageDlg& balloon, int event)
{
    switch (event) {
    // The log-in greetings; 12 also fetches the service's event data first.
    case 1:
    case 10:
    case 11:
    case 12: balloon.ShowLoginEvent(event); break;
    case 30:
    case 31: balloon.ShowMessageEvent(event); break;
    case 41: balloon.ShowChatEvent(); break;
    case 60: balloon.ShowSkinEvent(); break;
    case 70: balloon.ShowCdEvent(); break;
    case 80: balloon.ShowCastEvent(); break;
    case 90: balloon.ShowWebMailEvent(); break;
    case 110: balloon.ShowFriendMailEvent(); break;
    case 120: balloon.ShowMyRoomEvent(); break;
    case 130: balloon.ShowUserListEvent(); break;
    case 140: balloon.ShowMemoEvent(); break;
    default: break;
    }
}
