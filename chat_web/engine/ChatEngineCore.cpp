#include "chat_web/engine/ChatEngineCore.h"

#include "chat_web/engine/JisCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace chat {
namespace {

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsErrorNumeric(const std::string& command)
{
    return !command.empty() && (command[0] == '4' || command[0] == '5');
}

// Splits off the first blank-separated word; rest gets what follows the blank.
std::string FirstWord(const std::string& s, std::string* rest)
{
    std::size_t blank = s.find(' ');
    if (blank == std::string::npos) {
        if (rest)
            rest->clear();
        return s;
    }
    if (rest)
        *rest = s.substr(blank + 1);
    return s.substr(0, blank);
}

std::string AfterFirst(const std::string& s, char c)
{
    std::size_t at = s.find(c);
    return at == std::string::npos ? std::string() : s.substr(at + 1);
}

// The names of a 353 reply without "@" and without the own nickname, wherever it stands.
std::string OtherNames(const std::string& names, const std::string& own)
{
    std::string out;
    std::string rest = names, word;
    while (!rest.empty() || !word.empty()) {
        std::string next;
        word = FirstWord(rest, &next);
        rest = next;
        std::string clean;
        for (char c : word)
            if (c != '@')
                clean += c;
        if (!clean.empty() && clean != own) {
            if (!out.empty())
                out += ' ';
            out += clean;
        }
        if (rest.empty())
            break;
    }
    return out;
}

} // namespace

std::string CleanParameter(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n' && c != '\0')
            out += c;
    return out;
}

std::string FormatSendLog(const std::string& timePrefix, const std::string& line)
{
    return "SEND," + timePrefix + "LOG " + line;
}

std::string FormatReceiveLog(const std::string& timePrefix, int count, const char* data)
{
    std::string body;
    if (count > 0) {
        char head[48];
        std::snprintf(head, sizeof head, "Length = %ld, LOG ", static_cast<long>(count));
        body = head + std::string(data, static_cast<std::size_t>(count > 128 ? 128 : count));
    } else if (count == 0) {
        body = "DISCONNECT FROM SERVER ";
    } else if (count == -1) {
        body = "CONNECTION SHUT DOWN ";
    } else if (count == -2) {
        body = "NETWORK SYSTEM ERROR!! ";
    } else {
        return std::string();
    }
    return "RECV," + timePrefix + body + ",\r\n";
}

ChatEngineCore::ChatEngineCore(IChatTransport& transport, IChatOwner& owner, std::string userAgent,
                               std::function<std::string(const std::string&)> base64)
    : m_transport(transport), m_owner(owner), m_userAgent(std::move(userAgent)), m_base64(std::move(base64))
{
}

void ChatEngineCore::ArmIdle(int ms)
{
    if (!m_transport.HasClient())
        return;
    m_owner.SetTimer(kIdleTimer, ms);
    m_idleArmedMs = ms;
}

void ChatEngineCore::StopIdle()
{
    m_owner.KillTimer(kIdleTimer);
    m_idleArmedMs = 0;
}

void ChatEngineCore::DropClient()
{
    if (m_transport.HasClient())
        m_transport.DeleteClient();
    m_pending.clear();
    m_proxyReplyPending = false;
}

void ChatEngineCore::ClearRoom()
{
    m_room.clear();
    m_roomKey.clear();
}

int ChatEngineCore::SetRoom(const std::string& room, const std::string& key)
{
    if (room.empty()) {
        ClearRoom();
        return CHAT_ERR_NO_ROOM;
    }
    m_room = room;
    m_roomKey = key;
    return 0;
}

int ChatEngineCore::ApplySettings(const ChatConnectSettings& settings)
{
    int first = 0;
    auto note = [&first](int code) {
        if (!first)
            first = code;
    };
    m_nickname = CleanParameter(settings.nickname);
    if (m_nickname.empty())
        note(CHAT_ERR_NO_NICK);
    m_userName = CleanParameter(settings.userName);
    m_fullName = CleanParameter(settings.fullName);
    if (m_userName.empty())
        note(CHAT_ERR_NO_USER);
    else if (m_fullName.empty())
        note(CHAT_ERR_NO_FULL_NAME);
    std::string host = CleanParameter(settings.serverHost);
    if (host.empty()) {
        note(CHAT_ERR_NO_SERVER);
    } else if (!m_transport.Resolve(host, &m_serverAddress)) {
        note(CHAT_ERR_SERVER_UNRESOLVED);
    } else {
        m_serverHost = host;
        m_serverPort = settings.serverPort;
    }
    m_proxyHost = CleanParameter(settings.proxyHost);
    m_proxyPort = settings.proxyPort;
    return first;
}

