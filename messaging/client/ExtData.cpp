// Extended data: message bodies over the data connection. A send runs on a worker thread that
// reports only by messages to the client window; a receive is gathered on the client's thread.
#include "messaging/client/CommPM.h"
#include "messaging/client/HostRecords.h"
#include "messaging/client/MsgClientCore.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmResultCodes.h"
#include "net/socket/TcpClient.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kPiece = 1460;
constexpr std::size_t kFileChunk = 1024;

std::uint64_t FileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return ~0ull;
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    return size < 0 ? ~0ull : static_cast<std::uint64_t>(size);
}

} // namespace

int DecodeBodyFile(std::FILE* temp, std::FILE* dest, PmResult* reply)
{
    if (!temp || !dest || std::fseek(temp, 0, SEEK_SET) != 0)
        return PM_ERR_EXT_WRITE;
    std::uint8_t head[PM_FRAME_OVERHEAD];
    if (std::fread(head, 1, sizeof head, temp) < sizeof head)
        return PM_ERR_EXT_WRITE;
    const PmFrameInfo info = DescribeFrame(head, sizeof head);
    if (!info.valid || info.payloadLength < PM_RESULT_SIZE)
        return PM_ERR_EXT_BAD_REPLY;
    const std::uint64_t size = FileSize(temp);
    if (size != std::uint64_t(info.headerLength) + info.payloadLength)
        return PM_ERR_EXT_BAD_REPLY;
    PmCipherState state;
    if (info.scrambled)
        PmCipherInit(state, info.payloadLength, info.seed);
    if (std::fseek(temp, static_cast<long>(info.headerLength), SEEK_SET) != 0)
        return PM_ERR_EXT_WRITE;
    std::uint8_t record[PM_RESULT_SIZE];
    if (std::fread(record, 1, sizeof record, temp) != sizeof record)
        return PM_ERR_EXT_WRITE;
    if (info.scrambled)
        PmDecrypt(state, record, record, sizeof record);
    if (!DecodeResult(record, sizeof record, reply))
        return PM_ERR_EXT_BAD_REPLY;
    if (std::fseek(dest, 0, SEEK_SET) != 0)
        return PM_ERR_EXT_WRITE;
    std::uint8_t chunk[kFileChunk];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, temp);
        if (got) {
            if (info.scrambled)
                PmDecrypt(state, chunk, chunk, got);
            if (std::fwrite(chunk, 1, got, dest) != got)
                return PM_ERR_EXT_WRITE;
        }
        if (got < sizeof chunk)
            break;
    }
    if (std::ferror(temp) || std::fflush(dest) != 0)
        return PM_ERR_EXT_WRITE;
    return 0;
}

// --- resources --------------------------------------------------------------------------------

void CMsgClientCore::CloseBodyFiles()
{
    if (m_bodyFile)
        std::fclose(m_bodyFile);
    if (m_tempFile)
        std::fclose(m_tempFile);
    m_bodyFile = m_tempFile = nullptr;
}

void CMsgClientCore::DeleteDataSocket()
{
    if (m_worker.joinable())
        return; // the worker still writes on it; its end message removes it
    if (m_data) {
        m_data->ReleaseReceiver();
        m_data->Close();
        m_data.reset();
    }
    m_dataPort = -1;
    m_dataStream.Clear();
}

void CMsgClientCore::StopWorker(bool join)
{
    if (!m_worker.joinable())
        return;
    m_abort = true;
    if (m_data) {
        // The shutdown ends a write in progress; the close makes sure of it (a blocked call ends
        // when its socket is closed) before this thread waits for the worker.
        m_data->GetSocket().Shutdown(2);
        if (join)
            m_data->GetSocket().Close();
    }
    if (join)
        m_worker.join();
}

void CMsgClientCore::ResetReceive()
{
    m_received = 0;
    m_expected = 0;
    m_headerSeen = false;
    m_rxHeader.clear();
    m_rxReply.clear();
    m_reply = PmResult();
}

int CMsgClientCore::PrepareDataSocket(int createFailure)
{
    StopWorker(true);
    DeleteDataSocket();
    m_data.reset(new (std::nothrow) CTcpClient(SocketOwner(), 0, 0));
    if (!m_data) {
        m_pending = PM_KIND_IDLE;
        return m_lastResult = createFailure;
    }
    return 0;
}

