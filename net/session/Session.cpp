#include "net/session/Session.h"

#include "resources/ids/net.h"

using namespace netsession;

namespace {

// Message-box flags and answers (the values of the Windows API).
constexpr unsigned kIconStop = 0x10;
constexpr unsigned kYesNoQuestion = 0x04 | 0x20;
constexpr int kAnswerYes = 6;

const char kLoginPath[] = "/menu/LNLogin.cgi";
const char kRoomPath[] = "/menu/CTLogin.cgi";

} // namespace

CSession::CSession(ISessionHost& host, ISessionNetwork& network) : m_host(host), m_network(network)
{
    m_host.CreateLock();
}

CSession::~CSession()
{
    ReleaseMsgClient(nullptr);
    m_host.CloseLock();
    DeleteDialup();
}

std::string CSession::LoginId() { return m_host.NetInfo().m_LoginID.GetString(); }
std::string CSession::LoginPassword() { return m_host.NetInfo().m_LoginPasswd.GetString(); }

void CSession::SetState(std::uint16_t bits)
{
    m_host.NetInfo().m_state |= bits;
    m_host.StateChanged();
}

void CSession::ClearState()
{
    m_host.NetInfo().m_state &= kStateKept;
    m_host.StateChanged();
}

void CSession::DeleteDialup()
{
    if (m_dialup) {
        IDialupLink* dialup = m_dialup;
        m_dialup = nullptr;
        m_network.DeleteDialup(dialup);
    }
}

CString CSession::GetDialupEntryName() const
{
    return m_dialup ? m_host.NetInfo().m_RasEntryName : CString();
}

int CSession::Login(bool confirm)
{
    m_lastError = 0;
    if (!EnsureConnected(confirm))
        return 0;
    if (!PickLocalEndpoint()) {
        End();
        ClearState();
        return 0;
    }
    m_network.PrepareProxy(m_host.LoginPage());
    const NetConnectSettings& settings = m_host.NetInfo().GetActiveSettings();
    m_version = VersionWord(settings.protocolVersion, settings.flags);
    m_loginType = LoginTypeFor(m_version);
    if (PostLogin(m_loginType)) {
        m_loggedIn = true;
        SetState(kStateLoggedIn);
    }
    return 1;
}

bool CSession::Post(const std::string& url, const char* path, const std::string& body, std::string* reply)
{
    std::uint32_t error = 0;
    reply->clear();
    if (!m_network.Post(url, path, body, LoginId(), LoginPassword(), reply, &error)) {
        m_lastError = error ? error : static_cast<std::uint32_t>(-1);
        return false;
    }
    return true;
}

bool CSession::PostLogin(std::uint16_t type)
{
    m_lastError = 0;
    const std::uint32_t seq = m_sequence++;
    const bool login = type != kTypeLogout;
    const std::string body = login ? LoginBody(m_version, type, seq, LoginId(), LoginPassword(), m_localAddress,
                                               m_udpPort, m_tcpPort)
                                   : LogoutBody(m_version, seq, LoginId(), m_reply.session, LoginPassword());
    std::string reply;
    if (!Post(m_host.LoginPage(), kLoginPath, body, &reply))
        return false;
    if (!login)
        return true;
    m_lastError = ParseLoginReply(reply.data(), reply.size(), m_version, LoginId(), &m_reply);
    return m_lastError == 0;
}

void CSession::Logout()
{
    if (IsOnline() && m_loggedIn)
        PostLogin(kTypeLogout);
    End();
    ClearState();
    m_loggedIn = false;
}

void CSession::End()
{
    CNetInfo& info = m_host.NetInfo();
    if (!(info.m_state & kStateLan) && m_dialup) {
        // Only the connection this program dialled goes: an adopted one, another program's, or
        // one kept for a fresh log-in stays up.
        const CString& entry = info.m_RasEntryName;
        if ((info.m_state & kStateDialled) && !m_keepConnection && !entry.IsEmpty() && m_dialup->IsConnected(entry))
            m_dialup->HangUpOwn(entry);
        DeleteDialup();
    }
    // Leaves the frozen connection settings once the session is no longer registered.
    info.GetActiveSettings(false);
}

bool CSession::EnsureConnected(bool confirm)
{
    CNetInfo& info = m_host.NetInfo();
    if (!info.NeedsDialup()) {
        SetState(kStateLan);
        return true;
    }
    if (!m_dialup)
        m_dialup = m_network.CreateDialup(m_network.IsWindowsMe() ? 2 : 1);
    if (!m_dialup)
        return false;
    int built = m_dialup->BuildEntry(&info.m_spareEntryName);
    while (built == -1) {
        if (!m_dialup->RunDetails())
            return false;
        built = m_dialup->BuildEntry(&info.m_spareEntryName);
    }
    if (built != 0) {
        m_host.ShowMessage(m_host.Text(IDS_DIAL_ENTRY_FAILED), kIconStop, true);
        info.m_spareEntryName.Empty();
        return false;
    }
    // Without an entry of the user's choice, the entry just built is the one to connect.
    if (info.m_RasEntryName.IsEmpty())
        info.m_RasEntryName = info.m_spareEntryName;
    if (confirm) {
        CString chosen = info.m_RasEntryName;
        if (!m_dialup->ConfirmLogin(&chosen))
            return false;
        info.m_RasEntryName = chosen;
    }
    const CString entry = info.m_RasEntryName;
    if (!entry.IsEmpty() && m_dialup->IsConnected(entry)) {
        SetState(kStateAdopted);
        return true;
    }
    if (m_dialup->AnyActive()) {
        CString active;
        if (!m_dialup->GetActiveEntryNames(&active) || active.IsEmpty()) {
            m_host.ShowMessage(m_host.Text(IDS_DIAL_INFO_FAILED), kIconStop, true);
            return false;
        }
        CString question;
        question.Format(m_host.Text(IDS_DIAL_SWITCH_CONNECTION), active.GetString(), entry.GetString());
        if (m_host.ShowMessage(question, kYesNoQuestion, false) != kAnswerYes) {
            info.m_RasEntryName = active;
            SetState(kStateAdopted);
            return true;
        }
        m_dialup->HangUpAllAndWait();
    }
    if (!m_dialup->Dial(entry))
        return false;
    SetState(kStateDialled);
    return true;
}