int ChatEngineCore::Connect(const ChatConnectSettings& settings, const std::string& room, const std::string& key)
{
    if (m_state != CHAT_IDLE)
        return m_lastError = CHAT_ERR_BUSY;
    if (int rc = ApplySettings(settings))
        return m_lastError = rc;
    if (int rc = SetRoom(SjisToJis(CleanParameter(room)), CleanParameter(key)))
        return m_lastError = rc;
    if (m_serverHost.empty())
        return m_lastError = CHAT_ERR_NO_SERVER;

    DropClient();
    bool proxied = !m_proxyHost.empty();
    int rc = proxied ? m_transport.Connect(m_proxyHost, m_proxyPort) : m_transport.Connect(m_serverHost, m_serverPort);
    if (rc != 0) {
        m_lastError = proxied ? CHAT_ERR_PROXY_CONNECT : CHAT_ERR_CONNECT;
        DropClient();
        return rc;
    }
    // The address this host has towards the server, as the connected socket sees it.
    m_localAddress = m_transport.LocalAddress();
    if (!proxied)
        return Login();

    m_proxyReplyPending = true;
    char head[600];
    std::snprintf(head, sizeof head, "%s %s:%d %s%s%s %s%s", "CONNECT", m_serverHost.c_str(), m_serverPort, "HTTP/1.0",
                  "\r\n", "User-agent:", m_userAgent.c_str(), "\r\n");
    std::string request = head;
    std::string user = CleanParameter(settings.proxyUser);
    if (user.empty()) {
        request += "\r\n";
    } else {
        std::string credentials = m_base64(user + ":" + CleanParameter(settings.proxyPassword));
        request += "Proxy-authorization: basic " + credentials + "\r\n\r\n";
    }
    if (SendLine(request) != 0) {
        m_lastError = CHAT_ERR_PROXY_SEND;
        DropClient();
        return CHAT_ERR_PROXY_SEND;
    }
    return 0;
}

int ChatEngineCore::SendLine(const std::string& line)
{
    if (!m_transport.HasClient())
        return -1;
    int rc = m_transport.Send(line);
    m_owner.LogSent(line);
    return rc;
}

int ChatEngineCore::Login()
{
    int rc = 0;
    if (m_nickname.empty())
        rc = CHAT_ERR_NO_NICK;
    else if (SendLine("NICK " + m_nickname + "\r\n") != 0)
        rc = CHAT_ERR_NICK_SEND;
    else if (m_userName.empty())
        rc = CHAT_ERR_NO_USER;
    else if (m_fullName.empty())
        rc = CHAT_ERR_NO_FULL_NAME;
    else if (SendLine("USER " + m_userName + " " + m_serverAddress + " " + m_serverAddress + " :" + m_fullName + "\r\n") != 0)
        rc = CHAT_ERR_USER_SEND;
    if (rc != 0) {
        m_lastError = rc;
        m_state = CHAT_IDLE;
        DropClient();
        return rc;
    }
    m_state = CHAT_REGISTERED;
    ArmIdle(kIdleMs);
    return 0;
}

int ChatEngineCore::Join(const std::string& room, const std::string& key)
{
    if (m_state != CHAT_REGISTERED)
        return m_lastError = CHAT_ERR_STATE;
    if (int rc = SetRoom(SjisToJis(CleanParameter(room)), CleanParameter(key)))
        return m_lastError = rc;
    StopIdle();
    if (!m_transport.HasClient())
        return m_lastError = CHAT_ERR_STATE;
    std::string line = "JOIN " + m_room + (m_roomKey.empty() ? "" : " " + m_roomKey) + "\r\n";
    if (SendLine(line) != 0) {
        m_lastError = CHAT_ERR_JOIN;
        m_state = CHAT_IDLE;
        ClearRoom();
        DropClient();
        return CHAT_ERR_JOIN;
    }
    ArmIdle(kJoinWaitMs);
    return 0;
}

