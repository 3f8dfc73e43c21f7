// The program's peers of the main window. The address bar and the application's browser are
// the real windows (made together by shellbrowser::CreateUrlWindows), and so is the chat window
// (CreateChatWindow). STAND-INS: until the windows of the error log, the balloons, the panels and
// the lists land, each is a real
// skinned window on the bitmap and template number the real one will use, with no content.
// Replace each kind here as its window lands.
#include "shell/MainWindowPeers.h"
#include "shell/ClientApp.h"

#include "shell/BrowserServices.h"
#include "shell/ChatWindowServices.h"
#include "shell/SettingsServices.h"
#include "shell/CdClipServices.h"
#include "phone_media/cdplayer/win/CdPlayerDlg.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "chat_web/window/win/ChatDlg.h"
#include "resources/StringIds.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/UrlComboWnd.h"

#include "shell/common/services/WindowKinds.h"

#include "framework/win/DialogTemplate.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <new>

namespace {

struct StandInShape {
    WindowKind kind;
    UINT templateId;
    const char* bitmap;
    DWORD style; // docking mode
};

const StandInShape kShapes[] = {
    {kWindowErrorLog, 789, "general.bmp", CSkinFrameDialog::kModeFree},
    {kWindowErrorBalloon, 837, "vyrn_msg_err.bmp", 0},
    {kWindowNormalBalloon, 837, "vyrn_msg.bmp", 0},
    {kWindowPhone, 628, "phone.bmp", CSkinFrameDialog::kModePanel},
    {kWindowFriendList, 203, "friend.bmp", CSkinFrameDialog::kModeDrawer},
    {kWindowUserList, 200, "user.bmp", CSkinFrameDialog::kModeDrawer},
    {kWindowPartnerList, 780, "general.bmp", CSkinFrameDialog::kModeFree},
};

const StandInShape* FindShape(WindowKind kind)
{
    for (const StandInShape& shape : kShapes)
        if (shape.kind == kind)
            return &shape;
    return nullptr;
}

// A skinned window with nothing in it; it deletes itself with its window.
class CStandInWindow : public CSkinFrameDialog {
public:
    CStandInWindow(const StandInShape& shape, CWnd* parent)
        : CSkinFrameDialog(shape.templateId, parent), m_shape(shape),
          m_template(WS_POPUP | DS_SETFONT, WS_EX_TOOLWINDOW, 100, 40, "MS UI Gothic", 9, SHIFTJIS_CHARSET)
    {
        m_style = shape.style;
        JoinRegistry(shape.kind);
    }
    bool Make(CWnd* parent)
    {
        if (!LoadSkin(m_shape.bitmap, FALSE))
            return false;
        if (!CreateIndirect(m_template.Data(), parent))
            return false;
        return HasSkin() != FALSE;
    }
    void PostNcDestroy() override { delete this; }

private:
    StandInShape m_shape;
    CDialogTemplateEx m_template;
};

class CStandInPeers : public IMainWindowPeers {
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
        if (kind == kWindowCdPlayer)
            return CreateCdPlayerWindow(parent);
        if (kind == kWindowVoiceClip)
            return CreateVoiceClipWindow(parent);
        if (kind == kWindowBrowser) {
            if (CWnd* made = CWnd::Registry().Find(kWindowBrowser))
                return made; // made with the bar
            return shellbrowser::CreateBrowser(parent, kWindowBrowser);
        }
        const StandInShape* shape = FindShape(kind);
        if (!shape)
            return nullptr;
        auto* window = new (std::nothrow) CStandInWindow(*shape, parent);
        if (!window)
            return nullptr;
        if (!window->Make(parent)) {
            if (window->GetSafeHwnd())
                window->DestroyWindow(); // deletes it
            else
                delete window;
            return nullptr;
        }
        return window;
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
        const StandInShape* shape = FindShape(kind);
        auto* frame = window ? CSkinFrameDialog::FromHandle(window->GetSafeHwnd()) : nullptr;
        return shape && frame && frame->ReloadSkin(shape->bitmap);
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
        return false;
    }
    void BalloonEvent(int) override {}
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
        return IDCANCEL;
    }
};

CStandInPeers g_standIns;
IMainWindowPeers* g_peers = nullptr;

} // namespace

IMainWindowPeers& MainPeers() { return g_peers ? *g_peers : g_standIns; }

IMainWindowPeers* SetMainPeers(IMainWindowPeers* peers)
{
    IMainWindowPeers* previous = g_peers;
    g_peers = peers;
    return previous;
}
