#include "messaging/client/tests/FakeClient.h"

#include "messaging/wire/PmFrame.h"
#include "net/socket/SocketTypes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <chrono>

namespace pmtest {

const char kLoginId[17] = "0123456789ABCDEF";

std::string ScratchPath(const char* name)
{
    static std::atomic<unsigned> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return nvnet::TemporaryFolder() + "nvpm_" + name + "_" + std::to_string(stamp) + "_" + std::to_string(++serial);
}

SessionLoginRecord MakeLogin(std::uint16_t version)
{
    SessionLoginRecord r;
    r.version = version;
    r.type = 0x101;
    r.sequence = 1;
    std::memcpy(r.loginId, kLoginId, 16);
    r.session = kSession;
    r.udpPort = 40000;
    r.tcpPort = 40001;
    return r;
}

SessionAddressRecord MakeAddress(std::uint16_t version)
{
    SessionAddressRecord r;
    r.version = version;
    r.type = 0x102;
    r.sequence = 1;
    std::memcpy(r.loginId, kLoginId, 16);
    r.session = kSession;
    r.serverAddress = 0x7F000001;
    r.serverPort = 41000;
    r.tcpAddress = 0x7F000001;
    r.tcpPort = 41001;
    r.dataAddress = 0x7F000001;
    r.dataPort = 41002;
    return r;
}

std::uint16_t Posted::Type() const
{
    std::uint16_t v = 0;
    if (bytes.size() >= 4)
        std::memcpy(&v, bytes.data() + 2, 2);
    return v;
}

std::uint32_t Posted::U32(std::size_t offset) const
{
    std::uint32_t v = 0;
    if (bytes.size() >= offset + 4)
        std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

// --- transports over the scripted server ------------------------------------------------------

class FakeUdp : public CCommPMUdp {
public:
    FakeUdp(CMsgClientCore& core, FakeClient& fake) : CCommPMUdp(core), m_fake(fake) {}
    int Open() override
    {
        ++m_fake.opens;
        if (m_fake.failOpen)
            return 12201;
        SetMainPort(kMainPort);
        m_open = true;
        return 0;
    }
    int Send(const std::uint8_t* bytes, std::size_t length) override
    {
        if (!m_open && ReopenStream() != 0)
            return -1;
        if (m_fake.failMainSend)
            return -1;
        m_fake.Sent(bytes, length, false);
        return 0;
    }
    void CloseSocket() override
    {
        ++m_fake.closes;
        m_open = false;
        SetMainPort(-1);
    }
    int OpenDataChannel() override
    {
        SetDataPort(kDataPort);
        return RunDataSessionStart();
    }
    int SendOnDataSocket(const std::uint8_t* bytes, std::size_t length) override
    {
        if (m_fake.failDataSend || m_fake.dataSendsLeft-- == 0)
            return -1;
        m_fake.Sent(bytes, length, true);
        return 0;
    }

private:
    FakeClient& m_fake;
    bool m_open = false;
};

class FakeTcp : public CCommPMTcp {
public:
    FakeTcp(CMsgClientCore& core, FakeClient& fake) : CCommPMTcp(core), m_fake(fake) {}
    int Open() override
    {
        ++m_fake.opens;
        if (m_fake.failOpen)
            return 12217;
        ResetStream();
        SetMainPort(kMainPort);
        m_open = true;
        return 0;
    }
    int Send(const std::uint8_t* bytes, std::size_t length) override
    {
        if (!m_open) {
            // A lost stream is reopened lazily, with its session start.
            const int rc = ReopenLikeTheStream();
            if (rc != 0)
                return -1;
        }
        if (m_fake.failMainSend)
            return -1;
        m_fake.Sent(bytes, length, false);
        return 0;
    }
    void CloseSocket() override
    {
        ++m_fake.closes;
        m_open = false;
        SetMainPort(-1);
        ResetStream();
    }
    int OpenDataChannel() override
    {
        SetDataPort(kDataPort);
        return RunDataSessionStart();
    }
    int SendOnDataSocket(const std::uint8_t* bytes, std::size_t length) override
    {
        if (m_fake.failDataSend || m_fake.dataSendsLeft-- == 0)
            return -1;
        m_fake.Sent(bytes, length, true);
        return 0;
    }

private:
    int ReopenLikeTheStream() { return ReopenStream(); }
    FakeClient& m_fake;
    bool m_open = false;
};

// --- the fake platform ------------------------------------------------------------------------

FakeClient::FakeClient(const SessionLoginRecord& login, const SessionAddressRecord& address)
    : CMsgClientCore(login, address)
{
}

FakeClient::~FakeClient()
{
    Release();
}

std::string FakeClient::TemporaryFilePath()
{
    return ScratchPath("VYRN");
}

std::unique_ptr<CCommPM> FakeClient::MakeTransport(int mode)
{
    if (mode == PM_MODE_UDP)
        return std::unique_ptr<CCommPM>(new FakeUdp(*this, *this));
    return std::unique_ptr<CCommPM>(new FakeTcp(*this, *this));
}

void FakeClient::ArmTimer(int id, unsigned ms)
{
    if (std::this_thread::get_id() != m_thread)
        std::abort(); // a timer armed from another thread (the worker must post instead)
    timers[id] = now + ms;
    armed.push_back(id);
}

void FakeClient::StopTimer(int id)
{
    if (std::this_thread::get_id() != m_thread)
        std::abort();
    timers.erase(id);
}

void FakeClient::PostToOwner(unsigned message, int wParam, PmPostedRecord* record)
{
    if (std::this_thread::get_id() != m_thread)
        std::abort(); // reports go out from the client's own thread only
    Posted p{message, wParam, {}};
    if (record) {
        p.bytes.assign(record->Bytes(), record->Bytes() + record->size);
        PmFreePostedRecord(record);
    }
    posts.push_back(std::move(p));
}

void FakeClient::PostToSelf(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    std::lock_guard<std::mutex> lock(m_lock);
    Event e{Event::kSelf, false, {}, 0, message, wParam, lParam};
    m_events.push_back(std::move(e));
}

void FakeClient::PostProgress(std::uint32_t bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    progressBytes += bytes;
}

bool FakeClient::WaitUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    return RunUntil(done, timeoutMs);
}

void FakeClient::Sent(const std::uint8_t* bytes, std::size_t length, bool data)
{
    std::vector<std::vector<std::uint8_t>> records;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!data)
            rawMain.emplace_back(bytes, bytes + length);
        if (!Framed()) {
            records.emplace_back(bytes, bytes + length);
        } else if (!data) {
            std::vector<std::uint8_t> frame(bytes, bytes + length);
            std::uint32_t s = 0;
            const long at = ::ParsePacket(frame.size(), frame.data(), &s);
            if (at >= 0)
                records.emplace_back(frame.begin() + at, frame.end());
        } else {
            m_sendAssembly.insert(m_sendAssembly.end(), bytes, bytes + length);
            CPmStreamAssembler assembler(true, 1 << 26);
            assembler.Append(m_sendAssembly.data(), m_sendAssembly.size());
            std::vector<std::uint8_t> unit;
            while (assembler.Next(&unit) == CPmStreamAssembler::kUnit) {
                std::uint32_t s = 0;
                const long at = ::ParsePacket(unit.size(), unit.data(), &s);
                if (at >= 0)
                    records.emplace_back(unit.begin() + at, unit.end());
                m_sendAssembly.erase(m_sendAssembly.begin(), m_sendAssembly.begin() + static_cast<long>(unit.size()));
            }
        }
    }
    for (const auto& record : records) {
        Seen s{data, record, {}};
        DecodeHeader(record.data(), record.size(), &s.header);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            seen.push_back(s);
        }
        if (server)
            server(*this, s);
    }
}