int CMsgClientCore::OpenData(int connectFailure)
{
    if (!m_transport) {
        m_pending = PM_KIND_IDLE;
        DeleteDataSocket();
        return m_lastResult = connectFailure;
    }
    const int kind = m_pending.load();
    int rc = m_transport->OpenDataChannel();
    if (rc != 0) {
        // A socket-library code has no text of its own: the caller's code stands for it.
        if (rc < PM_RESULT_FIRST || rc > PM_RESULT_LAST || rc == PM_ERR_TCP_CONNECT || rc == PM_ERR_TCP_OPEN)
            rc = connectFailure;
        m_pending = PM_KIND_IDLE;
        DeleteDataSocket();
        return m_lastResult = rc;
    }
    m_pending = kind;
    return 0;
}

int CMsgClientCore::SendOnData(const std::uint8_t* record, std::size_t length, bool raw, int resends)
{
    if (!m_transport || !m_transport->Attached() || m_mode == PM_MODE_NONE)
        return -1;
    if (raw)
        return m_transport->SendOnDataSocket(record, length);
    LogPacket(true, record, length, resends);
    if (!m_framed)
        return m_transport->SendOnDataSocket(record, length);
    std::vector<std::uint8_t> frame;
    m_transport->BuildPacket(record, length, frame);
    return m_transport->SendOnDataSocket(frame.data(), frame.size());
}

// --- sending a body ---------------------------------------------------------------------------

int CMsgClientCore::SendWithBody(int& counter, const std::string& recipientId, const std::string& recipientName,
                                 const std::string& text, int kind, const std::string& path)
{
    if (m_pending != PM_KIND_IDLE || m_worker.joinable())
        return m_lastResult = PM_ERR_BUSY_EXT_SEND;
    m_pending = PM_KIND_BODY_SEND;
    m_sequence = counter;
    m_recipientId = recipientId;
    m_recipientName = recipientName;
    m_text = text;
    m_messageKind = kind;
    m_filePath = path;
    m_fileLength = 0;
    // Cleared here, before the worker exists, so that a cancel posted at once is not lost.
    m_abort = false;
    CloseBodyFiles();
    m_bodyFile = std::fopen(path.c_str(), "rb");
    if (!m_bodyFile) {
        m_pending = PM_KIND_IDLE;
        return m_lastResult = PM_ERR_SEND_FILE_OPEN;
    }
    const std::uint64_t size = FileSize(m_bodyFile);
    if (size >= 0x80000000ull) {
        CloseBodyFiles();
        m_pending = PM_KIND_IDLE;
        return m_lastResult = size == ~0ull ? PM_ERR_SEND_FILE_OPEN : PM_ERR_SEND_FILE_TOO_LARGE;
    }
    m_fileLength = static_cast<std::uint32_t>(size);
    int rc = PrepareDataSocket(PM_ERR_TCP_OPEN);
    if (rc == 0)
        rc = OpenData(PM_ERR_TCP_CONNECT);
    if (rc != 0) {
        CloseBodyFiles();
        return rc;
    }
    m_pending = PM_KIND_BODY_SEND;
    return StartExtDataThread();
}

int CMsgClientCore::StartExtDataThread()
{
    ++m_transfer;
    m_bodyProgress = 0;
    m_progressSeen = 0;
    try {
        m_worker = std::thread(&CMsgClientCore::ExtDataThread, this, m_transfer);
    } catch (...) {
        m_pending = PM_KIND_IDLE;
        CloseBodyFiles();
        DeleteDataSocket();
        return m_lastResult = PM_ERR_EXT_SEND_THREAD;
    }
    ArmTimer(PM_KIND_BODY_SEND, m_periodMs);
    return 0;
}

