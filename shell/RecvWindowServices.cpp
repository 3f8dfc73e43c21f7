#include "shell/RecvWindowServices.h"

#include "shell/AppObjects.h"
#include "shell/ClientApp.h"
#include "shell/HistoryWindowServices.h"
#include "shell/MainDlg.h"
#include "shell/MainWindowPeers.h"
#include "shell/MemoWindowServices.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/ErrorTable.h"
#include "shell/common/skin/SkinManager.h"
#include "shell/common/utilities/WinUtil.h"

#include "chat_web/browser/win/BrowserDlg.h"
#include "messaging/client/MsgClientHost.h"
#include "messaging/client/win/MsgWindowClientLink.h"
#include "messaging/lists/win/FriendListDlg.h"
#include "messaging/recv/win/MsgRecvDlg.h"
#include "messaging/store/StorePlatform.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "resources/StringIds.h"

#include <cstring>
#include <new>

namespace {
std::unique_ptr<CRecvWindowServices> g_services;

constexpr unsigned kFlagVoiceMessages = 0x20;

CRecvWindowServices& Services()
{
    if (!g_services) {
        CClientApp* app = GetClientApp();
        g_services.reset(new CRecvWindowServices(*app));
    }
    return *g_services;
}

CMainDlg* MainWindow()
{
    CClientApp* app = GetClientApp();
    return app ? app->GetMainDlg() : nullptr;
}
} // namespace

CRecvWindowServices::CRecvWindowServices(CClientApp& app) : m_app(app)
{
    messaging::SetWindowOpener(this);
    messaging::SetFriendListHost(this);
}

CRecvWindowServices::~CRecvWindowServices()
{
    if (&messaging::Opener() == this)
        messaging::SetWindowOpener(nullptr);
    if (&messaging::FriendHost() == this)
        messaging::SetFriendListHost(nullptr);
}

// IRecvHost

bool CRecvWindowServices::IsLoggedIn() const
{
    IServiceSession* session = m_app.GetServiceSession();
    return session && session->IsLoggedIn();
}

IMsgWindowClient* CRecvWindowServices::GetMsgClient()
{
    IServiceSession* session = m_app.GetServiceSession();
    auto* client = session ? dynamic_cast<CMsgClientWnd*>(session->GetRequestClient()) : nullptr;
    if (!client || !client->GetSafeHwnd()) {
        m_link.reset();
        return nullptr;
    }
    if (!m_link || &m_link->Client() != client)
        m_link.reset(new CMsgWindowClientLink(*client));
    return m_link.get();
}

int& CRecvWindowServices::SequenceCounter() { return msgclient::Host().SequenceCounter(); }

bool CRecvWindowServices::LockPm(std::uint16_t kind, unsigned waitMs)
{
    return m_app.LockPm(kind, waitMs) == WAIT_OBJECT_0;
}

void CRecvWindowServices::UnlockPm() { m_app.UnlockPm(); }

std::uint16_t CRecvWindowServices::GetHolderKind() const { return m_app.GetPmHolderKind(); }

void CRecvWindowServices::SetHolderKind(std::uint16_t kind)
{
    // The lock stays taken; only the recorded holder changes (a release empties it).
    if (m_app.GetPmHolderKind() != 0)
        m_app.SetPmHolderKind(kind);
}

std::vector<MessageEntry>& CRecvWindowServices::Arrivals() { return m_app.m_arrivals; }

std::vector<MessageEntry>& CRecvWindowServices::SavedArrivals() { return m_app.m_pendingArrivals; }

void CRecvWindowServices::MergeMessageLists() { m_app.MergeMessageLists(); }

void CRecvWindowServices::SetMessageArrive(bool flag) { m_app.SetMessageArrive(flag); }

void CRecvWindowServices::PlayArrivalSound() { m_app.PlayArrivalSound(); }

CString& CRecvWindowServices::PendingTempFile() { return m_app.m_pendingTempFile; }