bool CSession::PickLocalEndpoint()
{
    std::string address;
    if (m_dialup) {
        CString ras;
        if (m_dialup->GetLocalAddress(&ras))
            address = ras.GetString();
    } else {
        address = m_network.HostAddress();
    }
    if (address.empty())
        return false;
    m_localAddress = address;
    return PickFreePorts(m_network.Ports(), &m_udpPort, &m_tcpPort);
}

bool CSession::IsOnline()
{
    if (m_dialup)
        return m_dialup->IsConnected(m_host.NetInfo().m_RasEntryName);
    return (m_host.NetInfo().m_state & kStateLan) != 0;
}

bool CSession::CheckDialup()
{
    if (m_host.NetInfo().m_state & kStateLan)
        return true;
    if (m_dialup && m_dialup->IsConnected(m_host.NetInfo().m_RasEntryName))
        return true;
    DeleteDialup();
    m_host.ShowMessage(m_host.Text(IDS_DIAL_LINE_DROPPED), kIconStop, false);
    m_host.PostLogoutRequest();
    return false;
}

IMsgClientLink* CSession::GetMsgClient(IMsgClientLink** slot, int extra)
{
    const bool application = slot == nullptr || slot == &m_host.ClientSlot();
    if (slot == nullptr) {
        if (IMsgClientLink* client = m_host.ClientSlot())
            return client;
        slot = &m_host.ClientSlot();
    }
    // A holder that waits for this thread would never let go: wait a bounded time, then fail
    // holding nothing.
    if (!m_host.Lock(kLockHolder, kLockWaitMs)) {
        m_clientError = kClientLockTimeout;
        return nullptr;
    }
    *slot = nullptr;
    m_clientError = 0;
    SessionLoginRecord login;
    SessionAddressRecord address;
    IMsgClientLink* client = nullptr;
    if (!FillClientRecords(m_version, m_loginType, LoginId(), m_reply, m_udpPort, m_tcpPort, &login, &address)) {
        m_clientError = -1;
    } else {
        client = MsgClientFactory().Create(login, address, m_host.MainWindow());
        if (!client)
            m_clientError = -1;
    }
    if (client) {
        const NetConnectSettings& settings = m_host.NetInfo().GetActiveSettings();
        std::uint16_t proxyPort = 0;
        ParsePortValue(settings.proxyPortInUse.GetString(), &proxyPort);
        int result = client->Open(settings.flags, settings.proxyHostInUse.GetString(), proxyPort,
                                  settings.proxyData1.GetString(), settings.proxyData2.GetString(), extra);
        if (result == 0)
            result = client->ConnectChannel();
        if (result != 0) {
            m_clientError = result;
            client->Destroy();
            client = nullptr;
        }
    }
    if (client) {
        *slot = client;
        if (application)
            SetState(kStateClient);
    }
    m_host.Unlock();
    return client;
}

void CSession::ReleaseMsgClient(IMsgClientLink** slot)
{
    const bool application = slot == nullptr || slot == &m_host.ClientSlot();
    if (!slot)
        slot = &m_host.ClientSlot();
    IMsgClientLink* client = *slot;
    *slot = nullptr;
    if (client)
        client->Destroy();
    if (application && (m_host.NetInfo().m_state & kStateClient)) {
        m_host.NetInfo().m_state &= static_cast<std::uint16_t>(~kStateClient);
        m_host.StateChanged();
    }
}

int CSession::PostRoom(std::uint16_t type, const std::string& url)
{
    m_lastError = 0;
    const std::uint32_t seq = m_sequence++;
    ChatRoomRecord& room = m_host.Room();
    const bool enter = type == kTypeRoomEnter;
    const std::string target = url.empty() ? room.roomUrl : url;
    const std::string body = enter ? RoomEnterBody(m_version, seq, LoginId(), m_reply.session, LoginPassword(), target)
                                   : RoomLeaveBody(m_version, seq, LoginId(), m_reply.session, LoginPassword(),
                                                   room.roomId);
    std::string reply;
    if (!Post(m_host.ChatLoginUrl(), kRoomPath, body, &reply))
        return 0;
    if (!enter)
        return 1;
    ChatRoomRecord entered = room;
    m_lastError = ParseRoomReply(reply.data(), reply.size(), LoginId(), m_reply.session, &entered);
    if (m_lastError != 0)
        return 0;
    entered.roomUrl = target;
    room = entered;
    return 1;
}

int CSession::EnterRoom(const std::string& roomUrl)
{
    m_lastError = 0;
    if (!CheckDialup())
        return 0;
    const int result = PostRoom(kTypeRoomEnter, roomUrl);
    m_inRoom = result != 0;
    return result;
}

int CSession::LeaveRoom()
{
    m_lastError = 0;
    int result = 0;
    if (IsOnline() && m_inRoom)
        result = PostRoom(kTypeRoomLeave, std::string());
    m_inRoom = false;
    return result;
}