void CMsgClientCore::ExtDataThread(std::uintptr_t transfer)
{
    // Reads only what the client's thread set before starting it and does not change while it
    // runs (file, length, sequence, records); the abort flag and the progress count are atomic.
    auto end = [this, transfer](std::intptr_t code) { PostToSelf(WM_PM_WORKER_END, transfer, code); };
    PmResult header;
    header.header = MakeHeader(PM_TYPE_EXT_SEND_HEADER);
    header.first = m_sendMsgNumber;
    header.second = m_fileLength;
    std::vector<std::uint8_t> record = EncodeResult(header);

    PmCipherState state;
    const bool scramble = m_framed && m_scramble;
    if (!m_framed) {
        if (SendOnData(record.data(), record.size(), false, 0) != 0)
            return end(PM_ERR_SEND_FAILED);
    } else {
        const std::uint32_t seed = scramble ? NewSeed() : 0;
        const std::uint32_t payload = static_cast<std::uint32_t>(PM_RESULT_SIZE) + m_fileLength;
        std::uint8_t head[PM_FRAME_OVERHEAD];
        MakeFrameHeader(head, payload, scramble);
        std::size_t headLength = PM_FRAME_HEADER_SIZE;
        if (scramble) {
            head[8] = static_cast<std::uint8_t>(seed >> 24);
            head[9] = static_cast<std::uint8_t>(seed >> 16);
            head[10] = static_cast<std::uint8_t>(seed >> 8);
            head[11] = static_cast<std::uint8_t>(seed);
            headLength = PM_FRAME_OVERHEAD;
            PmCipherInit(state, payload, seed);
        }
        if (SendOnData(head, headLength, true) != 0)
            return end(PM_ERR_SEND_FAILED);
        LogPacket(true, record.data(), record.size(), 0);
        if (scramble)
            PmEncrypt(state, record.data(), record.data(), record.size());
        if (SendOnData(record.data(), record.size(), true) != 0)
            return end(PM_ERR_SEND_FAILED);
    }
    std::uint8_t piece[kPiece];
    std::uint64_t sent = 0;
    while (sent < m_fileLength) {
        if (m_abort.load() || !m_bodyFile)
            return end(-1);
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, m_fileLength - sent));
        const std::size_t got = std::fread(piece, 1, want, m_bodyFile);
        if (got != want)
            return end(PM_ERR_EXT_READ);
        if (scramble)
            PmEncrypt(state, piece, piece, got);
        if (SendOnData(piece, got, true) != 0)
            return end(m_abort.load() ? -1 : PM_ERR_EXT_SEND_FAILED);
        sent += got;
        m_bodyProgress = sent;
        PostProgress(static_cast<std::uint32_t>(got));
    }
    end(0);
}

void CMsgClientCore::OnWorkerEnd(std::uintptr_t transfer, std::intptr_t code)
{
    if (m_worker.joinable())
        m_worker.join();
    if (transfer != m_transfer || m_pending != PM_KIND_BODY_SEND) {
        // The transfer already ended (answer, cancel, time-out, failed connection): only clean up.
        CloseBodyFiles();
        if (m_pending != PM_KIND_BODY_SEND)
            DeleteDataSocket();
        return;
    }
    if (code == 0) {
        // Everything went out: the server's answer is awaited.
        CloseBodyFiles();
        StopTimer(PM_KIND_BODY_SEND);
        ArmTimer(PM_KIND_BODY_SEND, m_periodMs);
        return;
    }
    StopTimer(PM_KIND_BODY_SEND);
    CloseBodyFiles();
    DeleteDataSocket();
    Fail(PM_KIND_BODY_SEND, code < 0 ? PM_ERR_EXT_CANCELLED : static_cast<int>(code));
}

void CMsgClientCore::OnCloseFiles()
{
    if (!m_worker.joinable())
        CloseBodyFiles();
}

void CMsgClientCore::OnWorkerGone()
{
    if (m_worker.joinable())
        m_worker.join();
    CloseBodyFiles();
    DeleteDataSocket();
}

void CMsgClientCore::OnCancel(unsigned)
{
    const int kind = m_pending.load();
    if (kind != PM_KIND_BODY_SEND && kind != PM_KIND_BODY_RECEIVE)
        return; // the transfer has already ended and reported; a late cancel changes nothing
    m_abort = true;
    StopTimer(kind);
    if (kind == PM_KIND_BODY_RECEIVE) {
        CloseBodyFiles();
        ResetReceive();
    }
    // A running worker is stopped through its socket (its end message then removes both); without
    // one the data connection simply goes.
    if (m_worker.joinable() && m_data)
        m_data->GetSocket().Shutdown(2);
    else
        DeleteDataSocket();
    Fail(kind, PM_ERR_EXT_CANCELLED, FailureRecord(PM_TYPE_EXT_SEND_HEADER));
}

