// The login and room reply readers on arbitrary text: they never read past the length, every
// result is one of the codes they may give (or the errno the reply carries), values stay within
// 256 characters, and an accepted login reply always makes the client records.
#include "net/session/SessionProtocol.h"

#include <cstdlib>
#include <string>

using namespace netsession;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint16_t versions[] = {0x301, 0x311, 0x220, 0x230};
    const std::uint16_t version = versions[data[0] & 3];
    const bool room = (data[0] & 4) != 0;
    // A copy of exactly the input's length, so that a read past it is caught.
    const std::string copy(reinterpret_cast<const char*>(data + 1), size - 1);
    char* text = static_cast<char*>(std::malloc(copy.size() ? copy.size() : 1));
    copy.copy(text, copy.size());
    if (room) {
        ChatRoomRecord record;
        const std::uint32_t result = ParseRoomReply(text, copy.size(), "user01", "0x1A2B3C4D", &record);
        if (result == 0) {
            if (record.roomId.empty() || record.chatServer.empty() || record.chatPort == 0)
                std::abort();
        } else if (result != kRoomReplyNoInfo && result != kRoomReplyBad) {
            std::string errnoText;
            std::uint32_t carried = 0;
            if (!GetReplyValue(text, copy.size(), "errno", &errnoText, FindReplyStart(text, copy.size())) ||
                !ParseHexValue(errnoText, &carried) || carried != result)
                std::abort();
        }
        for (const std::string* v : {&record.roomId, &record.chatServer, &record.roomKey})
            if (v->size() > 256)
                std::abort();
    } else {
        LoginReply reply;
        const std::uint32_t result = ParseLoginReply(text, copy.size(), version, "user01", &reply);
        std::uint32_t carried = 0;
        if (result == 0) {
            SessionLoginRecord login;
            SessionAddressRecord address;
            if (!FillClientRecords(version, 0x101, "user01", reply, 1, 2, &login, &address))
                std::abort();
        } else if (result != kLoginReplyNoInfo && result != kLoginReplyBad &&
                   (!ParseHexValue(reply.errnoText, &carried) || carried != result)) {
            std::abort();
        }
        for (const std::string* v : {&reply.version, &reply.type, &reply.seq, &reply.id, &reply.session,
                                     &reply.errnoText, &reply.iuser, &reply.ufaddr, &reply.ufport, &reply.tfaddr,
                                     &reply.tfport, &reply.exaddr, &reply.export_})
            if (v->size() > 256)
                std::abort();
    }
    std::free(text);
    return 0;
}