void FakeClient::Reply(const std::vector<std::uint8_t>& record, bool data)
{
    if (!Framed()) {
        ReplyRaw(record, data);
        return;
    }
    std::vector<std::uint8_t> frame;
    BuildPacketWithSeed(Scramble(), record.data(), record.size(), frame, 0x0BADF00D);
    ReplyRaw(frame, data);
}

void FakeClient::ReplyRaw(const std::vector<std::uint8_t>& bytes, bool data)
{
    std::lock_guard<std::mutex> lock(m_lock);
    const std::size_t step = chunk && !data ? chunk : bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += step) {
        const std::size_t n = std::min(step, bytes.size() - at);
        Event e{Event::kData, data, std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + n), 0, 0, 0, 0};
        m_events.push_back(std::move(e));
    }
}

void FakeClient::ReplyEnd(int code, bool data)
{
    std::lock_guard<std::mutex> lock(m_lock);
    Event e{Event::kEnd, data, {}, code, 0, 0, 0};
    m_events.push_back(std::move(e));
}

bool FakeClient::DeliverOne()
{
    Event e;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_events.empty())
            return false;
        e = std::move(m_events.front());
        m_events.pop_front();
    }
    const bool udp = Mode() == PM_MODE_UDP && !e.data;
    const std::uint32_t port = e.data ? kDataPort : kMainPort;
    switch (e.kind) {
    case Event::kData:
        OnSocketData(e.bytes.data(), static_cast<int>(e.bytes.size()), port,
                     udp ? SOCKET_RECORD_UDP : SOCKET_RECORD_TCP);
        break;
    case Event::kEnd:
        OnSocketEnd(e.code, udp ? port : (port | SOCKET_END_FLAG));
        break;
    case Event::kSelf:
        if (e.message == WM_PM_WORKER_END)
            OnWorkerEnd(e.wParam, e.lParam);
        else if (e.message == WM_PM_CLOSE_FILES)
            OnCloseFiles();
        else if (e.message == WM_PM_WORKER_GONE)
            OnWorkerGone();
        else if (e.message == WM_PM_CANCEL)
            OnCancel(static_cast<unsigned>(e.wParam));
        break;
    }
    return true;
}

