// The client on a fake platform for native tests: an injected clock with the client's timers, the
// owner's posts recorded, a transport whose sockets are replaced by a scripted server.
#pragma once

#include "messaging/client/CommPM.h"
#include "messaging/client/MsgClientCore.h"
#include "messaging/client/MsgClientHost.h"

#include <atomic>
#include <deque>
#include <thread>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace pmtest {

constexpr std::uint16_t kMainPort = 5000;
constexpr std::uint16_t kDataPort = 6000;
constexpr std::uint32_t kSession = 0x1234;
extern const char kLoginId[17];

// A file name in the temporary folder that no other test uses.
std::string ScratchPath(const char* name);

SessionLoginRecord MakeLogin(std::uint16_t version = 0x0301);
SessionAddressRecord MakeAddress(std::uint16_t version = 0x0301);

struct Posted {
    unsigned message;
    int wParam;
    std::vector<std::uint8_t> bytes;
    std::uint16_t Type() const;
    std::uint32_t U32(std::size_t offset) const;
};

// A request as the server saw it (the frame's payload).
struct Seen {
    bool data; // on the data connection
    std::vector<std::uint8_t> record;
    PmHeader header;
};

class FakeClient : public CMsgClientCore {
public:
    // mode: PM_MODE_UDP or PM_MODE_TCP (the transport of that mode over the scripted server).
    explicit FakeClient(const SessionLoginRecord& login = MakeLogin(), const SessionAddressRecord& address = MakeAddress());
    ~FakeClient() override;

    // The server: called for each record the client sends, on the sending thread; it may answer
    // with Reply/ReplyData.
    std::function<void(FakeClient&, const Seen&)> server;
    // Queues what the server sends: a record (framed like the client's frames) or raw bytes.
    void Reply(const std::vector<std::uint8_t>& record, bool data = false);
    void ReplyRaw(const std::vector<std::uint8_t>& bytes, bool data = false);
    void ReplyEnd(int code, bool data = false);

    // Delivers what is queued (server bytes, the worker's messages) without moving the clock.
    void Pump();
    // Moves the clock, firing due timers in order and delivering what they cause.
    void Advance(std::uint64_t ms);
    // Moves the clock until done() or ms have passed.
    bool RunUntil(const std::function<bool()>& done, std::uint64_t ms);

    std::uint64_t now = 0;
    std::map<int, std::uint64_t> timers; // armed timer -> deadline
    std::vector<int> armed;              // every ArmTimer id, in order
    std::vector<Posted> posts;
    std::vector<Seen> seen;              // guarded by m_lock while the worker runs
    std::vector<std::vector<std::uint8_t>> rawMain; // main-connection bytes as sent
    std::uint64_t progressBytes = 0;
    int drops = 0;                       // DropQueuedSocketMessages calls
    std::uint32_t seed = 0x01020304;
    bool failMainSend = false;
    bool failOpen = false;
    bool failDataSend = false;
    std::atomic<int> dataSendsLeft{-1}; // >= 0: that many more data-connection sends succeed
    int closes = 0;                      // CloseSocket calls
    int opens = 0;
    std::int64_t clockUnix = 1700000000;
    // Chunks the next main replies into pieces of this size (0: one chunk).
    std::size_t chunk = 0;

    int LoginAndConnect(std::uint32_t flags = 0, int resendCount = 0);
    std::vector<Posted> TakePosts();

protected:
    void ArmTimer(int id, unsigned ms) override;
    void StopTimer(int id) override;
    void PostToOwner(unsigned message, int wParam, PmPostedRecord* record) override;
    void PostToSelf(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void PostProgress(std::uint32_t bytes) override;
    bool WaitUntil(const std::function<bool()>& done, unsigned timeoutMs) override;
    void DropQueuedSocketMessages() override { ++drops; }
    nvnet::SocketOwner SocketOwner() override { return nullptr; }
    std::int64_t UnixNow() override { return clockUnix; }
    std::uint32_t NewSeed() override { return seed; }
    std::string TemporaryFilePath() override;
    std::unique_ptr<CCommPM> MakeTransport(int mode) override;

private:
    friend class FakeUdp;
    friend class FakeTcp;
    struct Event {
        enum Kind { kData, kEnd, kSelf } kind;
        bool data;
        std::vector<std::uint8_t> bytes;
        int code;
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    void Sent(const std::uint8_t* bytes, std::size_t length, bool data);
    bool DeliverOne();

    std::thread::id m_thread = std::this_thread::get_id(); // timers belong to this thread
    std::mutex m_lock;
    std::deque<Event> m_events;
    std::vector<std::uint8_t> m_sendAssembly; // data-connection bytes being gathered into frames
};

// Record builders for the scripted server.
std::vector<std::uint8_t> ResultRecord(const PmHeader& request, std::uint32_t code, std::uint32_t second = 0,
                                       std::uint16_t type = PM_TYPE_RESULT);
std::vector<std::uint8_t> SessionAnswer(const PmHeader& request, std::uint32_t code);
std::vector<std::uint8_t> MessageList(std::uint32_t sequence, std::size_t count, const char* id = kLoginId,
                                      std::uint32_t session = kSession);
std::vector<std::uint8_t> ListPage(const PmHeader& request, std::uint32_t total, std::uint16_t count, std::uint16_t first);
std::vector<std::uint8_t> FetchedMessage(const PmHeader& request, std::uint32_t number, const std::string& text);

// A server that grants session starts and otherwise stays silent.
void GrantSessions(FakeClient& client, const Seen& request);

} // namespace pmtest
