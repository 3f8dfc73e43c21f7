#include "messaging/client/MsgClientCore.h"

#include "messaging/client/CommPM.h"
#include "messaging/client/HostRecords.h"
#include "messaging/client/MsgClientHost.h"
#include "messaging/client/PmTrafficLog.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmResultCodes.h"
#include "net/socket/CommLog.h"
#include "net/socket/SocketTypes.h"
#include "net/socket/TcpClient.h"
#include "net/socket/UdpEndpoint.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

constexpr int kMaxEmptyPages = 2;
constexpr unsigned kReportMessage = WM_PM_MESSAGE_RESULT;
constexpr unsigned kReportList = WM_PM_LIST_RESULT;

bool IsMainTcpMode(int mode)
{
    return mode == PM_MODE_TCP || mode == PM_MODE_PROXY;
}

} // namespace

const CMsgClientCore::KindInfo* CMsgClientCore::Info(int kind)
{
    // kind, refused with, send failure, resent, time-out result, report, record type
    static const KindInfo kKinds[] = {
        {PM_KIND_MESSAGE, PM_ERR_BUSY, PM_ERR_SEND_FAILED, true, PM_ERR_SEND_NO_REPLY, kReportMessage, PM_TYPE_MESSAGE},
        {PM_KIND_LIST, PM_ERR_BUSY, PM_ERR_LIST_REQUEST_NOT_SENT, false, PM_ERR_LIST_NO_REPLY, kReportMessage, PM_TYPE_LIST_REQUEST},
        {PM_KIND_FETCH, PM_ERR_BUSY_FETCH, PM_ERR_RECEIVE_REQUEST_FAILED, true, PM_ERR_FETCH_NO_REPLY, kReportMessage, PM_TYPE_FETCH},
        {PM_KIND_DELETE, PM_ERR_BUSY, PM_ERR_SEND_FAILED, false, PM_ERR_DELETE_NO_REPLY, kReportMessage, PM_TYPE_DELETE},
        {PM_KIND_BODY_SEND, PM_ERR_BUSY_EXT_SEND, PM_ERR_SEND_FAILED, false, PM_ERR_EXT_SEND_FAILED, kReportMessage, PM_TYPE_EXT_SEND_HEADER},
        {PM_KIND_BODY_RECEIVE, PM_ERR_BUSY_EXT_RECEIVE, PM_ERR_RECEIVE_REQUEST_FAILED, false, PM_ERR_EXT_RECEIVE_FAILED, kReportMessage, PM_TYPE_EXT_RECEIVE},
        {PM_KIND_URL_LIST, PM_ERR_BUSY_URL_LIST, PM_ERR_RECEIVE_REQUEST_FAILED, true, PM_ERR_URL_LIST_NO_REPLY, kReportList, PM_TYPE_LIST_QUERY},
        {PM_KIND_LIST_CLEAR, PM_ERR_BUSY_LIST_CLEAR, PM_ERR_LIST_CLEAR_SEND, false, PM_ERR_LIST_CLEAR_NO_REPLY, kReportList, PM_TYPE_LIST_CLEAR},
        {PM_KIND_FRIEND_LIST, PM_ERR_BUSY_FRIEND_LIST, PM_ERR_RECEIVE_REQUEST_FAILED, true, PM_ERR_FRIEND_LIST_NO_REPLY, kReportList, PM_TYPE_LIST_QUERY},
        {PM_KIND_PRESENCE, PM_ERR_BUSY, PM_ERR_PRESENCE_SEND, true, PM_ERR_PRESENCE_NO_REPLY, kReportList, PM_TYPE_PRESENCE},
        {PM_KIND_SESSION, 0, PM_ERR_SESSION_START_SEND, true, 0, 0, PM_TYPE_SESSION_START},
        {PM_KIND_DATA_SESSION, 0, PM_ERR_SESSION_START_SEND, false, 0, 0, PM_TYPE_SESSION_START},
    };

    for (const KindInfo& info : kKinds)
        if (info.kind == kind)
            return &info;
    return nullptr;
}

CMsgClientCore::CMsgClientCore(const SessionLoginRecord& login, const SessionAddressRecord& address)
    : m_login(login), m_address(address), m_framed(login.version >= 512)
{
    m_listBlock.assign(PM_POSTED_LIST_BLOCK_SIZE, 0);
}

CMsgClientCore::~CMsgClientCore()
{
    // The platform's destructor called Release; this only catches what no hook is needed for.
    if (m_worker.joinable()) {
        m_abort = true;
        if (m_data)
            m_data->GetSocket().Shutdown(2);
        m_worker.join();
    }
    CloseBodyFiles();
    CloseTrafficLogs();
}

void CMsgClientCore::Release()
{
    if (m_released)
        return;
    m_released = true;
    Shutdown();
    m_sessionState = PM_SESSION_DESTROYED;
    m_proxyState = PM_PROXY_DESTROYED;
    m_transport.reset();
    ClearResends();
    ResetReceive();
    m_udp.reset();
    m_data.reset();
    m_stream.reset();
    DropQueuedSocketMessages();
    CloseBodyFiles();
    if (!m_tempPath.empty())
        std::remove(m_tempPath.c_str());
    CloseTrafficLogs();
}

