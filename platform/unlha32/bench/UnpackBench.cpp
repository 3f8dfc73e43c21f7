// Benchmark run by hand under Wine: how long unlha32.dll takes to unpack an archive (the base
// skin at start-up), as the skin manager calls it (load the DLL, "e" into a folder, free it).
//   nv-wine unlha32_bench.exe <archive> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: unlha32_bench <archive> [runs]\n");
        return 64;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "nv unlha bench\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        HMODULE dll = LoadLibraryA("unlha32.dll");
        auto unlha = reinterpret_cast<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "Unlha")));
        if (!unlha) {
            std::fprintf(stderr, "unlha32.dll not usable\n");
            return 1;
        }
        std::string command = std::string("e -ycngm \"") + argv[1] + "\" \"" + folder + "\"";
        std::vector<char> output(10240);
        int result = unlha(nullptr, command.c_str(), output.data(), static_cast<DWORD>(output.size()));
        FreeLibrary(dll);
        QueryPerformanceCounter(&end);
        if (result != 0) {
            std::fprintf(stderr, "Unlha returned %d\n", result);
            return 1;
        }
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("runs %d  min %.1f ms  median %.1f ms  max %.1f ms\n", runs, times.front(), times[times.size() / 2],
                times.back());
    return 0;
}
