// The program's side of the chat window: the application's chat fields (engine pointer, room
// record, colour, the current modal dialog), the service session's room entry and the main
// window's services, registered for the chat window (chat::SetWindowHost). The main window
// creates the chat window through CreateChatWindow once it has its host dialog.
#pragma once

#include "chat_web/window/win/ChatWindowHost.h"
#include "framework/win/WebBrowserCtrl.h"

class CClientApp;
class CChatDlg;

class CChatWindowServices : public IChatWindowHost {
public:
    explicit CChatWindowServices(CClientApp& app);
    ~CChatWindowServices() override;

    // The session's room entry (CSession registers itself at log-in, null at log-out).
    void SetRoomSession(IChatRoomSession* session) { m_session = session; }
    CChatEngine* GetChatEngine() const { return m_engine; }
    bool IsFor(const CClientApp& app) const { return &m_app == &app; }

    bool IsLoggedIn() override;
    int EnterRoom(const std::string& roomUrl) override;
    void LeaveRoom() override;
    int LastResult() override;
    ChatRoomRecord& Room() override { return m_room; }
    std::string Nickname() override;
    void SetNickname(const std::string& nickname) override;
    std::string RoomName() override;
    void SetRoomName(const std::string& room) override;
    std::string ScrambledAccountName() override;
    void ProxySettings(std::string* host, std::uint16_t* port, std::string* user, std::string* password) override;
    void ShowChatBalloon(int event) override;
    CProgramSettings& Settings() override;
    IProfileStore& Profile() override;
    COLORREF GetChatColor() override { return m_colour; }
    void SetChatColor(COLORREF colour) override { m_colour = colour; }
    void SetChatEngine(CChatEngine* engine) override { m_engine = engine; }
    CDialog* GetCurrentModalDialog() override { return m_modal; }
    void SetCurrentModalDialog(CDialog* dialog) override { m_modal = dialog; }
    bool HasMainWindow() override;
    void OpenUrl(const char* url) override;
    void SwitchToBaseSkin() override;
    void EndProgram(int code) override;
    IDispatch* OpenBannerTarget() override;
    bool GetBrowserRect(RECT* rect) override;
    IChatBanner* CreateBanner(CWnd* window, UINT controlId) override;
    CString BannerUrl() override;

private:
    CClientApp& m_app;
    IChatRoomSession* m_session = nullptr;
    ChatRoomRecord m_room;
    COLORREF m_colour = 0;
    CChatEngine* m_engine = nullptr;
    CDialog* m_modal = nullptr;
};

// The chat window's banner: the WebBrowser control in place of the window's placeholder. A page
// that asks for a new window gets the chat window's answer (CChatDlg::OnBannerNewWindow2).
class CChatBanner : public IChatBanner, public CWebBrowserEvents {
public:
    explicit CChatBanner(CChatDlg* chat) : m_chat(chat) {}
    bool Create(CWnd* window, UINT controlId);
    void Navigate(const char* url) override;
    IDispatch* GetApplication() override;
    void OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL* cancel) override;
    // The sink the control calls (tests hand it events the control can't fire here).
    IDispatch* GetEventSink() const { return m_control.GetEventSink(); }

private:
    CChatDlg* m_chat;
    CWebBrowserCtrl m_control;
};

// Registers the services (once) and creates the chat window hidden with the host dialog as its
// parent; null when it could not be created.
CChatDlg* CreateChatWindow(CWnd* hostDialog);
// The registered services; null before CreateChatWindow.
CChatWindowServices* GetChatWindowServices();