// --- platform defaults ----------------------------------------------------------------------------

std::string CMsgClientCore::TemporaryFilePath()
{
    return nvnet::TemporaryFolder() + "VYRN" + std::to_string(reinterpret_cast<std::uintptr_t>(this) & 0xFFFF) + ".tmp";
}

std::int64_t CMsgClientCore::UnixNow()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::uint32_t CMsgClientCore::NewSeed()
{
    return PmNewSeed();
}

std::string CMsgClientCore::UserAgent()
{
    return "Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)";
}

std::unique_ptr<CCommPM> CMsgClientCore::MakeTransport(int mode)
{
    switch (mode) {
    case PM_MODE_UDP:
        return std::unique_ptr<CCommPM>(new CCommPMUdp(*this));
    case PM_MODE_TCP:
        return std::unique_ptr<CCommPM>(new CCommPMTcp(*this));
    case PM_MODE_PROXY:
        return std::unique_ptr<CCommPM>(new CCommPMProxy(*this));
    default:
        return nullptr;
    }
}

// --- opening ----------------------------------------------------------------------------------

int CMsgClientCore::Open(std::uint32_t flags, const std::string& proxyHost, std::uint16_t proxyPort,
                         const std::string& proxyUser, const std::string& proxyPassword, int resendCount)
{
    if (m_transport)
        m_transport->Detach();
    m_transport.reset();
    if (!(flags & PM_CONNECT_TCP)) {
        m_mode = PM_MODE_UDP;
        m_resendLimit = 3;
    } else if ((flags & PM_CONNECT_PROXY) && !proxyHost.empty()) {
        m_mode = PM_MODE_PROXY;
        m_resendLimit = 0;
    } else {
        m_mode = PM_MODE_TCP;
        m_resendLimit = 0;
    }
    if (resendCount > 0)
        m_resendLimit = resendCount - 1;
    m_proxyHost = proxyHost;
    m_proxyPort = proxyPort;
    m_proxyUser = proxyUser;
    m_proxyPassword = proxyPassword;
    m_transport = MakeTransport(m_mode);
    if (!m_transport) {
        m_lastResult = m_mode == PM_MODE_UDP ? PM_ERR_UDP_CLASS : PM_ERR_TCP_OPEN;
        return m_lastResult;
    }
    if (m_tempPath.empty())
        m_tempPath = TemporaryFilePath();
    const int rc = m_transport->Open();
    if (rc != 0)
        m_lastResult = rc;
    return rc;
}

int CMsgClientCore::ConnectChannel()
{
    if (!m_transport)
        return m_lastResult = PM_ERR_SESSION_START_SEND;
    const int rc = m_transport->ConnectChannel();
    if (rc != 0)
        m_lastResult = rc;
    return rc;
}

void CMsgClientCore::Shutdown()
{
    m_sessionState = PM_SESSION_NOT_STARTED;
    m_proxyState = PM_PROXY_IDLE;
    const int pending = m_pending.load();
    if (pending != PM_KIND_IDLE)
        StopTimer(pending);
    if (m_proxyWait)
        StopTimer(m_proxyWait);
    m_proxyWait = 0;
    if (m_transport)
        m_transport->Detach();
    m_mainPort = -1;
    StopWorker(true);
    DeleteDataSocket();
    if (m_stream) {
        m_stream->ReleaseReceiver();
        m_stream->Close();
        m_stream.reset();
    }
    if (m_udp) {
        m_udp->ReleaseReceiver();
        m_udp->Close();
        m_udp.reset();
    }
    CloseBodyFiles();
    ResetReceive();
    m_pending = PM_KIND_IDLE;
    DropQueuedSocketMessages();
    ClearResends();
}

// --- sequence numbers and records --------------------------------------------------------------

int CMsgClientCore::NextSequence(int& counter, bool down)
{
    if (down) {
        const int next = counter >= 0 || counter == INT32_MIN ? -1 : counter - 1;
        counter = next;
    } else {
        const int next = counter == INT32_MAX || counter + 1 < 0 ? 0 : counter + 1;
        counter = next;
    }
    return counter;
}

int CMsgClientCore::GetLastResult(int) const
{
    return m_lastResult.load();
}

PmHeader CMsgClientCore::MakeHeader(std::uint16_t type) const
{
    PmHeader header;
    header.version = m_address.version;
    header.type = type;
    header.sequence = static_cast<std::uint32_t>(m_sequence);
    std::memcpy(header.commId.data(), m_address.loginId, 16);
    header.session = m_address.session;
    return header;
}

bool CMsgClientCore::Refused(int, int code)
{
    // One request at a time: a second request of the same kind would take over the first one's
    // sequence, and the first would never be reported.
    if (m_pending.load() == PM_KIND_IDLE)
        return false;
    m_lastResult = code;
    return true;
}

