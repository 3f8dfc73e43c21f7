#include "messaging/client/CommPM.h"

#include "messaging/client/MsgClientCore.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmResultCodes.h"
#include "net/base64/Base64.h"
#include "net/socket/SocketTypes.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <new>

CCommPM::CCommPM(CMsgClientCore& client) : m_client(&client), m_stream(client.Framed()) {}

CCommPM::~CCommPM() = default;

void CCommPM::SetMainPort(int port)
{
    if (m_client)
        m_client->m_mainPort = port;
}

void CCommPM::SetDataPort(int port)
{
    if (m_client)
        m_client->m_dataPort = port;
}

CTcpClient* CCommPM::StreamSocket() const
{
    return m_client ? m_client->m_stream.get() : nullptr;
}

CTcpClient* CCommPM::DataSocket() const
{
    return m_client ? m_client->m_data.get() : nullptr;
}

void CCommPM::DeliverRecord(const std::uint8_t* record, std::size_t length)
{
    if (m_client)
        m_client->OnMainRecord(record, length);
}

std::uint32_t CCommPM::BuildPacketWithSeed(const std::uint8_t* payload, std::size_t length,
                                           std::vector<std::uint8_t>& out, std::uint32_t seed)
{
    const bool scramble = m_client ? m_client->m_scramble : true;
    return ::BuildPacketWithSeed(scramble, payload, length, out, scramble ? seed : 0);
}

std::uint32_t CCommPM::BuildPacket(const std::uint8_t* payload, std::size_t length, std::vector<std::uint8_t>& out)
{
    const std::uint32_t seed = m_client && m_client->m_scramble ? m_client->NewSeed() : 0;
    return BuildPacketWithSeed(payload, length, out, seed);
}

long CCommPM::ParsePacket(std::size_t total, std::uint8_t* buffer, std::uint32_t* seed)
{
    return ::ParsePacket(total, buffer, seed);
}

int CCommPM::SendOnDataSocket(const std::uint8_t* bytes, std::size_t length)
{
    CTcpClient* data = DataSocket();
    if (!data || length == 0)
        return -1;
    return data->Send(bytes, static_cast<int>(length)) == SOCKET_OK ? 0 : -1;
}

int CCommPM::ReopenStream()
{
    CMsgClientCore& c = *m_client;
    const int kept = c.m_pending.load();
    const std::vector<std::uint8_t> record = c.m_lastRecord;
    const int resends = c.m_resendCounter;
    int rc = Open();
    if (rc == 0 && m_client)
        rc = ConnectChannel();
    if (!m_client)
        return -1;
    c.m_pending = kept;
    c.m_lastRecord = record;
    c.m_resendCounter = resends;
    if (rc != 0)
        c.m_lastResult = rc;
    return rc;
}

int CCommPM::StreamWrite(const std::uint8_t* bytes, std::size_t length, bool closeOnFailure)
{
    if (!m_client)
        return -1;
    if (!m_client->m_stream && ReopenStream() != 0)
        return -1;
    CTcpClient* stream = StreamSocket();
    if (!stream)
        return -1;
    if (stream->Send(bytes, static_cast<int>(length)) != SOCKET_OK) {
        if (closeOnFailure)
            CloseSocket();
        return -1;
    }
    return 0;
}

int CCommPM::Send(const std::uint8_t* bytes, std::size_t length)
{
    return StreamWrite(bytes, length, true);
}

int CCommPM::SendKeep(const std::uint8_t* bytes, std::size_t length)
{
    return StreamWrite(bytes, length, false);
}

void CCommPM::CloseSocket()
{
    if (!m_client)
        return;
    CMsgClientCore& c = *m_client;
    if (c.m_stream) {
        c.m_stream->ReleaseReceiver();
        c.m_stream->Close();
        c.m_stream.reset();
    }
    c.m_mainPort = -1;
    m_stream.Clear();
}

int CCommPM::TakeUnit(std::vector<std::uint8_t>& unit)
{
    if (!m_client)
        return -1;
    std::size_t offset = 0;
    if (m_client->m_framed) {
        std::uint32_t seed = 0;
        const long at = ParsePacket(unit.size(), unit.data(), &seed);
        if (at < 0)
            return -1;
        m_client->m_lastSeed = seed;
        offset = static_cast<std::size_t>(at);
    }
    if (unit.size() - offset < PM_HEADER_SIZE)
        return -1;
    DeliverRecord(unit.data() + offset, unit.size() - offset);
    return 0;
}

