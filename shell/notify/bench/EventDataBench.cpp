// A 2,000-line event file parsed over the built-in records, against SplitFields alone on the same
// lines. Run by hand: notify_event_bench [lines] [rounds].
#include "shell/common/skin/SplitFields.h"
#include "shell/notify/EventData.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    const char* names[] = {"VYRN_SEND", "VYRN_RECV", "MEMO", "LOGIN_TIME", "BALLOON_COLOR", "ROOMIN_CHAT"};
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += names[i % 6];
        text += ":" + std::to_string(i) + (i % 10 == 0 ? "-" + std::to_string(i + 5) : "") +
                ":some balloon text number " + std::to_string(i) + ":\"GET,http://www.example/p" +
                std::to_string(i) + ".html\"\r\n";
    }
    const std::string builtIn = "BALLOON_COLOR:0:249,254,188::\r\nBALLOON_COLOR:1:0,0,0::\r\n"
                                "BALLOON_COLOR:2:0,0,255::\r\nERROR_COLOR:0:249,254,188::\r\n"
                                "ERROR_COLOR:1:0,0,0::\r\nERROR_COLOR:2:0,0,255::\r\n";
    using Clock = std::chrono::steady_clock;
    double parseBest = 1e9, splitBest = 1e9, twiceBest = 1e9;
    std::size_t records = 0;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        CEventData data;
        data.Parse(builtIn.c_str());
        data.Parse(CString(text));
        auto t1 = Clock::now();
        data.Parse(CString(text)); // a second download over a full first one
        auto t2 = Clock::now();
        records = data.Records().size();
        CStringArray fields;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            SplitFields(CString(text.substr(pos, end - pos - 1)), ':', 4, fields);
            pos = end + 1;
        }
        auto t3 = Clock::now();
        parseBest = std::min(parseBest, std::chrono::duration<double, std::milli>(t1 - t0).count());
        twiceBest = std::min(twiceBest, std::chrono::duration<double, std::milli>(t2 - t1).count());
        splitBest = std::min(splitBest, std::chrono::duration<double, std::milli>(t3 - t2).count());
    }
    std::printf("lines %d: parse over built-in %.3f ms, parse over the same %d records %.3f ms, "
                "SplitFields alone %.3f ms (records after %zu)\n",
                lines, parseBest, lines, twiceBest, splitBest, records);
    return 0;
}