int ChatEngineCore::SendPrivmsg(const std::string& text, const std::string& target)
{
    if (m_state != CHAT_IN_ROOM)
        return m_lastError = CHAT_ERR_STATE;
    std::string cleanTarget = CleanParameter(target);
    if (cleanTarget.empty())
        return m_lastError = CHAT_ERR_NO_TARGET;
    // Line ends or NULs inside the text would start a command of their own.
    std::string clean = CleanParameter(text);
    if (clean.empty())
        return 0;
    StopIdle();
    if (!m_transport.HasClient())
        return CHAT_ERR_STATE;
    if (SendLine("PRIVMSG " + SjisToJis(cleanTarget) + " :" + SjisToJis(clean) + "\r\n") != 0) {
        m_lastError = CHAT_ERR_PRIVMSG_SEND;
        m_state = CHAT_IDLE;
        DropClient();
        ClearRoom();
        return CHAT_ERR_PRIVMSG_SEND;
    }
    ArmIdle(kIdleMs);
    return 0;
}

int ChatEngineCore::Part(const std::string& room)
{
    if (m_state == CHAT_IDLE) {
        m_lastError = CHAT_ERR_STATE;
        DropClient();
        return CHAT_ERR_STATE;
    }
    if (m_state == CHAT_REGISTERED) {
        m_state = CHAT_IDLE;
        DropClient();
        ClearRoom();
        return CHAT_ERR_JOIN;
    }
    std::string jisRoom = SjisToJis(CleanParameter(room));
    StopIdle();
    if (!m_transport.HasClient())
        return CHAT_ERR_STATE;
    SendLine("PART " + jisRoom + "\r\n");
    ClearRoom();
    SendLine("QUIT\r\n");
    m_state = CHAT_LEAVING;
    m_owner.SetTimer(kLeaveTimer, kLeaveWaitMs);
    m_transport.ShutdownSend();
    return 0;
}

int ChatEngineCore::Quit()
{
    if (m_state == CHAT_IDLE)
        return m_lastError = CHAT_ERR_STATE;
    if (m_state == CHAT_REGISTERED) {
        m_state = CHAT_IDLE;
        DropClient();
        ClearRoom();
        return CHAT_ERR_JOIN;
    }
    ClearRoom();
    StopIdle();
    if (!m_transport.HasClient())
        return CHAT_ERR_STATE;
    SendLine("QUIT\r\n");
    m_state = CHAT_LEAVING;
    m_owner.SetTimer(kLeaveTimer, kLeaveWaitMs);
    m_transport.ShutdownSend();
    return 0;
}

void ChatEngineCore::SendPong(const std::string& token)
{
    // Servers drop clients that leave a PING unanswered, in any state of the connection.
    if (m_state == CHAT_IDLE || !m_transport.HasClient()) {
        m_lastError = CHAT_ERR_STATE;
        return;
    }
    if (m_localAddress.empty() || m_userName.empty()) {
        m_lastError = m_localAddress.empty() ? CHAT_ERR_NO_LOCAL_ADDRESS : CHAT_ERR_NO_USER;
        Quit();
        return;
    }
    StopIdle();
    if (SendLine("PONG " + CleanParameter(token) + "\r\n") != 0) {
        m_lastError = CHAT_ERR_PONG_SEND;
        m_state = CHAT_IDLE;
        DropClient();
        ClearRoom();
        return;
    }
    ArmIdle(kIdleMs);
}

int ChatEngineCore::RequestNames(const std::string& room)
{
    if (m_state != CHAT_IN_ROOM || room.empty())
        return -1;
    StopIdle();
    if (SendLine("NAMES " + room + "\r\n") != 0) {
        m_state = CHAT_IDLE;
        DropClient();
        ClearRoom();
        return -1;
    }
    ArmIdle(kIdleMs);
    return 0;
}

