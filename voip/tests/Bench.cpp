// Benchmark run by hand: the sign-in round trip through qelo.dll against the directory-server
// peer, and the library's CPU use while signed in and idle.
//   qelo_bench <directory port> [rounds] [idle seconds]
// The current folder gets a nimbocall.ini that binds the library to 127.0.0.1.
#include <winsock2.h>
#include <windows.h>

#include "voip/qelo.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::atomic<int> g_lastState{0};
std::atomic<int> g_signedIn{0};

void __cdecl OnState(int code, const char*)
{
    g_lastState = code;
    if (code == -10005 || code == -10007)
        ++g_signedIn;
}

bool WaitSignedIn(int count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (g_signedIn < count) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        SwitchToThread();
    }
    return true;
}

double Seconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 1e7;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: qelo_bench <directory port> [rounds] [idle seconds]\n");
        return 2;
    }
    int rounds = argc > 2 ? std::atoi(argv[2]) : 200;
    int idleSeconds = argc > 3 ? std::atoi(argv[3]) : 60;
    FILE* ini = std::fopen("nimbocall.ini", "w");
    std::fprintf(ini, "[nimbocall]\nlocalip=127.0.0.1:18481\ndserver=127.0.0.1:%s\nloglevel=1\n", argv[1]);
    std::fclose(ini);
    QL_state = OnState;
    if (PW_start(nullptr, "81", "3", "Bench", nullptr) != 0)
        return 1;
    PW_register();
    if (!WaitSignedIn(1, 10000))
        return 1;

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> trips;
    for (int i = 0; i < rounds; ++i) {
        int expected = g_signedIn + 1;
        QueryPerformanceCounter(&before);
        PW_login();
        if (!WaitSignedIn(expected, 10000))
            return 1;
        QueryPerformanceCounter(&after);
        trips.push_back(1000.0 * (after.QuadPart - before.QuadPart) / frequency.QuadPart);
    }
    std::sort(trips.begin(), trips.end());
    std::printf("sign-in round trip over %d rounds: median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n", rounds,
                trips[trips.size() / 2], trips[trips.size() * 9 / 10], trips.back());

    FILETIME created, ended, kernel0, user0, kernel1, user1;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel0, &user0);
    DWORD start = GetTickCount();
    Sleep(static_cast<DWORD>(idleSeconds) * 1000);
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel1, &user1);
    double wall = (GetTickCount() - start) / 1000.0;
    double cpu = Seconds(kernel1) - Seconds(kernel0) + Seconds(user1) - Seconds(user0);
    std::printf("idle while signed in: %.3f s CPU in %.1f s = %.3f%% of one core\n", cpu, wall, 100.0 * cpu / wall);
    PW_logout();
    PW_stop();
    return 0;
}