int CMsgClientCore::SendPacket(const std::uint8_t* record, std::size_t length)
{
    if (length + PM_FRAME_OVERHEAD > PM_SEND_LIMIT || !m_transport || !m_transport->Attached())
        return -1;
    LogPacket(true, record, length);
    if (!m_framed)
        return m_transport->Send(record, length);
    std::vector<std::uint8_t> frame;
    m_transport->BuildPacket(record, length, frame);
    return m_transport->Send(frame.data(), frame.size());
}

int CMsgClientCore::StartRequest(int kind, const std::vector<std::uint8_t>& record, int sendFailure)
{
    m_lastRecord = record;
    // The pending kind is set before the send: over a lost stream the send reopens the connection
    // and runs its session start, which keeps and restores it.
    m_pending = kind;
    if (SendPacket(record.data(), record.size()) != 0) {
        if (m_pending == kind)
            m_pending = PM_KIND_IDLE;
        m_lastResult = sendFailure;
        return sendFailure;
    }
    ArmTimer(kind, m_periodMs);
    return 0;
}

// --- the record builders: each sends its record and arms the kind's timer (StartRequest) ---

int CMsgClientCore::SendListRequest()
{
    return StartRequest(PM_KIND_LIST, EncodeHeaderOnly(MakeHeader(PM_TYPE_LIST_REQUEST)), PM_ERR_LIST_REQUEST_NOT_SENT);
}

int CMsgClientCore::SendMessagePacket()
{
    PmMessage message;
    message.header = MakeHeader(PM_TYPE_MESSAGE);
    message.partnerId = PmField(m_recipientId);
    message.partnerName = PmField(m_recipientName);
    message.time = UnixNow();
    message.number = m_sendMsgNumber;
    message.attributes = PmMessageAttributes(m_messageKind);
    message.fileFlag = m_fileFlag;
    message.fileLength = m_fileLength;
    message.text = m_text; // the encoder cuts it to 900 bytes
    return StartRequest(PM_KIND_MESSAGE, EncodeMessage(message), PM_ERR_SEND_FAILED);
}

int CMsgClientCore::SendReceiveRequest()
{
    PmU32Record record;
    record.header = MakeHeader(PM_TYPE_FETCH);
    record.value = m_fetchNumber;
    return StartRequest(PM_KIND_FETCH, EncodeU32(record), PM_ERR_RECEIVE_REQUEST_FAILED);
}

int CMsgClientCore::SendDeleteRequest()
{
    PmU32Record record;
    record.header = MakeHeader(PM_TYPE_DELETE);
    record.value = m_deleteNumber;
    return StartRequest(PM_KIND_DELETE, EncodeU32(record), PM_ERR_SEND_FAILED);
}

int CMsgClientCore::SendPresencePacket()
{
    PmU32Record record;
    record.header = MakeHeader(PM_TYPE_PRESENCE);
    record.value = m_presence;
    return StartRequest(PM_KIND_PRESENCE, EncodeU32(record), PM_ERR_PRESENCE_SEND);
}

// --- requests ---------------------------------------------------------------------------------

int CMsgClientCore::RequestList(int& counter)
{
    if (Refused(PM_KIND_LIST, PM_ERR_BUSY))
        return PM_ERR_BUSY;
    m_sequence = NextSequence(counter, false);
    const int rc = SendListRequest();
    if (rc == 0)
        ClearResends();
    return rc;
}

int CMsgClientCore::SendText(int& counter, const std::string& recipientId, const std::string& recipientName,
                             const std::string& text, int kind)
{
    if (Refused(PM_KIND_MESSAGE, PM_ERR_BUSY))
        return PM_ERR_BUSY;
    m_recipientId = recipientId;
    m_recipientName = recipientName;
    m_text = text;
    m_messageKind = kind;
    m_fileFlag = 0;
    m_fileLength = 0;
    m_sequence = NextSequence(counter, true);
    const int rc = SendMessagePacket();
    if (rc == 0)
        ClearResends();
    return rc;
}

int CMsgClientCore::SendFile(int& counter, const std::string& recipientId, const std::string& recipientName,
                             const std::string& text, int kind, const std::string& path, std::uint32_t fileFlag)
{
    if (Refused(PM_KIND_MESSAGE, PM_ERR_BUSY))
        return PM_ERR_BUSY;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return m_lastResult = PM_ERR_SEND_FILE_OPEN;
    std::fseek(file, 0, SEEK_END);
    const long long length = static_cast<long long>(std::ftell(file));
    std::fclose(file);
    if (length < 0)
        return m_lastResult = PM_ERR_SEND_FILE_OPEN;
    if (length >= 0x80000000LL)
        return m_lastResult = PM_ERR_SEND_FILE_TOO_LARGE;
    m_recipientId = recipientId;
    m_recipientName = recipientName;
    m_text = text;
    m_messageKind = kind;
    m_filePath = path;
    m_fileFlag = fileFlag;
    m_fileLength = static_cast<std::uint32_t>(length);
    m_sequence = NextSequence(counter, true);
    const int rc = SendMessagePacket(); // the file's bytes follow with SendWithBody
    if (rc == 0)
        ClearResends();
    return rc;
}