void FakeClient::Pump()
{
    // The worker thread's messages come while it runs: wait for them a little, by its progress.
    while (DeliverOne()) {
    }
}

void FakeClient::Advance(std::uint64_t ms)
{
    const std::uint64_t end = now + ms;
    for (;;) {
        Pump();
        int due = 0;
        std::uint64_t when = end + 1;
        for (const auto& t : timers)
            if (t.second < when) {
                when = t.second;
                due = t.first;
            }
        if (when > end)
            break;
        now = when;
        timers.erase(due);
        OnTimer(due);
    }
    now = end;
    Pump();
}

bool FakeClient::RunUntil(const std::function<bool()>& done, std::uint64_t ms)
{
    const std::uint64_t end = now + ms;
    for (;;) {
        Pump();
        if (done())
            return true;
        int due = 0;
        std::uint64_t when = end + 1;
        for (const auto& t : timers)
            if (t.second < when) {
                when = t.second;
                due = t.first;
            }
        if (when > end) {
            now = end;
            Pump();
            return done();
        }
        now = when;
        timers.erase(due);
        OnTimer(due);
    }
}

int FakeClient::LoginAndConnect(std::uint32_t flags, int resendCount)
{
    int rc = Open(flags, "", 0, "", "", resendCount);
    if (rc == 0)
        rc = ConnectChannel();
    return rc;
}

std::vector<Posted> FakeClient::TakePosts()
{
    std::vector<Posted> out;
    out.swap(posts);
    return out;
}

// --- records ----------------------------------------------------------------------------------

static PmHeader ReplyHeader(const PmHeader& request, std::uint16_t type)
{
    PmHeader h = request;
    h.type = type;
    return h;
}

std::vector<std::uint8_t> ResultRecord(const PmHeader& request, std::uint32_t code, std::uint32_t second,
                                       std::uint16_t type)
{
    PmResult r;
    r.header = ReplyHeader(request, type);
    r.first = code;
    r.second = second;
    return EncodeResult(r);
}

std::vector<std::uint8_t> SessionAnswer(const PmHeader& request, std::uint32_t code)
{
    PmU32Record r;
    r.header = ReplyHeader(request, PM_TYPE_SESSION_ANSWER);
    r.value = code;
    return EncodeU32(r);
}

std::vector<std::uint8_t> MessageList(std::uint32_t sequence, std::size_t count, const char* id, std::uint32_t session)
{
    PmHeader h;
    h.version = 0x0301;
    h.type = PM_TYPE_MESSAGE_LIST;
    h.sequence = sequence;
    h.commId = PmField(id);
    h.session = session;
    // Encoded by hand so that more than 18 entries can be sent.
    std::vector<std::uint8_t> out = EncodeHeaderOnly(h);
    auto u32 = [&out](std::uint32_t v) {
        for (int i = 3; i >= 0; --i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    u32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        PmField16 sender = PmField("SENDER" + std::to_string(i));
        out.insert(out.end(), sender.begin(), sender.end());
        PmField16 name = PmField("name" + std::to_string(i));
        out.insert(out.end(), name.begin(), name.end());
        u32(static_cast<std::uint32_t>(100 + i));
        u32(PmToWireTime(1700000000));
        u32(0x40000000);
    }
    return out;
}

std::vector<std::uint8_t> ListPage(const PmHeader& request, std::uint32_t total, std::uint16_t count, std::uint16_t first)
{
    PmListPage page;
    page.header = ReplyHeader(request, PM_TYPE_LIST_PAGE);
    page.total = total;
    for (std::uint16_t i = 0; i < count; ++i) {
        PmPageEntry e;
        const std::string id = "FRIEND" + std::to_string(first + i);
        std::memcpy(e.data.data(), id.data(), id.size());
        e.value = first + i;
        page.entries.push_back(e);
    }
    return EncodeUserList(page);
}

std::vector<std::uint8_t> FetchedMessage(const PmHeader& request, std::uint32_t number, const std::string& text)
{
    PmMessage m;
    m.header = ReplyHeader(request, PM_TYPE_MESSAGE);
    m.partnerId = PmField("FEDCBA9876543210");
    m.partnerName = PmField("hanako");
    m.time = 1700000000;
    m.number = number;
    m.attributes = 0x40000000;
    m.text = text;
    return EncodeMessage(m);
}

void GrantSessions(FakeClient& client, const Seen& request)
{
    if (request.header.type == PM_TYPE_SESSION_START)
        client.Reply(SessionAnswer(request.header, 0), request.data);
}

} // namespace pmtest