CString& CRecvWindowServices::PendingTargetFile() { return m_app.m_pendingTargetFile; }

bool CRecvWindowServices::CommitReceivedFile(bool keep)
{
    const bool hadFile = !m_app.m_pendingTempFile.IsEmpty() && !m_app.m_pendingTargetFile.IsEmpty();
    m_app.CommitReceivedFile(keep);
    if (!keep)
        return true;
    // The application empties the names once the copy is made, and keeps them when it failed.
    return hadFile && m_app.m_pendingTempFile.IsEmpty();
}

CString CRecvWindowServices::MakeTempFile(const char* prefix)
{
    char folder[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return CString();
    char name[MAX_PATH] = {};
    if (!::GetTempFileNameA(folder, prefix, 0, name))
        return CString();
    return CString(name);
}

bool CRecvWindowServices::FileExists(const CString& path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void CRecvWindowServices::RemoveFile(const CString& path) { ::DeleteFileA(path); }

void CRecvWindowServices::ReportError(int code) { m_app.ReportError(code, 0); }

void CRecvWindowServices::ShowNotice(RecvNotice notice)
{
    switch (notice) {
    case RecvNotice::LoggedOut: m_app.MessageBoxId(IDS_RECV_LOGGED_OUT, MB_ICONINFORMATION); break;
    case RecvNotice::NoClient: m_app.MessageBoxIdLogged(IDS_RECV_NO_CLIENT, errortable::kFlagError); break;
    case RecvNotice::NoFile: m_app.MessageBoxIdLogged(IDS_RECV_NO_FILE, errortable::kFlagWarning); break;
    case RecvNotice::StoreFailed: {
        CString text;
        text.LoadString(IDS_RECV_STORE_FAILED);
        m_app.LogError(errortable::kFlagWarning, text);
        break;
    }
    case RecvNotice::BannerSkin: {
        CWnd* main = MainWindow();
        m_app.MessageBoxIdLogged(IDS_RECV_BANNER_BROKEN, errortable::kFlagWarning, main);
        CSkinManager* skins = GetAppSkinManager();
        if (!skins || skins->IsBaseSkin()) {
            // The base skin itself hides the banner: there is nothing to fall back on.
            EndProgramNow(-1);
            return;
        }
        if (CWnd* receive = CClientApp::GetAppWindow(kWindowReceive))
            skins->FlushSkinCache(receive->GetSafeHwnd());
        if (main)
            main->PostMessage(WM_COMMAND, CSkinManager::kBaseSkinCommand, 0);
        break;
    }
    }
}

int CRecvWindowServices::ShowMessage(const CString& text, unsigned flags, bool logged)
{
    CWnd* owner = CClientApp::GetAppWindow(kWindowReceive);
    return logged ? m_app.MessageBoxTextLogged(text, flags, owner) : m_app.ShowMessageBox(text, flags, owner);
}

void CRecvWindowServices::MessageFont(CString* face, int* points, std::uint32_t* colour) const
{
    for (const FontSlot& slot : m_app.Settings().m_fonts) {
        if (std::strncmp(slot.prefix, "Are", sizeof slot.prefix) == 0) {
            *face = CString(slot.face);
            *points = slot.size;
            *colour = slot.color;
            return;
        }
    }
}

CString CRecvWindowServices::OwnCommName() const { return m_app.m_Comm_name; }

bool CRecvWindowServices::HistoryAvailable() const { return msgstore::StorePlatform().IsDatabaseAvailable(); }

unsigned CRecvWindowServices::ProtocolVersionLowByte() const
{
    return static_cast<unsigned>(m_app.GetProfileInt("NetInfo", "ProtocolVer", 0)) & 0xFFu;
}

bool CRecvWindowServices::VoiceMessageOption() const { return (m_app.Settings().m_flags & kFlagVoiceMessages) != 0; }

void CRecvWindowServices::BlinkReceiveButton()
{
    if (CMainDlg* main = MainWindow())
        main->BlinkReceiveButton();
}

void CRecvWindowServices::UpdateReceiveButton()
{
    if (CMainDlg* main = MainWindow())
        main->UpdateReceiveButton();
}

// IMessageWindowOpener

void CRecvWindowServices::OpenSendWindow(const PartnerRef& partner, bool)
{
    if (CMainDlg* main = MainWindow())
        main->OpenSendWindow(partner);
}

void CRecvWindowServices::RequestReadNotice(const CString& senderId)
{
    CWnd* send = m_app.GetSendDlg();
    if (!send)
        send = MainPeers().Create(kWindowSend, MainWindow());
    if (!send || !send->GetSafeHwnd())
        return;
    // The send window frees the copy of the ID it is posted.
    CString* id = new (std::nothrow) CString(senderId);
    if (id && !send->PostMessage(0x40A, 105, reinterpret_cast<LPARAM>(id)))
        delete id;
}

void CRecvWindowServices::OpenMessageLog(const PartnerRef& partner) { OpenMessageLogWindow(partner); }

// A memo window for the partner, then the normal balloon's memo event.
void CRecvWindowServices::OpenMemo(const PartnerRef& partner)
{
    if (OpenMemoWindow(partner))
        MainPeers().BalloonEvent(140);
}

bool CRecvWindowServices::PhoneExists() const { return m_app.GetPhoneDlg() != nullptr; }

bool CRecvWindowServices::PhoneSessionActive() const
{
    auto* phone = dynamic_cast<CPhoneDlg*>(m_app.GetPhoneDlg());
    return phone && phone->IsSessionActive();
}

void CRecvWindowServices::DialCommId(const CString& commId)
{
    if (auto* phone = dynamic_cast<CPhoneDlg*>(m_app.GetPhoneDlg()))
        phone->DialCommId(commId);
}

bool CRecvWindowServices::PlayVoiceClip(std::uintptr_t beside, const CString& file)
{
    auto* panel = dynamic_cast<CVoiceClipDlg*>(m_app.GetVoiceClipDlg());
    if (!panel || !panel->GetSafeHwnd())
        return false;
    panel->ShowBeside(reinterpret_cast<HWND>(beside));
    panel->SetForegroundWindow();
    panel->LoadClip(file);
    return true;
}

void CRecvWindowServices::OpenUrl(const CString& url)
{
    if (CMainDlg* main = MainWindow())
        main->OpenUrl(url);
}

void CRecvWindowServices::RunMailCommand()
{
    if (CMainDlg* main = MainWindow())
        main->SendMailTo();
}

void CRecvWindowServices::OpenUserRoom(const CString& commId) { m_app.OpenUserRoom(commId); }

bool CRecvWindowServices::BrowserExists() const { return m_app.GetBrowserDlg() != nullptr; }

void CRecvWindowServices::OpenProfilePage(const CString& commId)
{
    CString root = m_app.GetServerRoot("ProfilePage");
    if (root.IsEmpty() || commId.IsEmpty())
        return;
    if (auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg())) {
        browser->Navigate(root + commId);
        browser->ShowWindow(SW_SHOW);
    }
}

void CRecvWindowServices::OpenProfileSearch()
{
    if (auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg()))
        browser->OpenProfileSearch();
}