int CMsgClientCore::RequestFetch(int& counter, std::uint32_t number)
{
    if (Refused(PM_KIND_FETCH, PM_ERR_BUSY_FETCH))
        return PM_ERR_BUSY_FETCH;
    m_fetchNumber = number;
    m_sequence = NextSequence(counter, false);
    const int rc = SendReceiveRequest();
    if (rc == 0) {
        m_lastFetched = number;
        ClearResends();
    }
    return rc;
}

int CMsgClientCore::RequestDelete(int& counter, std::uint32_t number)
{
    if (Refused(PM_KIND_DELETE, PM_ERR_BUSY))
        return PM_ERR_BUSY;
    m_deleteNumber = number;
    m_sequence = NextSequence(counter, false);
    const int rc = SendDeleteRequest();
    if (rc == 0)
        ClearResends();
    return rc;
}

int CMsgClientCore::SendListQuery()
{
    PmListQuery query;
    query.header = MakeHeader(PM_TYPE_LIST_QUERY);
    query.kind = m_listKind;
    query.page = m_page;
    const int kind = m_listKind == PM_LIST_KIND_URLS ? PM_KIND_URL_LIST : PM_KIND_FRIEND_LIST;
    return StartRequest(kind, EncodeListQuery(query), PM_ERR_RECEIVE_REQUEST_FAILED);
}

int CMsgClientCore::RequestUrlList(int& counter)
{
    if (Refused(PM_KIND_URL_LIST, PM_ERR_BUSY_URL_LIST))
        return PM_ERR_BUSY_URL_LIST;
    std::fill(m_listBlock.begin(), m_listBlock.end(), 0);
    m_gathered = 0;
    m_emptyPages = 0;
    m_page = 1;
    m_listKind = PM_LIST_KIND_URLS;
    m_sequence = NextSequence(counter, false);
    const int rc = SendListQuery();
    if (rc == 0)
        ClearResends();
    return rc;
}

int CMsgClientCore::RequestFriendList(int& counter)
{
    if (Refused(PM_KIND_FRIEND_LIST, PM_ERR_BUSY_FRIEND_LIST))
        return PM_ERR_BUSY_FRIEND_LIST;
    std::fill(m_listBlock.begin(), m_listBlock.end(), 0);
    m_gathered = 0;
    m_emptyPages = 0;
    m_page = 1;
    m_listKind = PM_LIST_KIND_FRIENDS;
    m_sequence = NextSequence(counter, false);
    const int rc = SendListQuery();
    if (rc == 0)
        ClearResends();
    return rc;
}

int CMsgClientCore::SendUserListDelete()
{
    return StartRequest(PM_KIND_LIST_CLEAR, EncodeHeaderOnly(MakeHeader(PM_TYPE_LIST_CLEAR)), PM_ERR_LIST_CLEAR_SEND);
}

int CMsgClientCore::SendPresence(int& counter, std::uint32_t status)
{
    if (Refused(PM_KIND_PRESENCE, PM_ERR_BUSY))
        return 0;
    m_presence = status;
    m_sequence = NextSequence(counter, false);
    if (SendPresencePacket() == 0)
        ClearResends();
    return 0;
}

int CMsgClientCore::SendUrl(int&, const std::string& text)
{
    m_urlCounter = m_urlCounter == INT32_MAX || m_urlCounter + 1 < 0 ? 1 : m_urlCounter + 1;
    PmUrlText url;
    url.header = MakeHeader(PM_TYPE_URL_TEXT);
    url.header.sequence = static_cast<std::uint32_t>(m_urlCounter);
    url.text = text;
    const std::vector<std::uint8_t> record = EncodeU16(url);
    // No reply is awaited: the pending request (if any) is not this one's and stays as it is.
    if (SendPacket(record.data(), record.size()) != 0)
        return m_lastResult = PM_ERR_URL_SEND;
    return 0;
}

// --- reports ----------------------------------------------------------------------------------

unsigned CMsgClientCore::ReportMessageOf(int kind) const
{
    const KindInfo* info = Info(kind);
    return info ? info->message : 0;
}

std::vector<std::uint8_t> CMsgClientCore::FailureRecord(std::uint16_t typeOrCode) const
{
    return HostFailure(m_address.version, typeOrCode, static_cast<std::uint32_t>(m_sequence));
}

std::vector<std::uint8_t> CMsgClientCore::HostCopy(const std::uint8_t* payload, std::size_t length)
{
    PmResult result;
    if (DecodeResult(payload, length, &result))
        return HostResult(result);
    PmHeader header;
    if (!DecodeHeader(payload, length, &header))
        return std::vector<std::uint8_t>(payload, payload + length);
    std::vector<std::uint8_t> copy = HostHeader(header);
    copy.insert(copy.end(), payload + PM_HEADER_SIZE, payload + length);
    return copy;
}

