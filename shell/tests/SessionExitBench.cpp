// Exit benchmark (run by hand, never by CTest): the real program logged in (message client
// running), then 0x40C 3 until the process has ended, log-out form included; 5 rounds, median.
//   sh tools/peer-fixture.sh start login_service /tmp/nvbench --option message_server=1
//   NV_PEER_DIR=/tmp/nvbench NV_MAIN_EXE=build/win64/bin/NimboVandrell.exe build/win64/nv-wine
//      build/win64/bin/nv_session_exit_bench.exe
#include "shell/tests/SessionProgramSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace sessiontest;

int main()
{
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        SeedAccount();
        const std::size_t loginMark = ReadPeerFile("login_service.log").size();
        const std::size_t serverMark = ReadPeerFile("message_server.log").size();
        Program program;
        if (!program.Start(nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE"))))
            return 1;
        HWND main = nullptr;
        if (!nvtest::PumpUntil([&] { return (main = FindMainWindow(program.Id())) != nullptr; }, 30000))
            return 1;
        ::PostMessageA(main, kCommandRequest, 0, 0);
        if (!nvtest::PumpUntil(
                [&] {
                    const std::string log = ReadPeerFile("message_server.log");
                    return Count("login_service.log", loginMark, "logged-in") == 1 &&
                           log.find("\"type\": 259", serverMark) != std::string::npos;
                },
                30000))
            return 1;
        nvtest::PumpUntil([] { return false; }, 500); // the log-in sequence settles
        LARGE_INTEGER f, a, b;
        ::QueryPerformanceFrequency(&f);
        ::QueryPerformanceCounter(&a);
        ::PostMessageA(main, kCommandRequest, 3, 0);
        nvtest::PumpUntil([&] { return !program.Running(); }, 30000);
        ::QueryPerformanceCounter(&b);
        if (Count("login_service.log", loginMark, "logged-out") != 1)
            return 1;
        times.push_back(1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("0x40C 3 while logged in to process end (log-out form included), median of %zu: %.0f ms (min %.0f, max %.0f)\n",
                times.size(), times[times.size() / 2], times.front(), times.back());
    return 0;
}