void CRecvWindowServices::OpenFileInBrowser(const CString& path)
{
    auto* browser = dynamic_cast<CBrowserDlg*>(m_app.GetBrowserDlg());
    if (!browser)
        return;
    browser->SetForegroundWindow();
    browser->Navigate(path);
    AddTrayWindow(reinterpret_cast<std::uintptr_t>(browser->GetSafeHwnd()));
}

void* CRecvWindowServices::OpenBannerTarget()
{
    if (CWnd* existing = m_app.FindWindowByKind(kWindowNewBrowser, CString()))
        existing->SetForegroundWindow();
    IDispatch* application = nullptr;
    MainPeers().OpenBrowser(kWindowNewBrowser, CString(), &application);
    return application;
}

void CRecvWindowServices::ShowBalloonEvent(int event) { MainPeers().BalloonEvent(event); }

void CRecvWindowServices::CloseOpenMenus() { CClientApp::CloseOpenMenus(true); }

void CRecvWindowServices::AddTrayWindow(std::uintptr_t window)
{
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->AddWindow(reinterpret_cast<HWND>(window));
}

void CRecvWindowServices::RemoveTrayWindow(std::uintptr_t window)
{
    if (CTrayIcon* tray = CTrayIcon::Instance())
        tray->RemoveWindow(reinterpret_cast<HWND>(window));
}

