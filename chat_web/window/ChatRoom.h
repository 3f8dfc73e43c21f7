// The chat window's behaviour over three interfaces: the engine of one room visit, the
// application (session, settings, balloon), and the window's own controls. The Win32 window
// CChatDlg is the view; tests drive this class with recording doubles.
#pragma once

#include "chat_web/window/ChatWindowCore.h"
#include "net/session/ChatRoomRecord.h"

#include <memory>
#include <string>
#include <vector>

namespace chat {

// The chat engine as the window drives it (CChatEngine on Windows).
class IChatEngineLink {
public:
    virtual ~IChatEngineLink() = default;
    virtual int Connect(const ChatConnectSettings& settings, const std::string& room, const std::string& key) = 0;
    virtual int Part(const std::string& room) = 0;
    virtual int SendPrivmsg(const std::string& text, const std::string& room) = 0;
};

// What the chat window needs of the application: the service session's room entry, the room
// record it writes, the chat preferences and the balloon. The shell implements it over the
// application object.
class IChatApplication {
public:
    virtual ~IChatApplication() = default;
    // Whether the user is logged in (a service session exists).
    virtual bool IsLoggedIn() = 0;
    // Reserves a room with the service (empty: the application's room URL); 0 on refusal.
    virtual int EnterRoom(const std::string& roomUrl) = 0;
    virtual void LeaveRoom() = 0;
    // The session's last result code (shown with a refusal).
    virtual int LastResult() = 0;
    // The room fields of the last entry.
    virtual ChatRoomRecord& Room() = 0;
    // The nickname preference ("IRCNick").
    virtual std::string Nickname() = 0;
    virtual void SetNickname(const std::string& nickname) = 0;
    // The room of this visit, kept in the application ("ChatRoomID" is written at shut-down).
    virtual std::string RoomName() = 0;
    virtual void SetRoomName(const std::string& room) = 0;
    // The account name in the scrambler's hex text form.
    virtual std::string ScrambledAccountName() = 0;
    // The proxy of the connection settings; host empty when none is to be used (both proxy bits
    // of mask 6 and a host are needed).
    virtual void ProxySettings(std::string* host, std::uint16_t* port, std::string* user, std::string* password) = 0;
    // The balloon's chat event (41 when a room is entered).
    virtual void ShowChatBalloon(int event) = 0;
};

// The window's controls and dialogs, as the behaviour uses them.
class IChatRoomView {
public:
    virtual ~IChatRoomView() = default;
    virtual void ApplyLook(int state, const StateLook& look) = 0;
    virtual void ApplyControlSwitches(const ControlSwitches& switches) = 0;
    virtual void WriteChatLine(const std::string& nickname, const std::string& text) = 0;
    // A finished system line; withTime: a time stamp goes in front when time stamps are on.
    virtual void WriteSystemLine(const std::string& line, bool withTime) = 0;
    virtual void ShowMembers(const std::vector<std::string>& members) = 0;
    // The input history, newest first.
    virtual void ShowHistory(const std::vector<std::string>& history) = 0;
    virtual void ClearInput() = 0;
    // A string-table text.
    virtual std::string Text(int id) = 0;
    // Message boxes: a text alone (exclamation), or a warning with a result code.
    virtual void ShowMessage(int id) = 0;
    virtual void ShowWarning(int id, int code) = 0;
    // Runs the login dialog modally; true on OK with the nickname taken from it. The dialog
    // ends with false when the window goes away meanwhile.
    virtual bool RunLoginDialog(std::string* nickname, const std::string& room, const std::string& key) = 0;
    // Ends the application's current modal dialog as a refusal, when there is one.
    virtual void CancelModalDialog() = 0;
    // Makes an engine for one visit (null when it cannot be made) and destroys it (Shutdown,
    // window, object); the application's engine pointer follows both.
    virtual IChatEngineLink* CreateEngine() = 0;
    virtual void DestroyEngine(IChatEngineLink* engine) = 0;
    virtual void ShowWaitCursor() {}
    virtual void HideWindow() = 0;
    virtual void LoadBanner(bool show) = 0;
    virtual void RemoveFromTray() = 0;
};

class ChatRoom {
public:
    ChatRoom(IChatApplication& app, IChatRoomView& view, SystemTexts texts);
    ~ChatRoom();

    int State() const { return m_state; }
    IChatEngineLink* Engine() const { return m_engine; }
    const std::vector<std::string>& History() const { return m_history; }

    void SetState(int state);
    void SetControlState(int code);
    void EnterRoomByUrl(const std::string& param);
    // 0 when an engine is connected (or already there).
    int Connect(const std::string& room, const std::string& nickname, const std::string& key);
    void Disconnect(int code);
    void CloseRoom();
    // A typed line (the Enter key).
    void SendLine(const std::string& typed);
    // WM_CHAT_EVENT: wParam 1 comes with a room parameter, the others with an event or none.
    void OnRoomParameter(const std::string& param);
    void OnEngineEvent(int wParam, std::unique_ptr<ChatEvent> event);
    // Enter (1310) and leave (1311) buttons, when enabled.
    void OnEnterButton();
    void OnLeaveButton();
    // The window is going away: the visit ends without touching the window.
    void EndVisit();
    // The history read back from the profile ("chat1".."chat20").
    void LoadHistory(const std::vector<std::string>& stored);

private:
    void WriteSystem(const std::string& kind, const std::string& name, const std::string& text);
    void DropEngine();

    IChatApplication& m_app;
    IChatRoomView& m_view;
    SystemTexts m_texts;
    int m_state = 0;
    IChatEngineLink* m_engine = nullptr;
    std::vector<std::string> m_history;
    // Shared with a running login dialog's caller, which finds it false when the window went.
    std::shared_ptr<bool> m_alive;
};

} // namespace chat