// --- receiving a body -------------------------------------------------------------------------

int CMsgClientCore::RequestBody(int& counter, std::uint32_t number, const std::string& destination,
                                std::uint32_t announcedLength)
{
    if (m_pending != PM_KIND_IDLE || m_worker.joinable())
        return m_lastResult = PM_ERR_BUSY_EXT_RECEIVE;
    m_pending = PM_KIND_BODY_RECEIVE;
    m_sequence = counter;
    m_bodyNumber = number;
    m_destination = destination;
    m_bodyLimit = announcedLength ? announcedLength : PM_BODY_LIMIT;
    m_abort = false;
    ResetReceive();
    int rc = PrepareDataSocket(PM_ERR_EXT_RECEIVE_OPEN);
    if (rc == 0)
        rc = OpenData(PM_ERR_EXT_RECEIVE_CONNECT);
    if (rc != 0)
        return rc;
    m_pending = PM_KIND_BODY_RECEIVE;
    return SendBodyRequest();
}

int CMsgClientCore::SendBodyRequest()
{
    CloseBodyFiles();
    m_bodyFile = std::fopen(m_destination.c_str(), "w+b");
    if (!m_bodyFile) {
        m_pending = PM_KIND_IDLE;
        DeleteDataSocket();
        return m_lastResult = PM_ERR_EXT_RECEIVE_FILE_OPEN;
    }
    if (m_framed) {
        m_tempFile = m_tempPath.empty() ? nullptr : std::fopen(m_tempPath.c_str(), "w+b");
        if (!m_tempFile) {
            m_pending = PM_KIND_IDLE;
            CloseBodyFiles();
            DeleteDataSocket();
            return m_lastResult = PM_ERR_EXT_WRITE;
        }
    }
    PmU32Record request;
    request.header = MakeHeader(PM_TYPE_EXT_RECEIVE);
    request.value = m_bodyNumber;
    const std::vector<std::uint8_t> record = EncodeU32(request);
    ArmTimer(PM_KIND_BODY_RECEIVE, m_periodMs);
    if (SendOnData(record.data(), record.size(), false) != 0) {
        m_pending = PM_KIND_IDLE;
        CloseBodyFiles();
        StopTimer(PM_KIND_BODY_RECEIVE);
        DeleteDataSocket();
        return m_lastResult = PM_ERR_RECEIVE_REQUEST_FAILED;
    }
    m_received = 0;
    return 0;
}

void CMsgClientCore::FailBody(int code, std::vector<std::uint8_t> record)
{
    StopTimer(PM_KIND_BODY_RECEIVE);
    CloseBodyFiles();
    ResetReceive();
    DeleteDataSocket();
    Fail(PM_KIND_BODY_RECEIVE, code, record.empty() ? FailureRecord(PM_TYPE_EXT_SEND_HEADER) : std::move(record));
}

void CMsgClientCore::CompleteBody()
{
    StopTimer(PM_KIND_BODY_RECEIVE);
    const PmResult reply = m_reply;
    CloseBodyFiles();
    ResetReceive();
    DeleteDataSocket();
    Finish(PM_KIND_BODY_RECEIVE, PM_POST_BODY_RECEIVED, HostResult(reply));
}