int ChatEngineCore::EndCodeForLastReply() const
{
    if (m_command == "432" || m_command == "431")
        return CHAT_END_BAD_NICK;
    if (m_command == "433")
        return CHAT_END_NICK_IN_USE;
    if (m_command == "471")
        return CHAT_END_ROOM_FULL;
    if (m_command == "475")
        return CHAT_END_BAD_KEY;
    if (m_command == "403")
        return CHAT_END_NO_ROOM;
    if (IsErrorNumeric(m_command))
        return CHAT_END_CLOSED;
    if (m_state == CHAT_REGISTERED || m_state == CHAT_IDLE)
        return CHAT_END_NOT_CONNECTED;
    return CHAT_END_LOST;
}

void ChatEngineCore::OnEnded(int code)
{
    StopIdle();
    m_owner.KillTimer(kLeaveTimer);
    if (code == 0) {
        m_lastError = CHAT_ERR_CLOSED;
        m_owner.Post(CHAT_END_CLOSED, nullptr);
    } else {
        int end = EndCodeForLastReply();
        if (end == CHAT_END_LOST)
            m_lastError = CHAT_ERR_LOST;
        m_owner.Post(end, nullptr);
    }
    if (m_transport.HasClient())
        m_transport.ReleaseReceiver();
    m_pending.clear();
    m_proxyReplyPending = false;
    m_state = CHAT_IDLE;
}

void ChatEngineCore::OnTimer(int id)
{
    m_owner.KillTimer(id);
    if (id != kLeaveTimer && id != kIdleTimer)
        return;
    if (id == kIdleTimer)
        m_idleArmedMs = 0;
    bool hadClient = m_transport.HasClient();
    m_lineKind = LINE_NONE;
    m_state = CHAT_IDLE;
    ClearRoom();
    if (id == kLeaveTimer)
        m_lastError = 0;
    DropClient();
    // The connection is gone without an end notice from the socket: report the end here, as
    // the notice would have been reported.
    if (hadClient)
        m_owner.Post(EndCodeForLastReply(), nullptr);
}

void ChatEngineCore::OnReceived(const char* data, std::size_t count)
{
    int armedBefore = m_idleArmedMs;
    StopIdle();
    if (!data || count == 0)
        return;
    m_pending.append(data, count);
    bool handledLine = false;
    if (m_proxyReplyPending) {
        HandleProxyReply();
        handledLine = !m_proxyReplyPending;
    }
    std::size_t consumed = 0;
    while (!m_proxyReplyPending && m_transport.HasClient()) {
        std::size_t end = m_pending.find('\n', consumed);
        if (end == std::string::npos)
            break;
        std::size_t length = end - consumed;
        if (length > 0 && m_pending[end - 1] == '\r')
            --length;
        std::string raw = m_pending.substr(consumed, length);
        consumed = end + 1;
        handledLine = true;
        // Each line is decoded on its own: an unterminated JIS run ends with its line.
        HandleLine(JisToSjis(raw));
    }
    // A fatal reply may have dropped the client (and the pending bytes) meanwhile.
    m_pending.erase(0, std::min(consumed, m_pending.size()));
    if (!handledLine && armedBefore && m_transport.HasClient())
        ArmIdle(armedBefore);
}

void ChatEngineCore::HandleProxyReply()
{
    std::size_t lineEnd = m_pending.find('\n');
    if (lineEnd == std::string::npos)
        return; // the status line is not complete yet
    std::string statusLine = m_pending.substr(0, lineEnd);
    if (!statusLine.empty() && statusLine.back() == '\r')
        statusLine.pop_back();
    std::size_t start = statusLine.find_first_not_of(' ');
    std::string rest;
    std::string version = FirstWord(start == std::string::npos ? std::string() : statusLine.substr(start), &rest);
    if (version.size() > 5) {
        if (version.compare(0, 5, "HTTP/") != 0) {
            m_proxyReplyPending = false;
            StopIdle();
            m_lastError = CHAT_ERR_JOIN;
            m_owner.Post(CHAT_END_PROTOCOL, nullptr);
            m_pending.clear();
            return;
        }
        std::size_t s = rest.find_first_not_of(' ');
        std::string status = FirstWord(s == std::string::npos ? std::string() : rest.substr(s), nullptr);
        if (status == "200") {
            // The tunnel is open once the reply's header ends; what follows is the chat server's.
            std::size_t headerEnd = m_pending.find("\r\n\r\n");
            std::size_t skip = 4;
            if (headerEnd == std::string::npos) {
                headerEnd = m_pending.find("\n\n");
                skip = 2;
            }
            if (headerEnd == std::string::npos)
                return;
            m_pending.erase(0, headerEnd + skip);
            m_proxyReplyPending = false;
            if (Login() != 0) {
                StopIdle();
                m_lastError = CHAT_ERR_JOIN;
                m_owner.Post(CHAT_END_PROTOCOL, nullptr);
            }
            return;
        }
    }
    m_proxyReplyPending = false;
    m_command = "ERROR";
    m_sender = "Proxy Server";
    m_text = JisToSjis(m_pending);
    m_pending.clear();
    m_lineKind = LINE_ERROR;
    auto event = std::make_unique<ChatEvent>();
    event->command = m_command;
    event->sender = m_sender;
    event->text = m_text;
    ParseReply(event->command, event->sender, event->text);
    event->type = CHAT_EV_PROXY_REFUSED;
    m_owner.Post(CHAT_END_PROXY_OR_ERROR_LINE, std::move(event));
    ArmIdle(kIdleMs);
}

