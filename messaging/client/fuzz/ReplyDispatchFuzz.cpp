// The reply dispatcher fed random sequences of datagrams, stream chunks and connection ends while
// one request is pending. Whatever arrives, the request ends in exactly one report (a list query
// in its list and the list clear's answer), nothing stays pending and every posted record has the
// size its form promises.
#include "messaging/client/tests/FakeClient.h"

#include "messaging/wire/PmFrame.h"

#include <cstdlib>
#include <cstring>

using namespace pmtest;

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool More() const { return at < size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::vector<std::uint8_t> Take(std::size_t n)
    {
        n = std::min(n, size - at);
        std::vector<std::uint8_t> out(data + at, data + at + n);
        at += n;
        return out;
    }
};

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in{data, size};
    const int request = in.Byte() % 7;
    const bool tcp = in.Byte() & 1;
    FakeClient client;
    client.server = GrantSessions;
    if (client.LoginAndConnect(tcp ? PM_CONNECT_TCP : 0) != 0)
        return 0;
    client.server = nullptr;
    client.TakePosts();
    int counter = 1;
    int rc = 0;
    switch (request) {
    case 0: rc = client.SendText(counter, "FEDCBA9876543210", "x", "text", 0); break;
    case 1: rc = client.RequestList(counter); break;
    case 2: rc = client.RequestFetch(counter, 5); break;
    case 3: rc = client.RequestDelete(counter, 5); break;
    case 4: rc = client.RequestFriendList(counter); break;
    case 5: rc = client.RequestUrlList(counter); break;
    default: client.SendPresence(counter, 1); rc = client.Pending() ? 0 : -1; break;
    }
    if (rc != 0)
        return 0;
    while (in.More()) {
        switch (in.Byte() % 5) {
        case 0: // raw bytes on the main connection
            client.ReplyRaw(in.Take(in.Byte()));
            break;
        case 1: { // a record made to match the pending request's header, framed
            std::vector<std::uint8_t> record = in.Take(in.Byte());
            if (record.size() >= 28) {
                const std::uint32_t seq = static_cast<std::uint32_t>(client.CurrentSequence());
                const std::uint8_t s[4] = {std::uint8_t(seq >> 24), std::uint8_t(seq >> 16), std::uint8_t(seq >> 8),
                                           std::uint8_t(seq)};
                std::memcpy(record.data() + 4, s, 4);
                std::memcpy(record.data() + 8, kLoginId, 16);
                const std::uint8_t session[4] = {0, 0, 0x12, 0x34};
                std::memcpy(record.data() + 24, session, 4);
            }
            client.Reply(record);
            break;
        }
        case 2:
            client.ReplyEnd(-static_cast<int>(in.Byte() % 3));
            break;
        case 3:
            client.Pump();
            client.Advance(in.Byte() * 100u);
            break;
        default:
            client.ReplyRaw(in.Take(in.Byte()), true);
            break;
        }
    }
    client.Pump();
    client.Advance(600000);
    Check(client.Pending() == PM_KIND_IDLE);
    Check(client.timers.empty());
    // A network failure is also announced while nothing is pending (0x404 -1, type field 12241):
    // such notices are counted apart.
    int reports403 = 0, lists404 = 0, other404 = 0, notices = 0;
    for (const Posted& p : client.posts) {
        if (p.message == 0x403) {
            Check(p.bytes.size() >= 28);
            if (p.wParam == PM_POST_MESSAGE_LIST)
                Check(p.bytes.size() == 824);
            if (p.wParam != PM_POST_MESSAGE_LIST || request == 1)
                ++reports403;
        } else {
            Check(p.message == 0x404 && p.bytes.size() >= 28);
            if (p.wParam == PM_POST_LIST_COMPLETE) {
                Check(p.bytes.size() == 3636);
                ++lists404;
            } else if (p.wParam == PM_POST_FAILED && p.Type() == 12241) {
                ++notices;
            } else {
                ++other404;
            }
        }
    }
    const bool viaList = request == 4 || request == 5;
    if (request <= 3) {
        // A pushed list may come besides the answer to a list request; everything else is one report.
        Check(request == 1 ? reports403 >= 1 : reports403 == 1);
        Check(lists404 == 0);
    } else if (viaList) {
        Check(reports403 == 0);
        Check(lists404 <= 1 && other404 <= 1);
        Check(lists404 + other404 >= 1 || notices >= 1);
        Check(lists404 == 0 || other404 == 1 || notices >= 1); // a list is followed by its clear's answer
    } else {
        Check(reports403 == 0 && lists404 == 0 && other404 <= 1 && other404 + notices >= 1);
    }
    return 0;
}
