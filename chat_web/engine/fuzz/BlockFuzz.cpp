// Arbitrary bytes from a chat server, in arbitrary pieces, in every state the input steers to.
#include "chat_web/engine/ChatEngineCore.h"

#include "../tests/FakeChatHost.h"

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
    std::size_t at = 1;
    while (at < size) {
        std::size_t piece = 1 + data[at] % 64;
        ++at;
        if (piece > size - at)
            piece = size - at;
        core.OnReceived(reinterpret_cast<const char*>(data + at), piece);
        at += piece;
        if (piece && data[at - 1] == 0xFF)
            core.OnTimer(chat::kIdleTimer);
        if (piece && data[at - 1] == 0xFE)
            core.Part("#r");
        if (piece && data[at - 1] == 0xFD)
            core.SendPrivmsg("x\r\ny", "#r");
    }
    core.OnEnded(-1);
    return 0;
}