void ChatEngineCore::PostLineEvent(int wParam)
{
    auto event = std::make_unique<ChatEvent>();
    event->command = m_command;
    event->sender = m_sender;
    event->text = m_text;
    m_postFlag = true;
    event->type = ParseReply(event->command, event->sender, event->text);
    // The end of a visit is always told, whatever line brought it (after a kick the server's
    // notice comes before its ERROR line, and the connection is gone after the notice).
    if ((!m_command.empty() && m_postFlag) || event->type == CHAT_EV_CLOSED)
        m_owner.Post(wParam, std::move(event));
}

void ChatEngineCore::HandleLine(const std::string& line)
{
    m_command.clear();
    m_sender.clear();
    m_text.clear();
    m_endAfterLine = false;
    if (line.empty())
        return;

    std::string prefix, rest;
    if (line[0] != ':') {
        if (StartsWith(line, "PING")) {
            m_lineKind = LINE_PING;
            std::size_t at = line.find_first_not_of(' ', 4);
            SendPong(at == std::string::npos ? std::string() : line.substr(at));
            return;
        }
        if (!StartsWith(line, "ERRO")) {
            ArmIdle(kIdleMs);
            return;
        }
        m_command = "ERROR";
        m_sender = "IRC SERVER";
        m_text = line;
        m_lineKind = LINE_ERROR;
        if (m_state == CHAT_REGISTERED) {
            PostLineEvent(CHAT_END_PROXY_OR_ERROR_LINE);
            ArmIdle(kIdleMs);
            return;
        }
        if (m_state == CHAT_IN_ROOM) {
            PostLineEvent(0);
            ArmIdle(kIdleMs);
            return;
        }
        if (m_state == CHAT_LEAVING) {
            PostLineEvent(0);
            return;
        }
        // Idle or kicked: taken as if it had a prefix, its first word being the sender.
        std::string word = FirstWord(line, &rest);
        m_sender = word.substr(1);
        m_text = rest;
    } else {
        std::string afterPrefix;
        prefix = FirstWord(line.substr(1), &afterPrefix);
        std::string command = FirstWord(afterPrefix, &rest);

        if (!command.empty() && std::isdigit(static_cast<unsigned char>(command[0]))) {
            m_lineKind = LINE_NUMERIC;
            m_command = command;
            m_sender = prefix;
            m_text = rest;
            if (std::atoi(command.c_str()) == 1) {
                m_command = "001";
                if (m_state == CHAT_IDLE) {
                    m_command = "ERROR";
                    m_sender = "CLIENT";
                    m_text = "CANT CONECT";
                    PostLineEvent(0);
                    return;
                }
                if (Join(m_room, m_roomKey) != 0) {
                    StopIdle();
                    m_lastError = CHAT_ERR_JOIN;
                    m_owner.Post(CHAT_END_PROTOCOL, nullptr);
                    return;
                }
            }
        } else {
            m_lineKind = LINE_COMMAND;
            m_sender = prefix.substr(0, prefix.find('!'));
            if (command == "PRIVMSG") {
                m_text = AfterFirst(rest, ':');
            } else if (command == "KICK") {
                std::string afterRoom;
                FirstWord(rest.size() > 1 ? rest.substr(1) : std::string(), &afterRoom);
                m_text = afterRoom;
            } else if (command == "JOIN" || command == "PART" || command == "QUIT") {
                m_text = AfterFirst(prefix, '~');
            }
            if (command == "JOIN" || command == "PRIVMSG" || command == "PART" || command == "KICK" || command == "QUIT")
                m_command = command;
        }
    }

    PostLineEvent(0);
    if (m_endAfterLine) {
        // A refusal closed the connection: no end notice will come from the socket.
        m_owner.Post(EndCodeForLastReply(), nullptr);
        return;
    }
    ArmIdle(m_command == "001" ? kJoinWaitMs : kIdleMs);
    if ((m_command == "JOIN" || m_command == "PART" || m_command == "KICK" || m_command == "QUIT") && !m_room.empty()) {
        if (RequestNames(m_room) != 0) {
            StopIdle();
            m_lastError = CHAT_ERR_NAMES;
            m_owner.Post(CHAT_END_PROTOCOL, nullptr);
        }
    }
}

