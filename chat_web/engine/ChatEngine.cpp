#include "chat_web/engine/ChatEngine.h"

#include "chat_web/engine/JisCodec.h"
#include "net/base64/Base64.h"
#include "net/socket/TcpClient.h"

#include <winsock2.h>

#include <cstring>
#include <ctime>

namespace {

const char kWindowClass[] = "QeloChatEngine";
const UINT kUserAgentString = 166;
const char kDefaultUserAgent[] = "Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)";

std::string UserAgent()
{
    CString text;
    if (text.LoadString(kUserAgentString))
        return text.str();
    return kDefaultUserAgent;
}

std::string Base64(const std::string& text)
{
    CBase64 encoder;
    return encoder.Encode(text.data(), static_cast<int>(text.size())).str();
}

// The program's arguments: its command line without the program's own path (which may hold a
// "-" of its own).
const char* Arguments()
{
    const char* p = ::GetCommandLineA();
    if (!p)
        return "";
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        p = close ? close + 1 : p + std::strlen(p);
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    return p;
}

// The traffic logs are kept when the program's arguments hold -c, -cp or -pc.
bool LoggingSwitchGiven()
{
    const char* dash = std::strchr(Arguments(), '-');
    if (!dash)
        return false;
    CString word(dash);
    int blank = word.Find(' ');
    if (blank >= 0)
        word = word.Left(blank);
    return word.CompareNoCase("-c") == 0 || word.CompareNoCase("-cp") == 0 || word.CompareNoCase("-pc") == 0;
}

std::string TimePrefix()
{
    std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    char text[32];
    std::strftime(text, sizeof text, "%d:%H:%M:%S,", &local);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CChatEngine, CWnd)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_SOCKET_RECEIVE, OnSocketEvent)
END_MESSAGE_MAP()

CChatEngine::CChatEngine(HWND owner)
    : m_owner(owner), m_core(m_transport, m_ownerLink, UserAgent(), &Base64)
{
    const char* cls = RegisterWindowClass(kWindowClass, CS_DBLCLKS);
    CreateEx(0, cls, "QELOCHAT", WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
             nullptr);
    if (LoggingSwitchGiven())
        OpenLogs();
}

CChatEngine::~CChatEngine()
{
    m_transport.DeleteClient();
    DrainSocketMessages();
    CloseLogs();
}

int CChatEngine::Connect(const ChatConnectSettings& settings, const CString& room, const CString& key)
{
    return m_core.Connect(settings, room.str(), key.str());
}

int CChatEngine::Part(const CString& room) { return m_core.Part(room.str()); }
int CChatEngine::Quit() { return m_core.Quit(); }
int CChatEngine::SendPrivmsg(const CString& text, const CString& target) { return m_core.SendPrivmsg(text.str(), target.str()); }

void CChatEngine::Shutdown()
{
    if (m_hWnd) {
        KillTimer(chat::kLeaveTimer);
        KillTimer(chat::kIdleTimer);
    }
    DrainSocketMessages();
    CloseLogs();
}

void CChatEngine::OnTimer(UINT_PTR id)
{
    if (id == static_cast<UINT_PTR>(chat::kLeaveTimer) || id == static_cast<UINT_PTR>(chat::kIdleTimer)) {
        m_core.OnTimer(static_cast<int>(id));
        return;
    }
    Default();
}

void CChatEngine::OnDestroy()
{
    DrainSocketMessages();
    Default();
}

void CChatEngine::PostNcDestroy() { DrainSocketMessages(); }

LRESULT CChatEngine::OnSocketEvent(WPARAM wParam, LPARAM lParam)
{
    int count = static_cast<int>(wParam);
    auto* record = reinterpret_cast<SocketDataRecord*>(lParam);
    if (count > 0) {
        // A record of a connection we have already dropped is not news.
        bool ours = m_transport.Client() && record &&
                    static_cast<int>(record->localPort) == m_transport.Client()->GetSocket().GetLocalPort();
        if (ours) {
            WriteReceiveLog(count, reinterpret_cast<const char*>(record->data));
            m_core.OnReceived(reinterpret_cast<const char*>(record->data), static_cast<std::size_t>(count));
        }
        FreeSocketBuffer(count, record);
        return 0;
    }
    if (!m_transport.Client())
        return 0;
    WriteReceiveLog(count, nullptr);
    m_core.OnEnded(count);
    return 0;
}

