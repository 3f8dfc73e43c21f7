// Run by hand: the engine's cost on a room of 500 members and a flood of 10,000 lines of Japanese
// chat, against a bare line splitter over the same bytes, in 1460-byte reads as the socket gives them.
#include "chat_web/engine/ChatEngineCore.h"
#include "chat_web/engine/JisCodec.h"

#include "../tests/FakeChatHost.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

// The window posts a pointer and moves on: count the events, keep nothing.
class CountingOwner : public chat::IChatOwner {
public:
    std::size_t posted = 0;
    void Post(int, std::unique_ptr<chat::ChatEvent>) override { ++posted; }
    void SetTimer(int, int) override {}
    void KillTimer(int) override {}
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main()
{
    std::string stream = ":srv 001 taro :Welcome\r\n:taro!~QeloUser@h JOIN :#lobby\r\n";
    std::string names;
    for (int i = 0; i < 500; ++i) {
        names += " m" + std::to_string(i);
        if (i % 50 == 49) {
            stream += ":srv 353 taro = #lobby :" + names.substr(1) + "\r\n";
            names.clear();
        }
    }
    stream += ":srv 366 taro #lobby :End\r\n";
    std::string text = chat::SjisToJis("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81\x41\x90\xA2\x8A\x45 hello \x95\x5C\x8E\xA6");
    for (int i = 0; i < 10000; ++i)
        stream += ":m" + std::to_string(i % 500) + "!~u@h PRIVMSG #lobby :" + text + " " + std::to_string(i) + "\r\n";

    const int rounds = 20;
    double engine = 1e9, bare = 1e9;
    std::size_t events = 0;
    for (int round = 0; round < rounds; ++round) {
        chat_test::FakeTransport transport;
        CountingOwner owner;
        chat::ChatEngineCore core(transport, owner, "ua", [](const std::string& s) { return s; });
        chat::ChatConnectSettings s;
        s.nickname = "taro";
        s.userName = "u";
        s.fullName = "f";
        s.serverHost = "127.0.0.1";
        core.Connect(s, "#lobby", "");
        auto start = std::chrono::steady_clock::now();
        for (std::size_t at = 0; at < stream.size(); at += 1460)
            core.OnReceived(stream.data() + at, std::min<std::size_t>(1460, stream.size() - at));
        engine = std::min(engine, Seconds(start));
        events = owner.posted;

        start = std::chrono::steady_clock::now();
        std::string pending;
        std::size_t lines = 0, bytes = 0;
        for (std::size_t at = 0; at < stream.size(); at += 1460) {
            pending.append(stream.data() + at, std::min<std::size_t>(1460, stream.size() - at));
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, end);
                bytes += line.size();
                ++lines;
                pending.erase(0, end + 1);
            }
        }
        bare = std::min(bare, Seconds(start));
        if (lines == 0 || bytes == 0)
            return 1;
    }
    std::printf("%zu bytes, %zu events posted\n", stream.size(), events);
    std::printf("engine: %.2f ms (%.0f ns per line); bare splitter: %.2f ms; ratio %.2f\n", engine * 1e3,
                engine * 1e9 / 10530.0, bare * 1e3, engine / bare);
    return 0;
}