int CCommPM::OnReceive(const std::uint8_t* data, std::size_t count, std::uint32_t localPort, std::uint32_t kind)
{
    if (!m_client || kind != SOCKET_RECORD_TCP || static_cast<int>(localPort) != m_client->m_mainPort)
        return 1;
    m_stream.SetFramed(m_client->m_framed);
    m_stream.Append(data, count);
    int result = 0;
    std::vector<std::uint8_t> unit;
    for (;;) {
        const CPmStreamAssembler::Status status = m_stream.Next(&unit);
        if (status == CPmStreamAssembler::kNeedMore)
            break;
        if (status == CPmStreamAssembler::kError) {
            // Nothing after a broken header can be trusted to start a frame.
            m_stream.Clear();
            return -1;
        }
        if (TakeUnit(unit) < 0)
            result = -1;
        if (!m_client)
            break;
    }
    return result;
}

// --- session starts and tunnels ---------------------------------------------------------------

int CCommPM::RunSessionStart(bool closeOnFailure)
{
    CMsgClientCore& c = *m_client;
    c.m_sessionCounter = c.m_sessionCounter == INT32_MAX || c.m_sessionCounter + 1 < 0 ? 1 : c.m_sessionCounter + 1;
    PmHeader header = c.MakeHeader(PM_TYPE_SESSION_START);
    header.sequence = static_cast<std::uint32_t>(c.m_sessionCounter);
    c.m_lastRecord = EncodeHeaderOnly(header);
    c.m_pending = PM_KIND_SESSION;
    c.m_resendCounter = 0;
    if (c.SendPacket(c.m_lastRecord.data(), c.m_lastRecord.size()) != 0) {
        c.m_pending = PM_KIND_IDLE;
        CloseSocket();
        return PM_ERR_SESSION_START_SEND;
    }
    c.ArmTimer(PM_KIND_SESSION, c.m_periodMs);
    c.m_sessionState = PM_SESSION_WAITING;
    if (!c.WaitForState(c.m_sessionState, c.m_waitLimitMs))
        c.m_sessionState = PM_SESSION_NOT_STARTED;
    if (!m_client)
        return PM_ERR_SESSION_START_NO_REPLY;
    c.StopTimer(PM_KIND_SESSION);
    if (c.m_pending == PM_KIND_SESSION)
        c.m_pending = PM_KIND_IDLE;
    int rc;
    switch (c.m_sessionState.load()) {
    case PM_SESSION_GRANTED:
        return 0;
    case PM_SESSION_NOT_STARTED:
        rc = PM_ERR_SESSION_START_NO_REPLY;
        break;
    default:
        rc = PM_ERR_SESSION_START_REFUSED;
        break;
    }
    if (closeOnFailure)
        CloseSocket();
    return rc;
}

int CCommPM::RunDataSessionStart()
{
    CMsgClientCore& c = *m_client;
    if (c.m_mode == PM_MODE_UDP && !c.m_framed)
        return 0;
    c.m_sessionCounter = c.m_sessionCounter == INT32_MAX || c.m_sessionCounter + 1 < 0 ? 1 : c.m_sessionCounter + 1;
    PmHeader header = c.MakeHeader(PM_TYPE_SESSION_START);
    header.sequence = static_cast<std::uint32_t>(c.m_sessionCounter);
    const std::vector<std::uint8_t> record = EncodeHeaderOnly(header);
    c.m_extKind = c.m_pending.load();
    c.m_dataStream.Clear();
    c.m_pending = PM_KIND_DATA_SESSION;
    c.m_sessionState = PM_SESSION_WAITING;
    if (c.SendOnData(record.data(), record.size(), false) != 0) {
        // No answer can come to a request that did not go out.
        c.m_pending = c.m_extKind;
        c.DeleteDataSocket();
        return PM_ERR_SESSION_START_SEND;
    }
    c.ArmTimer(PM_KIND_DATA_SESSION, c.m_periodMs);
    if (!c.WaitForState(c.m_sessionState, c.m_waitLimitMs))
        c.m_sessionState = PM_SESSION_NOT_STARTED;
    if (!m_client)
        return PM_ERR_SESSION_START_NO_REPLY;
    c.StopTimer(PM_KIND_DATA_SESSION);
    c.m_pending = c.m_extKind;
    int rc;
    switch (c.m_sessionState.load()) {
    case PM_SESSION_GRANTED:
        return 0;
    case PM_SESSION_NOT_STARTED:
        rc = PM_ERR_SESSION_START_NO_REPLY;
        break;
    default:
        rc = PM_ERR_SESSION_START_REFUSED;
        break;
    }
    c.DeleteDataSocket();
    return rc;
}

