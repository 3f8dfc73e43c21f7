#include "chat_web/window/ChatRoom.h"

#include "framework/core/Cp932.h"

namespace chat {

ChatRoom::ChatRoom(IChatApplication& app, IChatRoomView& view, SystemTexts texts)
    : m_app(app), m_view(view), m_texts(std::move(texts)), m_alive(std::make_shared<bool>(true))
{
}

ChatRoom::~ChatRoom() { *m_alive = false; }

void ChatRoom::SetState(int state)
{
    StateLook look = LookForState(state);
    m_view.ApplyLook(state, look);
    if (look.controlState)
        SetControlState(look.controlState);
    m_state = state;
}

void ChatRoom::SetControlState(int code) { m_view.ApplyControlSwitches(SwitchesForControlState(code)); }

void ChatRoom::WriteSystem(const std::string& kind, const std::string& name, const std::string& text)
{
    m_view.WriteSystemLine(FormatSystemLine(m_texts, kind, name, text, m_app.RoomName()), SystemLineTakesTime(kind));
}

void ChatRoom::EnterRoomByUrl(const std::string& param)
{
    m_view.ShowWaitCursor();
    if (!m_app.IsLoggedIn() || m_engine)
        return;
    SetState(1);
    if (m_app.EnterRoom(param) == 0) {
        m_view.ShowWarning(kStrRoomRefused, m_app.LastResult());
        SetState(0);
        return;
    }
    SetState(2);
    std::string nickname = m_app.Nickname();
    ChatRoomRecord& room = m_app.Room();
    std::string roomName = room.roomId;
    std::string key = room.roomKey;
    std::shared_ptr<bool> alive = m_alive;
    bool accepted = m_view.RunLoginDialog(&nickname, roomName, key);
    if (!*alive)
        return; // the window went away while the dialog ran: nothing of it is touched
    if (accepted && m_app.IsLoggedIn()) {
        m_app.ShowChatBalloon(41);
        SetState(3);
        m_app.SetNickname(nickname);
        Connect(roomName, nickname, key);
        if (m_engine) {
            SetState(4);
        } else {
            SetState(0);
            m_app.LeaveRoom();
            m_view.ShowMessage(kStrRoomRefused);
        }
        return;
    }
    SetState(0);
    if (m_app.IsLoggedIn())
        m_app.LeaveRoom();
}

int ChatRoom::Connect(const std::string& room, const std::string& nickname, const std::string& key)
{
    m_view.ShowWaitCursor();
    if (m_engine)
        return 0;
    IChatEngineLink* engine = m_view.CreateEngine();
    if (!engine)
        return -1; // the caller shows 114 once
    ChatConnectSettings settings;
    settings.nickname = nickname;
    m_app.SetNickname(nickname);
    settings.userName = "QeloUser";
    settings.fullName = m_app.ScrambledAccountName();
    const ChatRoomRecord& record = m_app.Room();
    settings.serverHost = record.chatServer;
    settings.serverPort = record.chatPort;
    m_app.ProxySettings(&settings.proxyHost, &settings.proxyPort, &settings.proxyUser, &settings.proxyPassword);
    if (settings.proxyHost.empty()) {
        settings.proxyPort = 0;
        settings.proxyUser.clear();
        settings.proxyPassword.clear();
    }
    std::string target = room.empty() ? m_app.RoomName() : room;
    m_app.SetRoomName(target);
    m_app.Room().roomKey = key;
    int result = engine->Connect(settings, target, key);
    if (result != 0) {
        m_view.DestroyEngine(engine);
        return result;
    }
    m_engine = engine;
    return 0;
}

void ChatRoom::DropEngine()
{
    IChatEngineLink* engine = m_engine;
    m_engine = nullptr;
    m_view.DestroyEngine(engine);
    if (m_app.IsLoggedIn())
        m_app.LeaveRoom();
}

void ChatRoom::Disconnect(int code)
{
    m_view.CancelModalDialog();
    if (code == 0) {
        if (m_engine)
            m_engine->Part(m_app.RoomName());
        SetState(0);
        return;
    }
    if (code == -2 && m_engine)
        m_engine->Part(m_app.RoomName());
    if (m_engine) {
        WriteSystem("_CASE4_", "", m_view.Text(kStrLeft));
        DropEngine();
    }
    SetState(0);
}

void ChatRoom::CloseRoom()
{
    Disconnect(-2);
    m_view.HideWindow();
    m_view.LoadBanner(false);
    m_view.RemoveFromTray();
}

void ChatRoom::SendLine(const std::string& typed)
{
    if (m_state != 5)
        return;
    std::string text = ConvertInput(typed);
    if (text.empty())
        return;
    m_view.WriteChatLine(m_app.Nickname(), text);
    bool lost = m_engine && m_engine->SendPrivmsg(text, m_app.RoomName()) != 0;
    m_view.ClearInput();
    AddToHistory(m_history, text);
    m_view.ShowHistory(m_history);
    if (lost) {
        // The engine dropped its connection and reports nothing more: the visit ends here.
        WriteSystem("_CASE1_", "", m_view.Text(kStrSendError));
        Disconnect(-1);
    }
}

void ChatRoom::OnRoomParameter(const std::string& param)
{
    if (m_state != 0)
        return;
    SetControlState(4);
    EnterRoomByUrl(param);
}

void ChatRoom::OnEngineEvent(int wParam, std::unique_ptr<ChatEvent> event)
{
    if (!m_engine)
        return; // the visit is over; the record goes with the unique_ptr
    EventDecision decision = DecideEvent(wParam, event.get());
    switch (decision.action) {
    case EventAction::Entered:
        SetState(5);
        WriteSystem("_LOGIN_", event->sender, "");
        break;
    case EventAction::ChatLine:
        m_view.WriteChatLine(event->sender, event->text);
        break;
    case EventAction::SystemLine:
        WriteSystem(event->command, event->sender, event->text);
        break;
    case EventAction::Alert:
        WriteSystem("_CASE1_", "", event->text);
        break;
    case EventAction::MemberList:
        m_view.ShowMembers(SplitMembers(event->text));
        break;
    case EventAction::Closed:
        Disconnect(1);
        break;
    case EventAction::End:
        // Every end says why, with a record from the engine or without one.
        WriteSystem("_CASE1_", "", m_view.Text(decision.messageId));
        Disconnect(-1);
        break;
    case EventAction::EnterRoom:
    case EventAction::None:
        break;
    }
}

void ChatRoom::OnEnterButton()
{
    if (m_app.IsLoggedIn()) {
        SetControlState(4);
        EnterRoomByUrl("");
    } else {
        SetControlState(1);
    }
}

void ChatRoom::OnLeaveButton()
{
    m_view.ShowWaitCursor();
    if (m_app.IsLoggedIn()) {
        SetControlState(7);
        Disconnect(0);
    } else {
        SetControlState(1);
    }
}

void ChatRoom::EndVisit()
{
    *m_alive = false;
    if (m_engine) {
        DropEngine();
    } else if (m_state == 2 && m_app.IsLoggedIn()) {
        // The login dialog was open: the room the service reserved is given back.
        m_app.LeaveRoom();
    }
}

void ChatRoom::LoadHistory(const std::vector<std::string>& stored)
{
    m_history.clear();
    for (const std::string& value : stored) {
        if (value.empty() || m_history.size() == kHistorySize)
            continue;
        // A stored line longer than the input allows is cut between characters.
        std::string line = value;
        if (line.size() > kInputByteLimit)
            line.resize(cp932::BoundaryAtOrBefore(line.data(), line.size(), kInputByteLimit));
        m_history.push_back(line);
    }
}

} // namespace chat
