#include "shell/ChatWindowServices.h"

#include "chat_web/window/win/ChatDlg.h"
#include "resources/ids/chat_web.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/MainWindowPeers.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/scrambler/PasswordScrambler.h"

#include <shellapi.h>

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<CChatWindowServices> g_services;
}

CChatWindowServices::CChatWindowServices(CClientApp& app) : m_app(app) {}

CChatWindowServices::~CChatWindowServices()
{
    if (chat::WindowHost() == this)
        chat::SetWindowHost(nullptr);
}

bool CChatWindowServices::IsLoggedIn()
{
    IServiceSession* session = m_app.GetServiceSession();
    return session && session->IsLoggedIn();
}

int CChatWindowServices::EnterRoom(const std::string& roomUrl)
{
    if (!m_session)
        return 0;
    m_room.roomUrl = roomUrl;
    return m_session->EnterRoom(roomUrl);
}

void CChatWindowServices::LeaveRoom()
{
    if (m_session)
        m_session->LeaveRoom();
}

int CChatWindowServices::LastResult() { return m_session ? m_session->LastResult() : 0; }

std::string CChatWindowServices::Nickname() { return m_app.Settings().m_ircNick.str(); }

void CChatWindowServices::SetNickname(const std::string& nickname) { m_app.Settings().m_ircNick = nickname.c_str(); }

std::string CChatWindowServices::RoomName() { return m_app.Settings().m_chatRoomId.str(); }

void CChatWindowServices::SetRoomName(const std::string& room) { m_app.Settings().m_chatRoomId = room.c_str(); }

std::string CChatWindowServices::ScrambledAccountName()
{
    // An account name longer than the scrambler takes is cut: the server only shows it.
    std::string name = m_app.m_LoginID.str().substr(0, scrambler::kMaxPlainBytes);
    return scrambler::Scramble(name);
}

void CChatWindowServices::ProxySettings(std::string* host, std::uint16_t* port, std::string* user,
                                        std::string* password)
{
    const NetConnectSettings& settings = m_app.LiveConnectSettings();
    host->clear();
    *port = 0;
    user->clear();
    password->clear();
    const unsigned bothBits = kProtocolTcp | kProxyInUse;
    if ((settings.flags & bothBits) != bothBits || settings.proxyHostInUse.IsEmpty())
        return;
    *host = settings.proxyHostInUse.str();
    long value = std::strtol(settings.proxyPortInUse.GetString(), nullptr, 10);
    *port = value > 0 && value < 65536 ? static_cast<std::uint16_t>(value) : 0;
    *user = settings.proxyData1.str();
    *password = settings.proxyData2.str();
}

void CChatWindowServices::ShowChatBalloon(int event) { MainPeers().BalloonEvent(event); }

CProgramSettings& CChatWindowServices::Settings() { return m_app.Settings(); }

IProfileStore& CChatWindowServices::Profile() { return m_app.Profile(); }

bool CChatWindowServices::HasMainWindow() { return CClientApp::GetAppWindow(kWindowMain) != nullptr; }

void CChatWindowServices::OpenUrl(const char* url)
{
    if (CMainDlg* main = m_app.GetMainDlg())
        main->OpenUrl(url);
}

void CChatWindowServices::SwitchToBaseSkin()
{
    if (CWnd* main = CClientApp::GetAppWindow(kWindowMain))
        main->PostMessage(WM_COMMAND, 3584, 0);
}

void CChatWindowServices::EndProgram(int code) { ::ExitProcess(static_cast<UINT>(code)); }

IDispatch* CChatWindowServices::OpenBannerTarget()
{
    IDispatch* application = nullptr;
    MainPeers().OpenBrowser(kWindowNewBrowser, CString(), &application);
    return application;
}

bool CChatWindowServices::GetBrowserRect(RECT* rect)
{
    CWnd* browser = m_app.GetBrowserDlg();
    if (!browser || !browser->m_hWnd)
        return false;
    browser->GetWindowRect(rect);
    return true;
}

IChatBanner* CChatWindowServices::CreateBanner(CWnd* window, UINT controlId)
{
    auto banner = std::make_unique<CChatBanner>(dynamic_cast<CChatDlg*>(window));
    if (!window || !banner->Create(window, controlId))
        return nullptr;
    return banner.release();
}

bool CChatBanner::Create(CWnd* window, UINT controlId)
{
    return m_control.CreateFromPlaceholder(window, controlId, this) != FALSE;
}

void CChatBanner::Navigate(const char* url)
{
    if (m_control.GetSafeHwnd())
        m_control.Navigate(url);
}

IDispatch* CChatBanner::GetApplication() { return m_control.GetSafeHwnd() ? m_control.GetApplication() : nullptr; }

void CChatBanner::OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL*)
{
    IDispatch* application = m_chat ? m_chat->OnBannerNewWindow2() : nullptr;
    if (dispatch)
        *dispatch = application;
    else if (application)
        application->Release();
}

CString CChatWindowServices::BannerUrl()
{
    CString url;
    url.LoadString(IDS_CHAT_BANNER_URL);
    return url;
}

CChatDlg* CreateChatWindow(CWnd* hostDialog)
{
    if (!g_services) {
        g_services = std::make_unique<CChatWindowServices>(*GetClientApp());
        chat::SetWindowHost(g_services.get());
    }
    auto chat = std::make_unique<CChatDlg>(hostDialog);
    if (!chat->Create())
        return nullptr;
    chat->ShowWindow(SW_HIDE);
    return chat.release();
}

CChatWindowServices* GetChatWindowServices() { return g_services.get(); }