void CMsgClientCore::OnBodyBytes(const std::uint8_t* data, std::size_t count)
{
    if (m_framed) {
        std::size_t used = 0;
        if (!m_headerSeen) {
            while (used < count && m_rxHeader.size() < PM_FRAME_OVERHEAD)
                m_rxHeader.push_back(data[used++]);
            if (m_rxHeader.size() < PM_FRAME_OVERHEAD) {
                ArmTimer(PM_KIND_BODY_RECEIVE, m_periodMs);
                return;
            }
            const PmFrameInfo info = DescribeFrame(m_rxHeader.data(), m_rxHeader.size());
            // The answer is the 36-byte reply record and at most the announced body.
            if (!info.valid || info.payloadLength < PM_RESULT_SIZE ||
                info.payloadLength - PM_RESULT_SIZE > m_bodyLimit) {
                FailBody(PM_ERR_EXT_BAD_REPLY);
                return;
            }
            m_headerSeen = true;
            m_rxHeaderLength = info.headerLength;
            m_expected = std::uint64_t(info.headerLength) + info.payloadLength;
            if (std::fwrite(m_rxHeader.data(), 1, m_rxHeader.size(), m_tempFile) != m_rxHeader.size()) {
                FailBody(PM_ERR_EXT_WRITE);
                return;
            }
            m_received = m_rxHeader.size();
        }
        // Bytes past the frame are not the body's.
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count - used, m_expected - m_received));
        if (take && std::fwrite(data + used, 1, take, m_tempFile) != take) {
            FailBody(PM_ERR_EXT_WRITE);
            return;
        }
        m_received += take;
        PostProgress(static_cast<std::uint32_t>(count));
        if (m_received < m_expected) {
            ArmTimer(PM_KIND_BODY_RECEIVE, m_periodMs);
            return;
        }
        PmResult reply;
        const int rc = DecodeBodyFile(m_tempFile, m_bodyFile, &reply);
        if (rc != 0) {
            FailBody(rc);
            return;
        }
        m_reply = reply;
        if (reply.header.type != PM_TYPE_RESULT) {
            FailBody(PM_ERR_EXT_BAD_REPLY, HostResult(reply));
            return;
        }
        if (reply.first != 0) {
            // A refusal is a failure: the caller must not go on as if the body had come.
            FailBody(static_cast<int>(reply.first), HostResult(reply));
            return;
        }
        // The body must be exactly as long as the reply says.
        if (std::uint64_t(reply.second) + PM_RESULT_SIZE + m_rxHeaderLength != m_expected) {
            FailBody(PM_ERR_EXT_BAD_REPLY, HostResult(reply));
            return;
        }
        CompleteBody();
        return;
    }

    // Bare: the 36-byte reply record, then its body of the length it gives.
    std::size_t used = 0;
    if (m_rxReply.size() < PM_RESULT_SIZE) {
        while (used < count && m_rxReply.size() < PM_RESULT_SIZE)
            m_rxReply.push_back(data[used++]);
        if (m_rxReply.size() < PM_RESULT_SIZE) {
            ArmTimer(PM_KIND_BODY_RECEIVE, m_periodMs);
            return;
        }
        PmResult reply;
        DecodeResult(m_rxReply.data(), m_rxReply.size(), &reply);
        m_reply = reply;
        if (reply.header.type != PM_TYPE_RESULT) {
            FailBody(PM_ERR_EXT_BAD_REPLY, HostResult(reply));
            return;
        }
        if (reply.first != 0) {
            FailBody(static_cast<int>(reply.first), HostResult(reply));
            return;
        }
        if (reply.second > m_bodyLimit) {
            FailBody(PM_ERR_EXT_BAD_REPLY, HostResult(reply));
            return;
        }
        m_expected = reply.second;
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count - used, m_expected - m_received));
    if (take && std::fwrite(data + used, 1, take, m_bodyFile) != take) {
        FailBody(PM_ERR_EXT_WRITE);
        return;
    }
    m_received += take;
    PostProgress(static_cast<std::uint32_t>(count));
    if (m_received >= m_expected) {
        if (std::fflush(m_bodyFile) != 0) {
            FailBody(PM_ERR_EXT_WRITE);
            return;
        }
        CompleteBody();
        return;
    }
    ArmTimer(PM_KIND_BODY_RECEIVE, m_periodMs);
}

// --- the data connection ----------------------------------------------------------------------

