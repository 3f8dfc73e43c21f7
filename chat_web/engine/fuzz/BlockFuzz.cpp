// Arbitrary bytes from a chat server, in arbitrary pieces, in every state the input steers to.
// Whatever the server sent, every line the engine sends is one whole line: no NUL, no bare CR or
// LF, ending in CR LF.
#include "chat_web/engine/ChatEngineCore.h"

#include "../tests/FakeChatHost.h"

#include <cstdlib>

namespace {

void CheckSent(chat_test::FakeTransport& transport)
{
    for (const std::string& bytes : transport.sent) {
        if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
            std::abort();
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\0' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')) ||
                (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')))
                std::abort();
        }
    }
    transport.sent.clear();
}

} // namespace

// The first byte: bit 0 connects through a proxy. Then pieces of 1..64 bytes, each after a byte
// holding its length - 1 (mod 64). The last byte of a piece may act for the user or the clock:
// 0xFF idle timer, 0xFE leave the room, 0xFD send a line, 0xFC the socket fails from now on,
// 0xFB the leave timer, 0xFA the connection ends.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    chat_test::FakeTransport transport;
    chat_test::FakeOwner owner;
    chat::ChatEngineCore core(transport, owner, "ua", [](const std::string& s) { return s; });
    chat::ChatConnectSettings s;
    s.nickname = "taro";
    s.userName = "u";
    s.fullName = "f";
    s.serverHost = "127.0.0.1";
    if (size > 0 && (data[0] & 1)) {
        s.proxyHost = "127.0.0.2";
        s.proxyUser = "x";
    }
    core.Connect(s, "#r", "");
    CheckSent(transport);
    std::size_t at = 1;
    while (at < size) {
        std::size_t piece = 1 + data[at] % 64;
        ++at;
        if (piece > size - at)
            piece = size - at;
        core.OnReceived(reinterpret_cast<const char*>(data + at), piece);
        at += piece;
        switch (piece ? data[at - 1] : 0) {
        case 0xFF: core.OnTimer(chat::kIdleTimer); break;
        case 0xFE: core.Part("#r"); break;
        case 0xFD: core.SendPrivmsg("x\r\ny\x82\xa0", "#r"); break;
        case 0xFC: transport.sendResult = -1; break;
        case 0xFB: core.OnTimer(chat::kLeaveTimer); break;
        case 0xFA: core.OnEnded(static_cast<int>(at % 3) - 1); break;
        default: break;
        }
        CheckSent(transport);
    }
    core.OnEnded(-1);
    return 0;
}
