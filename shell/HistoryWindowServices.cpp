#include "shell/HistoryWindowServices.h"

#include "messaging/history/win/MsgLogDlg.h"
#include "messaging/history/win/UserListDlg.h"
#include "messaging/history/win/UserLogDlg.h"
#include "messaging/history/win/UserStatDlg.h"
#include "messaging/store/StorePlatform.h"
#include "resources/StringIds.h"
#include "shell/AppHostDlg.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/ServiceSeams.h"
#include "shell/common/services/MainWindowLogic.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/utilities/WinUtil.h"

#include <memory>
#include <new>

namespace {

std::unique_ptr<CHistoryWindowServices> g_services;

bool CopyUser(const std::vector<UserRef>& list, int index, ListUser* user)
{
    if (!user || index < 0 || static_cast<std::size_t>(index) >= list.size())
        return false;
    const UserRef& row = list[static_cast<std::size_t>(index)];
    user->name = row.name;
    user->commId = row.id;
    user->status = row.status;
    user->image = row.image;
    return true;
}

} // namespace

CMainDlg* CHistoryWindowServices::Main() const { return m_app.GetMainDlg(); }

CString CHistoryWindowServices::OwnCommId() const { return m_app.m_Comm_id; }
CString CHistoryWindowServices::OwnName() const { return m_app.m_Comm_name; }

bool CHistoryWindowServices::IsLoggedIn() const
{
    return m_app.GetServiceSession() && mainwnd::IsMessagingReady(m_app.m_sessionFlags);
}

bool CHistoryWindowServices::WebFunctionsAvailable() const
{
    return IsLoggedIn() && (m_app.m_sessionFlags & 0x0F00) != 0;
}

bool CHistoryWindowServices::HasLogin() const { return m_app.GetServiceSession() != nullptr; }
bool CHistoryWindowServices::IsModal() const { return m_app.GetModalCount() > 0; }
void CHistoryWindowServices::SetModalState(bool enter) { m_app.SetModalState(enter); }
bool CHistoryWindowServices::RequestLockHeld() const { return m_app.GetPmHolderKind() != 0; }
bool CHistoryWindowServices::DatabaseAvailable() const { return msgstore::StorePlatform().IsDatabaseAvailable(); }

int CHistoryWindowServices::FriendCount() const { return static_cast<int>(m_app.m_friends.size()); }
bool CHistoryWindowServices::GetFriend(int index, ListUser* user) const { return CopyUser(m_app.m_friends, index, user); }
int CHistoryWindowServices::UserCount() const { return static_cast<int>(m_app.m_users.size()); }
bool CHistoryWindowServices::GetUser(int index, ListUser* user) const { return CopyUser(m_app.m_users, index, user); }

std::uint32_t CHistoryWindowServices::GetStatusWord() const { return m_app.Settings().m_myStatus; }
void CHistoryWindowServices::SetStatusWord(std::uint32_t status) { m_app.Settings().m_myStatus = status; }

void CHistoryWindowServices::SendPresence()
{
    if (CMainDlg* main = Main())
        main->SendPresence();
}

void CHistoryWindowServices::UpdateOwnStatus()
{
    if (CMainDlg* main = Main())
        main->UpdateOwnStatus();
}

bool CHistoryWindowServices::ListEnabled() const
{
    CMainDlg* main = Main();
    return main && main->IsListReceived();
}

std::uint32_t CHistoryWindowServices::PreferenceFlags() const { return m_app.Settings().m_flags; }
void CHistoryWindowServices::QueueRequest(std::uint16_t kind) { m_app.QueueRequest(kind); }

void CHistoryWindowServices::SetDeferredRequest(unsigned bit)
{
    if (CMainDlg* main = Main())
        main->AddPendingRequests(static_cast<uint16_t>(1u << bit));
}

std::uintptr_t CHistoryWindowServices::IconImageList() const
{
    CMainDlg* main = Main();
    return main ? reinterpret_cast<std::uintptr_t>(main->GetIconImageList()->GetSafeHandle()) : 0;
}

std::uintptr_t CHistoryWindowServices::MainWindow() const
{
    CMainDlg* main = Main();
    return main ? reinterpret_cast<std::uintptr_t>(main->GetSafeHwnd()) : 0;
}

bool CHistoryWindowServices::CopyToClipboard(const CString& text)
{
    CMainDlg* main = Main();
    return winutil::CopyTextToClipboard(text, main ? main->GetSafeHwnd() : nullptr) != FALSE;
}

void CHistoryWindowServices::AddLogWindow(std::uintptr_t window)
{
    if (CWnd* log = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(window)))
        m_app.AddLogWindow(log);
}

void CHistoryWindowServices::RemoveLogWindow(std::uintptr_t window)
{
    if (CWnd* log = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(window)))
        m_app.RemoveLogWindow(log);
}

CHistoryWindowServices& HistoryWindowServices()
{
    if (!g_services) {
        g_services = std::make_unique<CHistoryWindowServices>(*GetClientApp());
        messaging::SetHistoryHost(g_services.get());
    }
    return *g_services;
}

namespace {
// A window of the kind on its skin, hidden; null when it can't be made.
template <class Window>
CWnd* MakeSkinnedWindow(CWnd* parent, WindowKind kind, const char* bitmap, BOOL resizable, UINT templateId)
{
    HistoryWindowServices();
    auto* window = new (std::nothrow) Window(parent);
    if (!window)
        return nullptr;
    window->JoinRegistry(kind);
    if (!window->LoadSkin(bitmap, resizable) || !window->Create(templateId, parent)) {
        if (window->GetSafeHwnd())
            window->DestroyWindow(); // deletes it
        else
            delete window;
        return nullptr;
    }
    return window;
}
} // namespace

CWnd* CreateUserListWindow(CWnd* parent)
{
    return MakeSkinnedWindow<CUserListDlg>(parent, kWindowUserList, "user.bmp", FALSE, IDD_USER_LIST);
}

bool RelayoutUserListWindow(CWnd* window)
{
    auto* list = dynamic_cast<CUserListDlg*>(window);
    return list && list->ApplySkin();
}

CWnd* CreatePartnerListWindow(CWnd* parent)
{
    return MakeSkinnedWindow<CUserLogDlg>(parent, kWindowPartnerList, "general.bmp", TRUE, IDD_USER_LOG);
}

bool RelayoutPartnerListWindow(CWnd* window)
{
    auto* list = dynamic_cast<CUserLogDlg*>(window);
    return list && list->ApplySkin();
}

void RefreshPartnerListWindow(CWnd* window)
{
    if (auto* list = dynamic_cast<CUserLogDlg*>(window))
        list->RefreshList();
}

void OpenMessageLogWindow(const PartnerRef& partner)
{
    HistoryWindowServices();
    CClientApp* app = GetClientApp();
    auto* window = new (std::nothrow) CMsgLogDlg(app ? static_cast<CWnd*>(app->GetHostDlg()) : nullptr);
    if (!window)
        return;
    window->SetPartner(partner.commId, partner.commName);
    if (!window->Create() && !window->GetSafeHwnd())
        delete window; // a window that was made deletes itself when it goes
}

INT_PTR RunMoodWindow()
{
    CHistoryWindowServices& services = HistoryWindowServices();
    CUserStatDlg mood(CClientApp::GetAppWindow(kWindowMain), services);
    const INT_PTR answer = mood.DoModal();
    return answer == IDOK ? IDOK : IDCANCEL;
}