void CMsgClientCore::Finish(int kind, int wParam, std::vector<std::uint8_t> record)
{
    const unsigned message = ReportMessageOf(kind);
    m_pending = PM_KIND_IDLE;
    ClearResends();
    if (!message)
        return;
    PmPostedRecord* posted = PmNewPostedRecord(record.data(), record.size());
    if (posted)
        PostToOwner(message, wParam, posted);
}

void CMsgClientCore::Fail(int kind, int code, std::vector<std::uint8_t> record)
{
    m_lastResult = code;
    if (record.empty()) {
        const KindInfo* info = Info(kind);
        record = FailureRecord(info ? info->recordType : 0);
    }
    Finish(kind, PM_POST_FAILED, std::move(record));
}

// --- receiving --------------------------------------------------------------------------------

void CMsgClientCore::OnSocketData(const std::uint8_t* data, int count, std::uint32_t localPort, std::uint32_t kind)
{
    if (count < 1 || !data)
        return;
    const std::size_t length = static_cast<std::size_t>(count);
    if (kind == SOCKET_RECORD_TCP && m_data && static_cast<int>(localPort) == m_dataPort) {
        OnDataConnection(data, length);
        return;
    }
    if (m_transport)
        m_transport->OnReceive(data, length, localPort, kind);
}

void CMsgClientCore::OnMainRecord(const std::uint8_t* payload, std::size_t length)
{
    PmHeader header;
    if (!DecodeHeader(payload, length, &header))
        return;
    LogPacket(false, payload, length);
    if (OnListPacket(header, payload, length))
        return;
    OnReply(header, payload, length);
}

bool CMsgClientCore::OnListPacket(const PmHeader& header, const std::uint8_t* payload, std::size_t length)
{
    if (header.type != PM_TYPE_MESSAGE_LIST || std::memcmp(header.commId.data(), m_login.loginId, 16) != 0 ||
        header.session != m_address.session)
        return false;
    const bool requested = m_pending == PM_KIND_LIST;
    if (requested)
        StopTimer(PM_KIND_LIST);
    PmMessageList list;
    if (!DecodeMessageList(payload, length, &list)) {
        // More than 18 entries, or a size that does not match its count: dropped. A list request
        // that it would have answered still ends with a report.
        if (requested)
            Fail(PM_KIND_LIST, PM_ERR_LIST_NO_REPLY);
        return true;
    }
    if (requested) {
        m_pending = PM_KIND_IDLE;
        ClearResends();
    }
    const std::vector<std::uint8_t> copy = HostMessageList(list);
    PmPostedRecord* posted = PmNewPostedRecord(copy.data(), copy.size());
    if (posted)
        PostToOwner(WM_PM_MESSAGE_RESULT, PM_POST_MESSAGE_LIST, posted);
    return true;
}

void CMsgClientCore::OnReply(const PmHeader& header, const std::uint8_t* payload, std::size_t length)
{
    const int kind = m_pending.load();
    if (kind == PM_KIND_IDLE || kind == PM_KIND_BODY_SEND || kind == PM_KIND_BODY_RECEIVE ||
        kind == PM_KIND_DATA_SESSION)
        return; // nothing awaits a reply on the main connection
    if (kind != PM_KIND_SESSION && header.sequence != static_cast<std::uint32_t>(m_sequence))
        return; // another request's reply: the timer keeps running

    switch (kind) {
    case PM_KIND_MESSAGE:
    case PM_KIND_DELETE: {
        if (length != PM_RESULT_SIZE)
            return;
        StopTimer(kind);
        PmResult result;
        DecodeResult(payload, length, &result);
        if (kind == PM_KIND_MESSAGE && m_fileLength == 0 && m_fileFlag == 0) {
            const std::uint32_t next = m_sendMsgNumber + 1;
            m_sendMsgNumber = next > 0x7FFFFFFFu ? 0 : next;
        }
        if (result.header.type != PM_TYPE_RESULT)
            Fail(kind, PM_ERR_UNEXPECTED_REPLY, HostResult(result));
        else if (result.first != 0)
            Fail(kind, static_cast<int>(result.first), HostResult(result));
        else
            Finish(kind, kind == PM_KIND_MESSAGE ? PM_POST_SENT : PM_POST_DELETED, HostResult(result));
        return;
    }
    case PM_KIND_LIST:
        // A reply to the list request that is not a list: the request ends with a report.
        StopTimer(kind);
        Fail(kind, PM_ERR_UNEXPECTED_REPLY, HostCopy(payload, length));
        return;
    case PM_KIND_FETCH: {
        StopTimer(kind);
        if (header.type != PM_TYPE_MESSAGE) {
            Fail(kind, PM_ERR_FETCH_NO_REPLY, HostCopy(payload, length));
            return;
        }
        PmMessage message;
        if (!DecodeMessage(payload, length, &message) || message.number != m_fetchNumber) {
            Fail(kind, PM_ERR_FETCH_NO_REPLY, FailureRecord(static_cast<std::uint16_t>(PM_ERR_FETCH_NO_REPLY)));
            return;
        }
        Finish(kind, PM_POST_FETCHED, HostMessage(message));
        return;
    }
    case PM_KIND_URL_LIST:
    case PM_KIND_FRIEND_LIST:
        StopTimer(kind);
        OnListPage(header, payload, length);
        return;
    case PM_KIND_LIST_CLEAR: {
        if (length != PM_RESULT_SIZE)
            return;
        StopTimer(kind);
        PmResult result;
        DecodeResult(payload, length, &result);
        const bool isResult = result.header.type == PM_TYPE_RESULT;
        result.header.type = static_cast<std::uint16_t>(m_listKind);
        if (!isResult)
            Fail(kind, PM_ERR_UNEXPECTED_REPLY, HostResult(result));
        else if (result.first != 0)
            Fail(kind, static_cast<int>(result.first), HostResult(result));
        else
            Finish(kind, PM_POST_LIST_CLEARED, HostResult(result));
        return;
    }
    case PM_KIND_PRESENCE: {
        if (length != PM_RESULT_SIZE)
            return;
        StopTimer(kind);
        PmResult result;
        DecodeResult(payload, length, &result);
        if (result.header.type != PM_TYPE_RESULT)
            Fail(kind, PM_ERR_UNEXPECTED_REPLY, HostResult(result));
        else if (result.first != 0)
            Fail(kind, static_cast<int>(result.first), HostResult(result));
        else
            Finish(kind, PM_POST_PRESENCE_SET, HostResult(result));
        return;
    }
    case PM_KIND_SESSION: {
        StopTimer(kind);
        m_pending = PM_KIND_IDLE;
        PmU32Record answer;
        if (DecodeU32(payload, length, &answer) && answer.header.type == PM_TYPE_SESSION_ANSWER)
            m_sessionState = answer.value == 0 ? PM_SESSION_GRANTED : PM_SESSION_REFUSED;
        else
            m_sessionState = PM_SESSION_REFUSED;
        return;
    }
    default:
        return;
    }
}