// IFriendListHost

bool CRecvWindowServices::GetFriend(int index, FriendEntry* entry) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_app.m_friends.size() || !entry)
        return false;
    const UserRef& row = m_app.m_friends[static_cast<std::size_t>(index)];
    entry->name = row.name;
    entry->commId = row.id;
    entry->state = row.status;
    return true;
}

bool CRecvWindowServices::FriendListArrived() const
{
    CMainDlg* main = MainWindow();
    return main && main->IsListReceived();
}

std::uintptr_t CRecvWindowServices::GetFocusList() const { return HistoryWindowServices().GetFocusList(); }

void CRecvWindowServices::SetFocusList(std::uintptr_t list) { HistoryWindowServices().SetFocusList(list); }

bool CRecvWindowServices::RequestLockHeld() const { return m_app.GetPmHolderKind() != 0; }

void CRecvWindowServices::SetRefreshPending(unsigned bit)
{
    if (CMainDlg* main = MainWindow())
        main->AddPendingRequests(static_cast<uint16_t>(bit));
}

void CRecvWindowServices::QueueRequest(std::uint16_t kind) { m_app.QueueRequest(kind); }

CString CRecvWindowServices::OwnCommId() const { return m_app.m_Comm_id; }

bool CRecvWindowServices::DatabaseAvailable() const { return HistoryAvailable(); }

bool CRecvWindowServices::CopyToClipboard(const CString& text)
{
    CMainDlg* main = MainWindow();
    return winutil::CopyTextToClipboard(text, main ? main->GetSafeHwnd() : nullptr) != FALSE;
}

// Creation

CMsgRecvDlg* CreateReceiveWindow(CWnd* parent)
{
    CRecvWindowServices& services = Services();
    auto* window = new (std::nothrow) CMsgRecvDlg(parent, services, services.Store());
    if (!window)
        return nullptr;
    window->JoinRegistry(kWindowReceive);
    if (!window->LoadSkin("vyrntalk_rcv.bmp", FALSE) || !window->Create(IDD_MSG_RECV, parent)) {
        if (window->GetSafeHwnd())
            window->DestroyWindow(); // deletes it
        else
            delete window;
        return nullptr;
    }
    return window;
}

CFriendListDlg* CreateFriendListWindow(CWnd* parent)
{
    Services();
    auto* window = new (std::nothrow) CFriendListDlg(parent);
    if (!window)
        return nullptr;
    window->JoinRegistry(kWindowFriendList);
    if (!window->LoadSkin("friend.bmp", FALSE) || !window->Create(IDD_FRIEND_LIST, parent)) {
        if (window->GetSafeHwnd())
            window->DestroyWindow();
        else
            delete window;
        return nullptr;
    }
    return window;
}

void ShowReceiveWindow(CWnd* window)
{
    if (auto* receive = dynamic_cast<CMsgRecvDlg*>(window))
        receive->SetShown(true);
    else if (window)
        window->ShowWindow(SW_SHOWNOACTIVATE);
    if (window)
        Services().AddTrayWindow(reinterpret_cast<std::uintptr_t>(window->GetSafeHwnd()));
}

CRecvWindowServices* GetRecvWindowServices() { return g_services.get(); }
