// The chat engine's protocol logic, free of windows and sockets: it takes received bytes, ends of
// the connection and timer ticks, and answers with lines to send, events for the chat window,
// timers to set and the end of the connection, through the two interfaces below. The window
// class CChatEngine puts it on a hidden window and a CTcpClient.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace chat {

enum ChatState {
    CHAT_IDLE = 100,
    CHAT_REGISTERED = 110,
    CHAT_IN_ROOM = 120,
    CHAT_LEAVING = 130,
    CHAT_KICKED = 140,
};

enum LineKind {
    LINE_NONE = 0,
    LINE_COMMAND = 200,
    LINE_NUMERIC = 210,
    LINE_ERROR = 230,
    LINE_PING = 240,
};

enum ChatEventType {
    CHAT_EV_NONE = 0,
    CHAT_EV_ENTERED = 1,
    CHAT_EV_MESSAGE = 2,
    CHAT_EV_ALERT = 3,
    CHAT_EV_INFO = 4,
    CHAT_EV_CLOSED = 8,
    CHAT_EV_PROXY_REFUSED = 230,
};

// Timers of the engine's window.
const int kLeaveTimer = 10; // 3 s after QUIT
const int kIdleTimer = 11;  // 6 min without traffic; 15 s after the welcome and after JOIN
const int kLeaveWaitMs = 3000;
const int kIdleMs = 360000;
const int kJoinWaitMs = 15000;
const int kSendTimeoutMs = 5000;

// Engine error codes (last error; most operations return them too).
enum ChatError {
    CHAT_ERR_NO_SERVER = 11000,
    CHAT_ERR_SERVER_UNRESOLVED = 11001,
    CHAT_ERR_NO_LOCAL_ADDRESS = 11002,
    CHAT_ERR_NO_NICK = 11003,
    CHAT_ERR_NO_USER = 11004,
    CHAT_ERR_NO_FULL_NAME = 11005,
    CHAT_ERR_NO_ROOM = 11006,
    CHAT_ERR_CLIENT = 11010,
    CHAT_ERR_CONNECT = 11011,
    CHAT_ERR_NICK_SEND = 11013,
    CHAT_ERR_USER_SEND = 11014,
    CHAT_ERR_JOIN = 11016,
    CHAT_ERR_PRIVMSG_SEND = 11020,
    CHAT_ERR_PONG_SEND = 11021,
    CHAT_ERR_NO_TARGET = 11022,
    CHAT_ERR_NAMES = 11023,
    CHAT_ERR_STATE = 11030,
    CHAT_ERR_BUSY = 11031,
    CHAT_ERR_LOST = 11040,
    CHAT_ERR_CLOSED = 11041,
    CHAT_ERR_PROXY_CONNECT = 11050,
    CHAT_ERR_PROXY_SEND = 11052,
};

// wParam forms of the chat event message besides 0 (an event record).
enum ChatEnd {
    CHAT_END_PROXY_OR_ERROR_LINE = -2, // with a record
    CHAT_END_CLOSED = -1,
    CHAT_END_LOST = -3,
    CHAT_END_PROTOCOL = -4,
    CHAT_END_NICK_IN_USE = -5,
    CHAT_END_BAD_KEY = -6,
    CHAT_END_ROOM_FULL = -7,
    CHAT_END_NO_ROOM = -8,
    CHAT_END_BAD_NICK = -9,
    CHAT_END_NOT_CONNECTED = -10,
};

struct ChatEvent {
    int type = CHAT_EV_NONE;
    std::string command;
    std::string sender;
    std::string text;
};

struct ChatConnectSettings {
    std::string nickname;
    std::string userName;
    std::string fullName;
    std::string serverHost;
    std::uint16_t serverPort = 0;
    std::string proxyHost;
    std::uint16_t proxyPort = 0;
    std::string proxyUser;
    std::string proxyPassword;
};