void CMsgClientCore::OnListPage(const PmHeader& header, const std::uint8_t* payload, std::size_t length)
{
    const int kind = m_pending.load();
    PmResult result;
    if (header.type == PM_TYPE_RESULT && DecodeResult(payload, length, &result)) {
        Fail(kind, result.first != 0 ? static_cast<int>(result.first) : PM_ERR_BAD_LIST_REPLY, HostResult(result));
        return;
    }
    PmListPage page;
    if (header.type != PM_TYPE_LIST_PAGE || !DecodeUserList(payload, length, &page)) {
        Fail(kind, PM_ERR_BAD_LIST_REPLY, HostCopy(payload, length));
        return;
    }
    // Entries beyond the block's 100 are not kept; a total above 100 completes with 100.
    const std::uint32_t target = std::min<std::uint32_t>(page.total, PM_LIST_BLOCK_ENTRIES);
    for (const PmPageEntry& entry : page.entries) {
        if (m_gathered >= PM_LIST_BLOCK_ENTRIES)
            break;
        std::uint8_t* at = m_listBlock.data() + PM_LIST_PAGE_FIXED_SIZE + m_gathered * PM_LIST_PAGE_ENTRY_SIZE;
        std::memcpy(at, entry.data.data(), PM_LIST_PAGE_ENTRY_DATA);
        std::memcpy(at + PM_LIST_PAGE_ENTRY_DATA, &entry.value, sizeof entry.value);
        ++m_gathered;
    }
    m_emptyPages = page.entries.empty() ? m_emptyPages + 1 : 0;
    int& appCounter = msgclient::Host().SequenceCounter();
    if (m_gathered >= target) {
        PmHeader head = header;
        head.type = static_cast<std::uint16_t>(m_listKind);
        std::vector<std::uint8_t> headBytes = HostHeader(head);
        std::memcpy(m_listBlock.data(), headBytes.data(), headBytes.size());
        const std::uint32_t gathered = m_gathered;
        std::memcpy(m_listBlock.data() + 28, &gathered, 4);
        const std::uint16_t reserved = 0;
        std::memcpy(m_listBlock.data() + 32, &reserved, 2);
        std::memcpy(m_listBlock.data() + 34, &m_page, 2);
        PmPostedRecord* posted = PmNewPostedRecord(m_listBlock.data(), m_listBlock.size());
        if (posted)
            PostToOwner(WM_PM_LIST_RESULT, PM_POST_LIST_COMPLETE, posted);
        ClearResends();
        m_sequence = NextSequence(appCounter, false);
        const int rc = SendUserListDelete();
        if (rc != 0)
            Fail(PM_KIND_LIST_CLEAR, rc);
        return;
    }
    // A server that keeps sending empty pages, or more pages than a full list needs, ends the query.
    if (m_emptyPages > kMaxEmptyPages || m_page >= PM_LIST_BLOCK_ENTRIES) {
        Fail(kind, PM_ERR_BAD_LIST_REPLY, FailureRecord(PM_TYPE_LIST_QUERY));
        return;
    }
    ++m_page;
    m_sequence = NextSequence(appCounter, false);
    ClearResends();
    const int rc = SendListQuery();
    if (rc != 0)
        Fail(kind, rc);
}

