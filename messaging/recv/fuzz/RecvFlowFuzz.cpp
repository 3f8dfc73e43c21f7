// The received-message flow under random result sequences, forged and broken records, timer
// ticks, selections, progress, log-outs, lock time-outs and store failures. Checked: no delete
// request for a message that was not written first, no release of a lock not held, every record
// freed once (the sanitizers), and once a well-behaved server answers everything and the timer
// ticks, the lock is free and the deferred work has ended.
#include "messaging/client/HostRecords.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/recv/RecvFlow.h"
#include "messaging/recv/doubles/RecvDoubles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool More() const { return m_pos < m_size; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint32_t Word() { return static_cast<std::uint32_t>(Byte()) | static_cast<std::uint32_t>(Byte()) << 8; }
    std::string Text(std::size_t max)
    {
        std::size_t n = Byte() % (max + 1);
        std::string out;
        while (n-- > 0 && More())
            out.push_back(static_cast<char>(Byte()));
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

std::uint32_t Number(Input& in)
{
    const std::uint8_t b = in.Byte();
    return b < 200 ? b % 6 + 1 : 0x80000000u + b % 3; // a few numbers, some from 2^31
}

void PostForged(Input& in, CRecvFlow& flow)
{
    static const int forms[] = {10, 12, 13, 15, -1, 103, 104, 11, 0};
    const int wParam = forms[in.Byte() % (sizeof forms / sizeof forms[0])];
    if (wParam == 103 || wParam == 104) {
        flow.OnMessage(wParam, in.Byte() & 1);
        return;
    }
    std::vector<std::uint8_t> bytes;
    switch (in.Byte() % 5) {
    case 0: {
        PmMessageList list;
        list.header.type = PM_TYPE_MESSAGE_LIST;
        for (int n = in.Byte() % 5; n > 0; --n) {
            PmListEntry entry;
            entry.senderId = PmField(in.Text(3));
            entry.senderName = PmField(in.Text(4));
            entry.number = Number(in);
            entry.attributes = (in.Byte() & 0x0F) << 24 | (in.Byte() & 3);
            list.entries.push_back(entry);
        }
        bytes = HostMessageList(list);
        break;
    }
    case 1: {
        PmMessage message;
        message.header.type = PM_TYPE_MESSAGE;
        message.number = Number(in);
        message.fileFlag = (in.Byte() & 0x0F) << 24;
        message.fileLength = in.Word();
        message.text = in.Text(40);
        bytes = HostMessage(message);
        break;
    }
    case 2: {
        PmResult result;
        result.header.type = PM_TYPE_RESULT;
        result.first = in.Byte() & 1;
        bytes = HostResult(result);
        break;
    }
    case 3:
        bytes = HostFailure(1, 9, (in.Byte() & 1) ? 0xFFFFFFFEu : 5u);
        break;
    default: {
        const std::string raw = in.Text(120);
        bytes.assign(raw.begin(), raw.end());
        break;
    }
    }
    PmPostedRecord* record = (in.Byte() % 8 == 0) ? nullptr : PmNewPostedRecord(bytes.data(), bytes.size());
    flow.OnMessage(wParam, PmRecordToParam(record));
}

// Prints what the doubles saw before ending the run, so a crash input explains itself.
[[noreturn]] void Fail(const CRecvEventLog& log, const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    for (const std::string& event : log.Events())
        std::fprintf(stderr, "  %s\n", event.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    CRecvEventLog log;
    CRecordingMsgClient client(log);
    CFakeRecvHost host(log);
    CFakeRecvStore store(log, host);
    CRecordingRecvView view(log);
    CRecvFlow flow(host, store, view);
    CFakeMsgServer server(client, host, flow);
    host.client = &client;
    for (std::uint32_t n = 1; n <= 4; ++n) {
        ServerMessage message;
        message.senderId = "u" + std::to_string(n);
        message.senderName = "n";
        message.number = n;
        message.attributes = 0x40000000u | (n == 3 ? 3u : 0u);
        message.text = "http://a.jp/ " + std::to_string(n);
        message.fileFlag = n == 2 ? 0x08000000u : (n == 4 ? 0x01000000u : 0u);
        message.body = n == 2 ? std::string(300, 'b') : (n == 4 ? std::string(7, 'v') : std::string());
        server.messages.push_back(message);
    }
    flow.Initialise();

    int steps = 0;
    while (in.More() && steps++ < 300) {
        switch (in.Byte() % 13) {
        case 0: PostForged(in, flow); break;
        case 1: flow.OnTimer(); break;
        case 2: {
            const int row = static_cast<int>(in.Byte() % 7) - 1;
            view.selected = row < static_cast<int>(view.rows.size()) ? row : -1;
            flow.OnListSelect(row, static_cast<RecvSelectSource>(in.Byte() % 3));
            break;
        }
        case 3: flow.OnProgress(in.Byte() % 3, static_cast<std::intptr_t>(in.Word())); break;
        case 4: (in.Byte() & 1) ? flow.Refresh(true) : flow.Cancel(); break;
        case 5: host.loggedIn = !host.loggedIn; break;
        case 6: host.lockTimesOut = !host.lockTimesOut; break;
        case 7:
        case 8: server.Step(); break;
        case 9: {
            static const char* const operations[] = {"PutUser", "AddMessage", "StoreAttachmentFile", "AddAttachment"};
            const char* operation = operations[in.Byte() % 4];
            if (store.failing.count(operation))
                store.failing.erase(operation);
            else
                store.failing.insert(operation);
            break;
        }
        case 10: host.commitFails = !host.commitFails; break;
        case 11: flow.OnCancelTransfer(); break;
        default:
            if (host.lockDepth == 0) {
                host.lockDepth = 1;
                host.holder = 5; // another window
            } else if (host.holder == 5) {
                host.lockDepth = 0;
                host.holder = 0;
            }
            break;
        }
        if (host.unbalancedUnlocks != 0 || server.deletesBeforeStore != 0)
            Fail(log, "a lock released twice or a delete before the store");
    }

    // A well-behaved end: everything answered, the timer ticking.
    host.loggedIn = true;
    host.lockTimesOut = false;
    host.commitFails = false;
    store.failing.clear();
    if (host.holder == 5) {
        host.lockDepth = 0;
        host.holder = 0;
    }
    server.faults.clear();
    if (flow.GetBusyState() == kBusyOffline)
        flow.OnMessage(103, 1); // online again
    server.Pump(1000);
    for (int tick = 0; tick < 40 && (flow.IsDeferredTimerRunning() || !client.pending.empty()); ++tick) {
        flow.OnTimer();
        server.Pump(1000);
    }
    if (host.unbalancedUnlocks != 0 || server.deletesBeforeStore != 0)
        Fail(log, "a lock released twice or a delete before the store");
    if (!client.pending.empty() || host.lockDepth != 0)
        Fail(log, "a request or the lock left over");
    if (flow.IsDeferredTimerRunning() || flow.GetDeferredWork() != 0)
        Fail(log, "deferred work that does not end");
    flow.OnDestroy();
    return 0;
}