int CCommPM::RunTunnel(CTcpClient& socket, std::uint32_t address, std::uint16_t port, int proxyKind)
{
    CMsgClientCore& c = *m_client;
    if (!IsUsableAddress(address) || port == 0 || SendConnectRequest(socket, FormatDottedQuad(address), port) != 0)
        return PM_ERR_PROXY_SEND;
    c.m_proxyBuffer.clear();
    c.m_proxyWait = proxyKind;
    c.m_proxyState = PM_PROXY_WAITING;
    c.ArmTimer(proxyKind, c.m_proxyWaitMs);
    if (!c.WaitForState(c.m_proxyState, c.m_waitLimitMs))
        c.m_proxyState = PM_PROXY_IDLE;
    if (!m_client)
        return PM_ERR_PROXY_NO_REPLY;
    c.StopTimer(proxyKind);
    c.m_proxyWait = 0;
    switch (c.m_proxyState.load()) {
    case PM_PROXY_ACCEPTED:
        return 0;
    case PM_PROXY_IDLE:
        return PM_ERR_PROXY_NO_REPLY;
    default:
        return PM_ERR_PROXY_REFUSED;
    }
}

// --- UDP --------------------------------------------------------------------------------------

int CCommPMUdp::Open()
{
    CMsgClientCore& c = *m_client;
    if (!c.m_udp) {
        c.m_udp.reset(new (std::nothrow) CUdpEndpoint(c.SocketOwner(), 0));
        if (!c.m_udp)
            return PM_ERR_UDP_CLASS;
    }
    const std::uint32_t server = c.m_address.serverAddress;
    if (!IsUsableAddress(server) || c.m_login.udpPort == 0 ||
        c.m_udp->Open(FormatDottedQuad(server).c_str(), c.m_address.serverPort, c.m_login.udpPort) != SOCKET_OK) {
        c.m_udp.reset();
        return PM_ERR_UDP_SOCKET;
    }
    SetMainPort(c.m_udp->GetSocket().GetLocalPort());
    return 0;
}

int CCommPMUdp::ConnectChannel()
{
    if (!m_client->m_framed)
        return 0;
    return RunSessionStart(false);
}

int CCommPMUdp::OpenDataChannel()
{
    CMsgClientCore& c = *m_client;
    CTcpClient* data = DataSocket();
    if (!data)
        return PM_ERR_TCP_OPEN;
    if (data->Connect(FormatDottedQuad(c.m_address.dataAddress).c_str(), c.m_address.dataPort) != SOCKET_OK)
        return PM_ERR_TCP_CONNECT;
    SetDataPort(data->GetSocket().GetLocalPort());
    return RunDataSessionStart();
}

int CCommPMUdp::Send(const std::uint8_t* bytes, std::size_t length)
{
    if (!m_client)
        return -1;
    if (!m_client->m_udp && ReopenStream() != 0)
        return -1;
    if (!m_client->m_udp)
        return -1;
    return m_client->m_udp->Send(bytes, static_cast<int>(length)) == SOCKET_OK ? 0 : -1;
}

int CCommPMUdp::SendKeep(const std::uint8_t* bytes, std::size_t length)
{
    if (!m_client || !m_client->m_udp)
        return -1;
    const SessionAddressRecord& a = m_client->m_address;
    return m_client->m_udp->SendTo(bytes, static_cast<int>(length), FormatDottedQuad(SecondUdpAddress(a)).c_str(),
                                   SecondUdpPort(a)) == SOCKET_OK
               ? 0
               : -1;
}

void CCommPMUdp::CloseSocket()
{
    if (!m_client || !m_client->m_udp)
        return;
    m_client->m_udp->ReleaseReceiver();
    m_client->m_udp->Close();
    m_client->m_udp.reset();
    m_client->m_mainPort = -1;
}

int CCommPMUdp::OnReceive(const std::uint8_t* data, std::size_t count, std::uint32_t localPort, std::uint32_t kind)
{
    if (!m_client || m_client->m_mode != PM_MODE_UDP || kind != SOCKET_RECORD_UDP ||
        static_cast<int>(localPort) != m_client->m_mainPort)
        return 1;
    std::vector<std::uint8_t> unit(data, data + count); // one datagram, one packet
    return TakeUnit(unit);
}

// --- TCP --------------------------------------------------------------------------------------