// --- time-outs --------------------------------------------------------------------------------

void CMsgClientCore::OnTimer(int id)
{
    StopTimer(id);
    if (id == PM_KIND_PROXY_MAIN || id == PM_KIND_PROXY_BODY_SEND || id == PM_KIND_PROXY_BODY_RECEIVE) {
        if (m_proxyWait == id) {
            m_proxyWait = 0;
            m_proxyState = PM_PROXY_IDLE;
        }
        return;
    }
    const int kind = m_pending.load();
    if (id != kind)
        return; // a timer of a request that has already ended
    if (kind == PM_KIND_BODY_SEND) {
        // While the worker still moves bytes the transfer is alive.
        const std::uint64_t progress = m_bodyProgress.load();
        if (m_worker.joinable() && progress != m_progressSeen) {
            m_progressSeen = progress;
            ArmTimer(kind, m_periodMs);
            return;
        }
        m_abort = true;
        if (m_data)
            m_data->GetSocket().Shutdown(2);
        if (!m_worker.joinable()) {
            CloseBodyFiles();
            DeleteDataSocket();
        }
        Fail(kind, PM_ERR_EXT_SEND_FAILED);
        return;
    }
    if (kind == PM_KIND_BODY_RECEIVE) {
        FailBody(PM_ERR_EXT_RECEIVE_FAILED);
        return;
    }
    const KindInfo* info = Info(kind);
    if (!info)
        return;
    if (info->resent && m_resendCounter < m_resendLimit) {
        ++m_resendCounter;
        if (SendPacket(m_lastRecord.data(), m_lastRecord.size()) == 0) {
            ArmTimer(kind, m_periodMs);
            return;
        }
        if (kind == PM_KIND_SESSION || kind == PM_KIND_DATA_SESSION) {
            m_pending = PM_KIND_IDLE;
            ClearResends();
            m_sessionState = PM_SESSION_NOT_STARTED;
            return;
        }
        Fail(kind, info->sendFailure);
        return;
    }
    if (kind == PM_KIND_SESSION || kind == PM_KIND_DATA_SESSION) {
        m_pending = PM_KIND_IDLE;
        ClearResends();
        m_sessionState = PM_SESSION_NOT_STARTED;
        return;
    }
    Fail(kind, info->timeoutResult);
}

// --- connection events ------------------------------------------------------------------------

void CMsgClientCore::OnSocketEnd(int code, std::uint32_t param)
{
    const std::uint32_t kind = (param & SOCKET_END_FLAG) ? SOCKET_RECORD_TCP : SOCKET_RECORD_UDP;
    const int port = static_cast<int>(param & 0x0FFFFFFF);

    if (code == -2) {
        OnConnectionLost(code);
        return;
    }
    if (kind == SOCKET_RECORD_TCP && m_data && port == m_dataPort) {
        const int pending = m_pending.load();
        if (m_proxyWait == PM_KIND_PROXY_BODY_SEND || m_proxyWait == PM_KIND_PROXY_BODY_RECEIVE) {
            StopTimer(m_proxyWait);
            m_proxyWait = 0;
            m_proxyState = PM_PROXY_REFUSED;
        }
        if (pending == PM_KIND_DATA_SESSION) {
            StopTimer(pending);
            m_pending = m_extKind;
            m_sessionState = PM_SESSION_REFUSED;
            return;
        }
        if (pending == PM_KIND_BODY_SEND) {
            // A cancel has already reported and left the kind; here the transfer fails.
            StopTimer(pending);
            m_abort = true;
            if (m_worker.joinable()) {
                m_data->GetSocket().Shutdown(2); // the worker ends; its end message cleans up
            } else {
                CloseBodyFiles();
                DeleteDataSocket();
            }
            Fail(pending, PM_ERR_EXT_SEND_FAILED);
            return;
        }
        if (pending == PM_KIND_BODY_RECEIVE) {
            FailBody(PM_ERR_EXT_RECEIVE_FAILED);
            return;
        }
        // An end of a data connection nobody waits for any more.
        DeleteDataSocket();
        return;
    }
    const bool main = m_mainPort >= 0 && port == m_mainPort &&
                      ((m_mode == PM_MODE_UDP && kind == SOCKET_RECORD_UDP) ||
                       (IsMainTcpMode(m_mode) && kind == SOCKET_RECORD_TCP));
    if (!main)
        return; // a connection that has already been replaced
    const int pending = m_pending.load();
    const bool mainRequest = pending != PM_KIND_IDLE && pending != PM_KIND_BODY_SEND &&
                             pending != PM_KIND_BODY_RECEIVE && pending != PM_KIND_DATA_SESSION;
    if (m_proxyWait == PM_KIND_PROXY_MAIN) {
        StopTimer(m_proxyWait);
        m_proxyWait = 0;
        m_proxyState = PM_PROXY_REFUSED;
    }
    if (m_stream)
        m_stream->ReleaseReceiver();
    if (m_udp && code == -1)
        m_udp->ReleaseReceiver();
    if (!mainRequest) {
        m_lastResult = PM_ERR_TCP_SESSION_CLOSED;
        if (m_transport)
            m_transport->CloseSocket();
        return;
    }
    StopTimer(pending);
    if (code == 0 && m_mode == PM_MODE_PROXY && m_reconnects < m_resendLimit &&
        (pending == PM_KIND_MESSAGE || pending == PM_KIND_FETCH || pending == PM_KIND_URL_LIST ||
         pending == PM_KIND_FRIEND_LIST)) {
        ++m_reconnects;
        if (m_transport)
            m_transport->CloseSocket();
        ResendAfterReconnect();
        return;
    }
    if (m_transport)
        m_transport->CloseSocket();
    if (pending == PM_KIND_SESSION) {
        m_pending = PM_KIND_IDLE;
        m_sessionState = PM_SESSION_NOT_STARTED;
        return;
    }
    Fail(pending, PM_ERR_CONNECTION_FAILED, FailureRecord(static_cast<std::uint16_t>(PM_ERR_CONNECTION_FAILED)));
}