int ChatEngineCore::ParseReply(std::string& command, std::string& sender, std::string& text)
{
    (void)sender;
    switch (m_state) {
    case CHAT_REGISTERED:
        if (m_lineKind == LINE_COMMAND) {
            // Only the echo of our JOIN means we are in; other lines from our own nickname (a
            // mode line, say) may come first.
            if (m_command == "JOIN") {
                m_state = CHAT_IN_ROOM;
                return CHAT_EV_ENTERED;
            }
            return CHAT_EV_NONE;
        }
        if (m_lineKind == LINE_NUMERIC && IsErrorNumeric(m_command)) {
            if (m_command == "422")
                return CHAT_EV_INFO;
            m_lineKind = LINE_NONE;
            m_state = CHAT_IDLE;
            DropClient();
            ClearRoom();
            m_endAfterLine = true;
            return CHAT_EV_ALERT;
        }
        return CHAT_EV_NONE;

    case CHAT_IN_ROOM:
        if (m_lineKind == LINE_COMMAND) {
            if (m_command == "KICK") {
                std::string rest;
                if (FirstWord(m_text, &rest) == m_nickname) {
                    text = AfterFirst(m_text, ':');
                    Quit();
                    m_state = CHAT_KICKED;
                    return CHAT_EV_ALERT;
                }
                command = "PRIVMSG";
                text = "KICK " + m_text;
            }
            return CHAT_EV_MESSAGE;
        }
        if (m_lineKind == LINE_NUMERIC) {
            if (IsErrorNumeric(m_command))
                return CHAT_EV_ALERT;
            if (m_command == "353") {
                std::string names = OtherNames(AfterFirst(m_text, ':'), m_nickname);
                if (!names.empty()) {
                    if (!m_nameList.empty())
                        m_nameList += ' ';
                    m_nameList += names;
                }
                command = "NAMELIST";
                text = m_nickname + " " + names;
                m_postFlag = false;
            } else if (m_command == "366") {
                command = "NAMELIST";
                text = m_nickname + " " + m_nameList;
                m_nameList.clear();
            } else if (m_command == "375") {
                m_motd.clear();
                m_postFlag = false;
            } else if (m_command == "372") {
                m_motd += m_text + "\r\n";
                m_postFlag = false;
            } else if (m_command == "376") {
                command = "PRIVMSG";
                text = m_motd;
            }
            return CHAT_EV_INFO;
        }
        if (m_lineKind == LINE_ERROR)
            return CHAT_EV_ALERT;
        return CHAT_EV_NONE;

    case CHAT_LEAVING:
        if (m_command == "ERROR") {
            m_owner.KillTimer(kLeaveTimer);
            m_lineKind = LINE_NONE;
            m_state = CHAT_IDLE;
            ClearRoom();
            m_lastError = 0;
            return CHAT_EV_CLOSED;
        }
        return CHAT_EV_NONE;

    case CHAT_KICKED:
        m_owner.KillTimer(kLeaveTimer);
        m_lineKind = LINE_NONE;
        m_state = CHAT_IDLE;
        ClearRoom();
        m_lastError = 0;
        if (m_command != "ERROR")
            DropClient();
        return CHAT_EV_CLOSED;

    default:
        return CHAT_EV_NONE;
    }
}

} // namespace chat