int CCommPMTcp::Open()
{
    CMsgClientCore& c = *m_client;
    if (!c.m_stream) {
        c.m_stream.reset(new (std::nothrow) CTcpClient(c.SocketOwner(), 0, 0));
        if (!c.m_stream)
            return PM_ERR_TCP_OPEN;
    }
    const std::uint32_t server = c.m_address.tcpAddress;
    if (!IsUsableAddress(server) || c.m_address.tcpPort == 0 ||
        c.m_stream->Connect(FormatDottedQuad(server).c_str(), c.m_address.tcpPort) != SOCKET_OK) {
        c.m_stream.reset();
        return PM_ERR_TCP_CONNECT;
    }
    m_stream.Clear();
    SetMainPort(c.m_stream->GetSocket().GetLocalPort());
    return 0;
}

int CCommPMTcp::ConnectChannel()
{
    return RunSessionStart(true);
}

int CCommPMTcp::OpenDataChannel()
{
    CMsgClientCore& c = *m_client;
    CTcpClient* data = DataSocket();
    if (!data)
        return PM_ERR_TCP_OPEN;
    if (data->Connect(FormatDottedQuad(c.m_address.dataAddress).c_str(), c.m_address.dataPort) != SOCKET_OK)
        return PM_ERR_TCP_CONNECT;
    SetDataPort(data->GetSocket().GetLocalPort());
    return RunDataSessionStart();
}

// --- proxy ------------------------------------------------------------------------------------

int CCommPMProxy::ConnectProxy(CTcpClient& socket)
{
    CMsgClientCore& c = *m_client;
    std::uint32_t address = 0;
    if (c.m_proxyPort == 0 || c.m_proxyHost == "0.0.0.0" || c.m_proxyHost == "255.255.255.255" ||
        (ParseDottedQuad(c.m_proxyHost, &address) && !IsUsableAddress(address)))
        return -1;
    return socket.Connect(c.m_proxyHost.c_str(), c.m_proxyPort) == SOCKET_OK ? 0 : -1;
}

int CCommPMProxy::SendConnectRequest(CTcpClient& socket, const std::string& host, std::uint16_t port)
{
    CMsgClientCore& c = *m_client;
    const std::string credentials = c.m_proxyUser + ":" + c.m_proxyPassword;
    CBase64 base64;
    const CString token = base64.Encode(credentials.data(), static_cast<int>(credentials.size()));
    const std::string request = BuildConnectRequest(host, port, c.UserAgent(), token.str());
    return socket.Send(request.data(), static_cast<int>(request.size())) == SOCKET_OK ? 0 : -1;
}

int CCommPMProxy::Open()
{
    CMsgClientCore& c = *m_client;
    if (!c.m_stream) {
        c.m_stream.reset(new (std::nothrow) CTcpClient(c.SocketOwner(), 0, 0));
        if (!c.m_stream)
            return PM_ERR_TCP_OPEN;
    }
    if (ConnectProxy(*c.m_stream) != 0) {
        c.m_stream.reset();
        return PM_ERR_TCP_CONNECT;
    }
    m_stream.Clear();
    SetMainPort(c.m_stream->GetSocket().GetLocalPort());
    return 0;
}

int CCommPMProxy::ConnectChannel()
{
    CMsgClientCore& c = *m_client;
    if (!c.m_stream)
        return PM_ERR_PROXY_SEND;
    const int rc = RunTunnel(*c.m_stream, c.m_address.tcpAddress, c.m_address.tcpPort, PM_KIND_PROXY_MAIN);
    if (!m_client)
        return rc;
    if (rc != 0) {
        CloseSocket();
        return rc;
    }
    return RunSessionStart(true);
}

int CCommPMProxy::OpenDataChannel()
{
    CMsgClientCore& c = *m_client;
    CTcpClient* data = DataSocket();
    if (!data)
        return PM_ERR_TCP_OPEN;
    if (ConnectProxy(*data) != 0)
        return PM_ERR_TCP_CONNECT;
    SetDataPort(data->GetSocket().GetLocalPort());
    const int kind = c.m_pending == PM_KIND_BODY_SEND ? PM_KIND_PROXY_BODY_SEND : PM_KIND_PROXY_BODY_RECEIVE;
    const int rc = RunTunnel(*data, c.m_address.dataAddress, c.m_address.dataPort, kind);
    if (!m_client)
        return rc;
    if (rc != 0) {
        c.DeleteDataSocket();
        return rc;
    }
    return RunDataSessionStart();
}

int CCommPMProxy::OnReceive(const std::uint8_t* data, std::size_t count, std::uint32_t localPort, std::uint32_t kind)
{
    if (m_client && kind == SOCKET_RECORD_TCP && static_cast<int>(localPort) == m_client->m_mainPort &&
        m_client->m_proxyWait == PM_KIND_PROXY_MAIN) {
        m_client->OnProxyData(data, count, true);
        return 0;
    }
    return CCommPMTcp::OnReceive(data, count, localPort, kind);
}