void CMsgClientCore::ResendAfterReconnect()
{
    const int kind = m_pending.load();
    const int reconnects = m_reconnects;
    if (SendPacket(m_lastRecord.data(), m_lastRecord.size()) == 0) {
        m_reconnects = reconnects;
        if (m_pending == kind)
            ArmTimer(kind, m_periodMs);
        return;
    }
    Fail(kind, PM_ERR_CONNECTION_FAILED, FailureRecord(static_cast<std::uint16_t>(PM_ERR_CONNECTION_FAILED)));
}

void CMsgClientCore::OnConnectionLost(int)
{
    const int pending = m_pending.load();
    if (pending != PM_KIND_IDLE)
        StopTimer(pending);
    if (m_proxyWait) {
        StopTimer(m_proxyWait);
        m_proxyWait = 0;
        m_proxyState = PM_PROXY_IDLE;
    }
    StopWorker(true);
    ResetReceive();
    DeleteDataSocket();
    CloseBodyFiles();
    if (m_stream)
        m_stream->ReleaseReceiver();
    if (m_udp)
        m_udp->ReleaseReceiver();
    m_mainPort = -1;
    if (pending == PM_KIND_SESSION || pending == PM_KIND_DATA_SESSION) {
        m_pending = PM_KIND_IDLE;
        m_sessionState = PM_SESSION_NOT_STARTED;
        return;
    }
    const int kind = pending == PM_KIND_IDLE ? PM_KIND_LIST_CLEAR : pending; // no request: a 0x404 notice
    m_lastResult = PM_ERR_CONNECTION_FAILED;
    std::vector<std::uint8_t> record = FailureRecord(static_cast<std::uint16_t>(PM_ERR_CONNECTION_FAILED));
    m_pending = PM_KIND_IDLE;
    ClearResends();
    PmPostedRecord* posted = PmNewPostedRecord(record.data(), record.size());
    if (posted)
        PostToOwner(ReportMessageOf(kind), PM_POST_FAILED, posted);
}

// --- waits ------------------------------------------------------------------------------------

bool CMsgClientCore::WaitForState(const std::atomic<int>& state, unsigned ms)
{
    msgclient::Host().SetModalState(true);
    const bool done = WaitUntil([&state] { return state.load() != 0; }, ms);
    msgclient::Host().SetModalState(false);
    return done;
}

// --- traffic logs -----------------------------------------------------------------------------

bool CMsgClientCore::OpenTrafficLogs(const std::string& folder)
{
    CloseTrafficLogs();
    m_sendLog = std::fopen((folder + "NVPC_VYRN_SEND.csv").c_str(), "ab");
    m_recvLog = std::fopen((folder + "NVPC_VYRN_RECV.csv").c_str(), "ab");
    if (!m_sendLog || !m_recvLog) {
        CloseTrafficLogs();
        return false;
    }
    return true;
}

void CMsgClientCore::CloseTrafficLogs()
{
    if (m_sendLog)
        std::fclose(m_sendLog);
    if (m_recvLog)
        std::fclose(m_recvLog);
    m_sendLog = m_recvLog = nullptr;
}

void CMsgClientCore::LogPacket(bool sent, const std::uint8_t* record, std::size_t length, int resends)
{
    std::FILE* file = sent ? m_sendLog : m_recvLog;
    if (!m_sendLog || !m_recvLog || !file)
        return;
    if (m_rawLog) {
        std::fwrite(record, 1, length, file);
    } else {
        const std::string line = FormatPmLogLine(sent, record, length, resends < 0 ? m_resendCounter : resends, CurrentLocalTime());
        std::fwrite(line.data(), 1, line.size(), file);
    }
    std::fflush(file);
}