// What the engine needs of the connection. Exactly one connection at a time.
class IChatTransport {
public:
    virtual ~IChatTransport() = default;
    // Makes the client and connects it; 0, or the socket library's failure code (no client left).
    virtual int Connect(const std::string& host, std::uint16_t port) = 0;
    virtual bool HasClient() const = 0;
    // 0 when all of it was sent.
    virtual int Send(const std::string& bytes) = 0;
    // Shuts the sending side down (after QUIT).
    virtual void ShutdownSend() = 0;
    // Stops the receive side reporting; the client stays.
    virtual void ReleaseReceiver() = 0;
    // Releases the receiver, closes and deletes the client. Nothing more is reported for it.
    virtual void DeleteClient() = 0;
    // This host's address as the connected socket sees it (empty when none).
    virtual std::string LocalAddress() = 0;
    // A dotted address for a host name; false when it cannot be resolved.
    virtual bool Resolve(const std::string& host, std::string* dotted) = 0;
};

// What the engine needs of its owner (the chat window) and its own window.
class IChatOwner {
public:
    virtual ~IChatOwner() = default;
    // wParam 0 or -2 come with an event; the other forms with none.
    virtual void Post(int wParam, std::unique_ptr<ChatEvent> event) = 0;
    virtual void SetTimer(int id, int ms) = 0;
    virtual void KillTimer(int id) = 0;
    // Each line sent (with its CR LF), for the traffic log.
    virtual void LogSent(const std::string&) {}
};

class ChatEngineCore {
public:
    // userAgent: the User-agent text of the proxy request; base64: the encoder for credentials.
    ChatEngineCore(IChatTransport& transport, IChatOwner& owner, std::string userAgent,
                   std::function<std::string(const std::string&)> base64);

    int Connect(const ChatConnectSettings& settings, const std::string& room, const std::string& key);
    int Part(const std::string& room);
    int Quit();
    int SendPrivmsg(const std::string& text, const std::string& target);

    // Received bytes, in the order they came; lines may be split or merged anyhow.
    void OnReceived(const char* data, std::size_t count);
    // The connection ended: 0 closed by the server, -1 shut down, -2 network failure.
    void OnEnded(int code);
    void OnTimer(int id);

    int State() const { return m_state; }
    int LastError() const { return m_lastError; }
    int LineKindNow() const { return m_lineKind; }
    const std::string& Room() const { return m_room; }
    const std::string& Nickname() const { return m_nickname; }

private:
    int Login();
    int Join(const std::string& room, const std::string& key);
    void SendPong(const std::string& token);
    int RequestNames(const std::string& room);
    int SendLine(const std::string& line);
    int ParseReply(std::string& command, std::string& sender, std::string& text);
    int ApplySettings(const ChatConnectSettings& settings);
    int SetRoom(const std::string& room, const std::string& key);
    void ClearRoom();
    void DropClient();
    void Fail(int error);
    void HandleProxyReply();
    void HandleLine(const std::string& line);
    void PostLineEvent(int wParam);
    int EndCodeForLastReply() const;
    void ArmIdle(int ms);
    void StopIdle();

    IChatTransport& m_transport;
    IChatOwner& m_owner;
    std::string m_userAgent;
    std::function<std::string(const std::string&)> m_base64;

    std::string m_pending; // bytes of a line not yet complete
    int m_lastError = 0;
    std::string m_nameList;
    std::string m_motd;
    std::string m_command;
    std::string m_sender;
    std::string m_text;
    std::string m_nickname;
    std::string m_userName;
    std::string m_fullName;
    std::string m_serverHost;
    std::uint16_t m_serverPort = 0;
    std::string m_proxyHost;
    std::uint16_t m_proxyPort = 0;
    std::string m_room; // in JIS
    std::string m_roomKey;
    std::string m_serverAddress;
    std::string m_localAddress;
    int m_state = CHAT_IDLE;
    int m_lineKind = LINE_NONE;
    bool m_postFlag = true;
    bool m_proxyReplyPending = false;
    int m_idleArmedMs = 0;     // what timer 11 runs with now; 0 when stopped
    bool m_endAfterLine = false; // a fatal reply closed the connection: report its end
};

// Removes CR, LF and NUL, which would end or cut a protocol line.
std::string CleanParameter(const std::string& text);

// The traffic-log line of a received block (direction 2) for count and data, with the time prefix
// already formatted ("%d:%H:%M:%S,"); empty when nothing is logged.
std::string FormatReceiveLog(const std::string& timePrefix, int count, const char* data);
std::string FormatSendLog(const std::string& timePrefix, const std::string& line);

} // namespace chat