void CChatEngine::DrainSocketMessages()
{
    if (!m_hWnd)
        return;
    MSG msg;
    while (::PeekMessageA(&msg, m_hWnd, WM_SOCKET_RECEIVE, WM_SOCKET_RECEIVE, PM_REMOVE))
        FreeSocketBuffer(static_cast<int>(msg.wParam), reinterpret_cast<SocketDataRecord*>(msg.lParam));
}

void CChatEngine::OpenLogs()
{
    char folder[MAX_PATH + 1] = "";
    DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH)
        return;
    std::string base = folder;
    m_sendLog = std::fopen((base + "NVPC_CHAT_SEND.csv").c_str(), "ab");
    m_receiveLog = std::fopen((base + "NVPC_CHAT_RECV.csv").c_str(), "ab");
    if (!m_sendLog || !m_receiveLog)
        CloseLogs();
}

void CChatEngine::CloseLogs()
{
    if (m_sendLog)
        std::fclose(m_sendLog);
    if (m_receiveLog)
        std::fclose(m_receiveLog);
    m_sendLog = m_receiveLog = nullptr;
}

void CChatEngine::WriteReceiveLog(int count, const char* data)
{
    if (!IsLogging())
        return;
    std::string line = chat::FormatReceiveLog(TimePrefix(), count, data);
    if (!line.empty()) {
        std::fwrite(line.data(), 1, line.size(), m_receiveLog);
        std::fflush(m_receiveLog);
    }
}

// --- the connection -----------------------------------------------------------------------------

int CChatEngine::Transport::Connect(const std::string& host, std::uint16_t port)
{
    DeleteClient();
    m_client = new (std::nothrow) CTcpClient(m_engine.m_hWnd, 0, 0);
    if (!m_client)
        return chat::CHAT_ERR_CLIENT;
    SocketResult rc = m_client->Connect(host.c_str(), port);
    if (rc != SOCKET_OK) {
        DeleteClient();
        return static_cast<int>(rc);
    }
    return 0;
}

int CChatEngine::Transport::Send(const std::string& bytes)
{
    if (!m_client)
        return -1;
    return static_cast<int>(m_client->SendText(chat::kSendTimeoutMs, bytes.c_str()));
}

void CChatEngine::Transport::ShutdownSend()
{
    if (m_client)
        m_client->GetSocket().Shutdown(1);
}

void CChatEngine::Transport::ReleaseReceiver()
{
    if (m_client)
        m_client->ReleaseReceiver();
}

void CChatEngine::Transport::DeleteClient()
{
    if (!m_client)
        return;
    m_client->ReleaseReceiver();
    m_client->Close();
    delete m_client;
    m_client = nullptr;
    // Its receive thread may have posted before it stopped.
    m_engine.DrainSocketMessages();
}

std::string CChatEngine::Transport::LocalAddress()
{
    if (!m_client)
        return std::string();
    sockaddr_in local = {};
    int size = sizeof local;
    SOCKET s = static_cast<SOCKET>(m_client->GetSocket().GetHandle());
    if (getsockname(s, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return std::string();
    return inet_ntoa(local.sin_addr);
}

bool CChatEngine::Transport::Resolve(const std::string& host, std::string* dotted)
{
    unsigned long address = inet_addr(host.c_str());
    if (address == INADDR_NONE) {
        hostent* entry = gethostbyname(host.c_str());
        if (!entry || !entry->h_addr_list || !entry->h_addr_list[0])
            return false;
        std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    }
    in_addr in;
    in.s_addr = address;
    *dotted = inet_ntoa(in);
    return true;
}

// --- the owner ----------------------------------------------------------------------------------

void CChatEngine::Owner::Post(int wParam, std::unique_ptr<ChatEvent> event)
{
    ChatEvent* record = event.release();
    if (!::PostMessageA(m_engine.m_owner, WM_CHAT_EVENT, static_cast<WPARAM>(wParam), reinterpret_cast<LPARAM>(record)))
        delete record;
}

void CChatEngine::Owner::SetTimer(int id, int ms)
{
    if (m_engine.m_hWnd)
        ::SetTimer(m_engine.m_hWnd, static_cast<UINT_PTR>(id), static_cast<UINT>(ms), nullptr);
}

void CChatEngine::Owner::KillTimer(int id)
{
    if (m_engine.m_hWnd)
        ::KillTimer(m_engine.m_hWnd, static_cast<UINT_PTR>(id));
}

void CChatEngine::Owner::LogSent(const std::string& line)
{
    if (!m_engine.IsLogging())
        return;
    std::string text = chat::FormatSendLog(TimePrefix(), line);
    std::fwrite(text.data(), 1, text.size(), m_engine.m_sendLog);
    std::fflush(m_engine.m_sendLog);
}
