// Classifies a million links (ordinary pages and commands of both schemes) and, beside it, runs a
// bare search of the eight keywords over the same links: the filter should stay within twice
// the bare search. Run by hand; prints both times and their ratio.
#include "chat_web/browser/core/PrivateUrl.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main()
{
    const std::vector<std::string> links = {
        "http://portal.example.jp/menu/top.html?id=1234",
        "x-vyrntalk:pri_msg?id=ABCDEFGH12345678&name=Taro",
        "x-tesselin:url_chat?url=irc://chat.example.jp/room01",
        "x-vyrntalk:nimbocall?type=2&id=03-1234-5678",
        "https://pay.example.jp/charge_pc/chg_index.html",
        "x-vyrntalk:nv_show",
        "mailto:someone@example.jp",
        "x-tesselin:something_else",
    };
    const int rounds = 1000000;
    using Clock = std::chrono::steady_clock;
    long sink = 0;

    auto t0 = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        const std::string& l = links[static_cast<size_t>(i) % links.size()];
        for (const char* k : browser::kPageCommandKeywords)
            if (std::strstr(l.c_str(), k)) {
                ++sink;
                break;
            }
    }
    auto t1 = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        const std::string& l = links[static_cast<size_t>(i) % links.size()];
        sink += static_cast<long>(browser::ClassifyUrl(l.c_str(), 0, true).action);
    }
    auto t2 = Clock::now();
    double bare = std::chrono::duration<double, std::milli>(t1 - t0).count();
    double full = std::chrono::duration<double, std::milli>(t2 - t1).count();
    std::printf("links %d: bare keyword search %.1f ms, classifier %.1f ms, ratio %.2f (%ld)\n", rounds, bare, full,
                full / bare, sink);
    return 0;
}
