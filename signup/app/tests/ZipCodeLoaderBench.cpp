// Run by hand under Wine: extraction and index of a 120,580-line zip-code archive in the
// background, and one lookup, best of 5 runs each. Arguments: archive, unlha32.dll.
#include "signup/app/ZipCodeLoader.h"

#include "shell/common/skin/UnlhaArchiver.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    CUnlhaArchiver::SetLibraryPath(argv[2]);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    const CString folder = CString(temp) + "nv_zip_bench\\";
    ::CreateDirectoryA(folder, nullptr);
    double bestLoad = 1e9, bestLookup = 1e9;
    std::size_t entries = 0;
    for (int run = 0; run < 5; ++run) {
        CZipCodeLoader loader;
        LARGE_INTEGER frequency, start, end;
        ::QueryPerformanceFrequency(&frequency);
        ::QueryPerformanceCounter(&start);
        if (!loader.Start(argv[1], folder) || !loader.Wait(60000) || !loader.IsLoaded())
            return 1;
        ::QueryPerformanceCounter(&end);
        const double load = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        entries = loader.EntryCount();
        ::QueryPerformanceCounter(&start);
        CString found = loader.LookUp("1000037");
        ::QueryPerformanceCounter(&end);
        const double lookup = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (found.IsEmpty())
            return 1;
        bestLoad = load < bestLoad ? load : bestLoad;
        bestLookup = lookup < bestLookup ? lookup : bestLookup;
    }
    std::printf("%zu entries: extract and index %.1f ms, one lookup %.3f ms (best of 5)\n", entries, bestLoad, bestLookup);
    return 0;
}
