// The program's peers of the main window: each kind is made, re-laid and commanded by its own
// folder's window through the small services file of the shell that ties it to the program (the
// address bar and the application's browser come together from shellbrowser::CreateUrlWindows).
#include "shell/MainWindowPeers.h"
#include "shell/ClientApp.h"

#include "shell/BrowserServices.h"
#include "shell/ChatWindowServices.h"
#include "shell/SettingsServices.h"
#include "shell/HistoryWindowServices.h"
#include "shell/SendWindowServices.h"
#include "shell/NotifyWindowServices.h"
#include "shell/RecvWindowServices.h"
#include "messaging/lists/win/FriendListDlg.h"
#include "messaging/recv/win/MsgRecvDlg.h"
#include "shell/PhoneServices.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "shell/CdClipServices.h"
#include "phone_media/cdplayer/win/CdPlayerDlg.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "chat_web/window/win/ChatDlg.h"
#include "resources/StringIds.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/UrlComboWnd.h"

#include "shell/common/services/WindowKinds.h"

#include "toolkit/win/SkinFrameDialog.h"

#include <new>

namespace {

class CProgramPeers : public IMainWindowPeers {
public:
    CWnd* Create(WindowKind kind, CWnd* parent) override
    {
        if (kind == kWindowAddressBar) {
            // The bar (parent: the host dialog) and the application's browser come together.
            if (!shellbrowser::CreateUrlWindows(parent))
                return nullptr;
            return CUrlComboWnd::Find();
        }
        if (kind == kWindowChat)
            return CreateChatWindow(parent); // parent: the host dialog
        if (kind == kWindowUserList)
            return CreateUserListWindow(parent);
        if (kind == kWindowPartnerList)
            return CreatePartnerListWindow(parent);
        if (kind == kWindowSend)
            return CreateSendWindow(parent);
        if (kind == kWindowErrorLog)
            return CreateErrorLogWindow(parent);
        if (kind == kWindowNormalBalloon || kind == kWindowErrorBalloon)
            return CreateBalloonWindow(parent, kind == kWindowErrorBalloon);
        if (kind == kWindowReceive)
            return CreateReceiveWindow(parent);
        if (kind == kWindowFriendList)
            return CreateFriendListWindow(parent);
        if (kind == kWindowPhone)
            return CreatePhoneWindow(parent);
        if (kind == kWindowCdPlayer)
            return CreateCdPlayerWindow(parent);
        if (kind == kWindowVoiceClip)
            return CreateVoiceClipWindow(parent);
        if (kind == kWindowBrowser) {
            if (CWnd* made = CWnd::Registry().Find(kWindowBrowser))
                return made; // made with the bar
            return shellbrowser::CreateBrowser(parent, kWindowBrowser);
        }
        return nullptr;
    }
    bool Relayout(WindowKind kind, CWnd* window) override
    {
        if (kind == kWindowAddressBar) {
            auto* bar = dynamic_cast<CUrlComboWnd*>(window);
            return bar && bar->LayoutSkin();
        }
        if (kind == kWindowChat) {
            auto* chat = dynamic_cast<CChatDlg*>(window);
            return chat && chat->LayoutSkin();
        }
        if (kind == kWindowUserList)
            return RelayoutUserListWindow(window);
        if (kind == kWindowPartnerList)
            return RelayoutPartnerListWindow(window);
        if (kind == kWindowCdPlayer) {
            auto* player = dynamic_cast<CCdPlayerDlg*>(window);
            return player && player->LayoutSkin();
        }
        if (kind == kWindowVoiceClip) {
            auto* panel = dynamic_cast<CVoiceClipDlg*>(window);
            return panel && panel->LayoutSkin();
        }
        if (kind == kWindowBrowser) {
            auto* browserWindow = dynamic_cast<CBrowserDlg*>(window);
            return browserWindow && browserWindow->LayoutSkin();
        }
        if (kind == kWindowSend)
            return RelayoutSendWindow(window);
        if (kind == kWindowReceive) {
            auto* receive = dynamic_cast<CMsgRecvDlg*>(window);
            return receive && receive->ApplySkin();
        }
        if (kind == kWindowErrorLog) {
            auto* log = dynamic_cast<CErrorLogDlg*>(window);
            if (log)
                log->ApplySkin();
            return log != nullptr;
        }
        if (kind == kWindowNormalBalloon || kind == kWindowErrorBalloon)
            return dynamic_cast<CVyrnMessageDlg*>(window) != nullptr; // the characters keep their own skin
        if (kind == kWindowFriendList) {
            auto* friends = dynamic_cast<CFriendListDlg*>(window);
            return friends && friends->ApplySkin();
        }
        if (kind == kWindowPhone) {
            auto* phoneWindow = dynamic_cast<CPhoneDlg*>(window);
            return phoneWindow && phoneWindow->LayoutSkin();
        }
        return false;
    }
    void Destroy(WindowKind, CWnd* window) override
    {
        if (window && window->GetSafeHwnd())
            window->DestroyWindow();
    }
    void Command(WindowKind kind, PeerCommand command) override
    {
        CWnd* window = CWnd::Registry().Find(kind);
        if (!window || !window->GetSafeHwnd())
            return;
        if (kind == kWindowChat) {
            auto* chat = dynamic_cast<CChatDlg*>(window);
            if (chat && command == PeerCommand::CloseRoom) {
                chat->CloseRoom();
                return;
            }
            if (chat && command == PeerCommand::ClearLog) {
                chat->SendMessage(WM_COMMAND, ID_CHAT_CLEAR_LOG, 0);
                return;
            }
            if (chat && command == PeerCommand::ReadyChat) {
                chat->SelectSavedColor();
                // A window shown again during a visit keeps its buttons as the visit set them.
                if (chat->GetState() == 0)
                    chat->SetControlState(2);
                return;
            }
        }
        if (kind == kWindowPartnerList && command == PeerCommand::RefreshList) {
            RefreshPartnerListWindow(window);
            return;
        }
        if (kind == kWindowSend && command == PeerCommand::CloseWindow && CloseSendWindow(window))
            return;
        if (kind == kWindowErrorLog && command == PeerCommand::ShowLog) {
            if (auto* log = dynamic_cast<CErrorLogDlg*>(window)) {
                log->Show(true);
                return;
            }
        }
        if (kind == kWindowNormalBalloon && command == PeerCommand::SaveCounters) {
            if (auto* balloon = dynamic_cast<CVyrnMessageDlg*>(window))
                balloon->SaveCounters();
            return;
        }
        if (kind == kWindowReceive && command == PeerCommand::CloseWindow) {
            if (dynamic_cast<CMsgRecvDlg*>(window)) {
                window->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECV_CLOSE, BN_CLICKED), 0); // as its close button
                return;
            }
        }
        if (auto* phoneWindow = kind == kWindowPhone ? dynamic_cast<CPhoneDlg*>(window) : nullptr) {
            switch (command) {
            case PeerCommand::StartSession: phoneWindow->StartSession(); return;
            case PeerCommand::EndSession: phoneWindow->EndSession(); return;
            case PeerCommand::ShowPanel: phoneWindow->ShowPanel(); return;
            case PeerCommand::HidePanel: phoneWindow->HidePanel(); return;
            default: break;
            }
        }
        switch (command) {
        case PeerCommand::Show:
            window->ShowWindow(SW_SHOW);
            window->SetForegroundWindow();
            break;
        case PeerCommand::Hide:
        case PeerCommand::ClearBar:
        case PeerCommand::HideWithMain:
        case PeerCommand::CloseWindow:
            window->ShowWindow(SW_HIDE);
            break;
        case PeerCommand::ShowLog:
            window->ShowWindow(SW_SHOW);
            break;
        default:
            break;
        }
    }
    bool Ask(WindowKind kind, PeerQuestion question) override
    {
        if (kind == kWindowChat && question == PeerQuestion::ShowChatAtLogin) {
            auto* chat = dynamic_cast<CChatDlg*>(CWnd::Registry().Find(kWindowChat));
            return chat && chat->IsShowAtLogin();
        }
        if (kind == kWindowPhone && question == PeerQuestion::InCall) {
            auto* phoneWindow = dynamic_cast<CPhoneDlg*>(CWnd::Registry().Find(kWindowPhone));
            return phoneWindow && phoneWindow->InCall();
        }
        return false;
    }
    void BalloonEvent(int event) override
    {
        if (auto* balloon = dynamic_cast<CVyrnMessageDlg*>(CWnd::Registry().Find(kWindowNormalBalloon)))
            ShowBalloonFeatureEvent(*balloon, event);
    }
    bool AddUrl(const CString& address) override
    {
        CUrlComboWnd* bar = CUrlComboWnd::Find();
        return bar ? bar->AddUrl(address) : !address.IsEmpty();
    }
    void Navigate(const CString& address) override
    {
        if (auto* browserWindow = dynamic_cast<CBrowserDlg*>(CWnd::Registry().Find(kWindowBrowser)))
            browserWindow->Navigate(address);
    }
    CWnd* OpenBrowser(WindowKind kind, const CString& address, IDispatch** application) override
    {
        if (application)
            *application = nullptr;
        CClientApp* app = GetClientApp();
        if (!app)
            return nullptr;
        // One window of each kind: an open one is raised (and sent to the address), else the
        // program's browser opens one; a first navigation shows it.
        auto* window = dynamic_cast<CBrowserDlg*>(app->FindWindowByKind(kind, CString()));
        if (window) {
            window->ShowWindow(SW_SHOW);
            window->SetForegroundWindow();
            if (!address.IsEmpty())
                window->Navigate(address);
        } else {
            window = app->OpenUrlInBrowser(address, kind);
        }
        if (window && application) {
            window->Control().SetRegisterAsBrowser(TRUE);
            *application = window->Control().GetApplication();
        }
        return window;
    }
    INT_PTR RunModal(WindowKind kind, int page) override
    {
        if (kind == kWindowSettings)
            return RunSettingsDialog(nullptr, page);
        return kind == kWindowMood ? RunMoodWindow() : IDCANCEL;
    }
};

CProgramPeers g_programPeers;
IMainWindowPeers* g_peers = nullptr;

} // namespace

IMainWindowPeers& MainPeers() { return g_peers ? *g_peers : g_programPeers; }

IMainWindowPeers* SetMainPeers(IMainWindowPeers* peers)
{
    IMainWindowPeers* previous = g_peers;
    g_peers = peers;
    return previous;
}