void CMsgClientCore::OnProxyData(const std::uint8_t* data, std::size_t count, bool mainConnection)
{
    m_proxyBuffer.insert(m_proxyBuffer.end(), data, data + count);
    const ProxyReply reply = ParseProxyReply(m_proxyBuffer.data(), m_proxyBuffer.size());
    if (reply.verdict == ProxyReply::kIncomplete)
        return;
    if (reply.verdict == ProxyReply::kNotProxy) {
        // Not the proxy's answer: nothing else is expected on a tunnel being opened.
        m_proxyBuffer.clear();
        return;
    }
    const int kind = m_proxyWait;
    StopTimer(kind);
    m_proxyWait = 0;
    m_proxyState = reply.verdict == ProxyReply::kAccepted ? PM_PROXY_ACCEPTED : PM_PROXY_REFUSED;
    std::vector<std::uint8_t> rest;
    if (reply.verdict == ProxyReply::kAccepted && reply.consumed < m_proxyBuffer.size())
        rest.assign(m_proxyBuffer.begin() + static_cast<std::ptrdiff_t>(reply.consumed), m_proxyBuffer.end());
    m_proxyBuffer.clear();
    if (rest.empty())
        return;
    if (mainConnection && m_transport)
        m_transport->OnReceive(rest.data(), rest.size(), static_cast<std::uint32_t>(m_mainPort), SOCKET_RECORD_TCP);
    else if (!mainConnection)
        OnDataConnection(rest.data(), rest.size());
}

void CMsgClientCore::OnDataConnection(const std::uint8_t* data, std::size_t count)
{
    if (m_proxyWait == PM_KIND_PROXY_BODY_SEND || m_proxyWait == PM_KIND_PROXY_BODY_RECEIVE) {
        OnProxyData(data, count, false);
        return;
    }
    const int kind = m_pending.load();
    if (kind == PM_KIND_BODY_RECEIVE) {
        if (m_abort.load())
            return;
        OnBodyBytes(data, count);
        return;
    }
    if (kind != PM_KIND_DATA_SESSION && kind != PM_KIND_BODY_SEND)
        return;
    m_dataStream.SetFramed(m_framed);
    m_dataStream.Append(data, count);
    std::vector<std::uint8_t> unit;
    switch (m_dataStream.Next(&unit)) {
    case CPmStreamAssembler::kNeedMore:
        return;
    case CPmStreamAssembler::kError:
        m_dataStream.Clear();
        OnDataRecord(nullptr, 0);
        return;
    case CPmStreamAssembler::kUnit:
        break;
    }
    std::size_t offset = 0;
    if (m_framed) {
        std::uint32_t seed = 0;
        const long at = ::ParsePacket(unit.size(), unit.data(), &seed);
        if (at < 0) {
            OnDataRecord(nullptr, 0);
            return;
        }
        offset = static_cast<std::size_t>(at);
    }
    OnDataRecord(unit.data() + offset, unit.size() - offset);
}

void CMsgClientCore::OnDataRecord(const std::uint8_t* payload, std::size_t length)
{
    const int kind = m_pending.load();
    if (kind == PM_KIND_DATA_SESSION) {
        StopTimer(kind);
        PmU32Record answer;
        if (payload && DecodeU32(payload, length, &answer) && answer.header.type == PM_TYPE_SESSION_ANSWER) {
            LogPacket(false, payload, length);
            m_sessionState = answer.value == 0 ? PM_SESSION_GRANTED : PM_SESSION_REFUSED;
        } else {
            m_sessionState = PM_SESSION_REFUSED;
        }
        return;
    }
    if (kind != PM_KIND_BODY_SEND)
        return;
    // The server's answer to a body: it ends the transfer, whatever it says.
    StopTimer(kind);
    m_abort = true;
    if (m_worker.joinable()) {
        if (m_data)
            m_data->GetSocket().Shutdown(2);
        m_worker.join();
    }
    CloseBodyFiles();
    DeleteDataSocket();
    PmResult result;
    if (!payload || !DecodeResult(payload, length, &result)) {
        Fail(kind, PM_ERR_EXT_BAD_REPLY, payload ? HostCopy(payload, length) : FailureRecord(PM_TYPE_EXT_SEND_HEADER));
        return;
    }
    LogPacket(false, payload, length);
    const std::uint32_t next = m_sendMsgNumber + 1;
    m_sendMsgNumber = next > 0x7FFFFFFFu ? 0 : next;
    if (result.header.type != PM_TYPE_RESULT)
        Fail(kind, PM_ERR_EXT_BAD_REPLY, HostResult(result));
    else if (result.first != 0)
        Fail(kind, static_cast<int>(result.first), HostResult(result));
    else
        Finish(kind, PM_POST_BODY_SENT, HostResult(result));
}
