// A stand-in for unlha32.dll whose answers the test sets through environment variables of its
// own process, for the archiver states the real DLL rarely shows: busy, no version, failing
// commands, archives it calls invalid.
//   NV_FAKE_UNLHA_VERSION  UnlhaGetVersion's answer (default 100)
//   NV_FAKE_UNLHA_BUSY     UnlhaGetRunning's answer (default 0)
//   NV_FAKE_UNLHA_CHECK    UnlhaCheckArchive's answer (default 1)
//   NV_FAKE_UNLHA_RESULT   Unlha's return code (default 0); the command line is kept in
//                          NV_FAKE_UNLHA_LAST
#include <windows.h>

#include <cstdlib>

namespace {

int Setting(const char* name, int fallback)
{
    char value[32];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::atoi(value) : fallback;
}

} // namespace

extern "C" {

int WINAPI Unlha(HWND, LPCSTR commandLine, LPSTR output, DWORD size)
{
    SetEnvironmentVariableA("NV_FAKE_UNLHA_LAST", commandLine);
    if (output && size)
        output[0] = '\0';
    return Setting("NV_FAKE_UNLHA_RESULT", 0);
}

WORD WINAPI UnlhaGetVersion() { return static_cast<WORD>(Setting("NV_FAKE_UNLHA_VERSION", 100)); }

BOOL WINAPI UnlhaGetRunning() { return Setting("NV_FAKE_UNLHA_BUSY", 0); }

BOOL WINAPI UnlhaCheckArchive(LPCSTR, int) { return Setting("NV_FAKE_UNLHA_CHECK", 1); }

BOOL WINAPI UnlhaSetCursorMode(BOOL) { return TRUE; }

} // extern "C"
