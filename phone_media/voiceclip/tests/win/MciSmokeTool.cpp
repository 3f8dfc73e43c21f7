// Drives the system's MCI "waveaudio" device through CMciDevice, for the smoke test of the real
// device under Wine:  record OUT.wav MS  (records MS milliseconds at 8 kHz, 8-bit, mono, saves),
// play IN.wav  (plays it to its end). Each waits for the device's notification, 20 s at most.
// Exit code 0 on success.
#include "phone_media/voiceclip/win/MciDevice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

WPARAM g_notified = 0;

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == MM_MCINOTIFY) {
        g_notified = wParam;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

bool WaitForNotification()
{
    DWORD deadline = ::GetTickCount() + 20000;
    while (!g_notified) {
        DWORD now = ::GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
    }
    return g_notified == MCI_NOTIFY_SUCCESSFUL;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    WNDCLASSA wc{};
    wc.lpfnWndProc = NotifyProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvMciSmoke";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    CMciDevice mci(window);
    MCIDEVICEID device = 0;
    if (std::strcmp(argv[1], "record") == 0 && argc == 4) {
        if (!mci.Open(1, window, &device, nullptr)) {
            std::fprintf(stderr, "open: %s\n", mci.GetLastErrorText());
            return 3;
        }
        if (!mci.Record(window, device, static_cast<DWORD>(std::atoi(argv[3])))) {
            std::fprintf(stderr, "record: %s\n", mci.GetLastErrorText());
            return 4;
        }
        bool ended = WaitForNotification();
        mci.Stop(window, device);
        if (!mci.Save(window, device, argv[2])) {
            std::fprintf(stderr, "save: %s\n", mci.GetLastErrorText());
            return 5;
        }
        mci.Close(window, device);
        return ended ? 0 : 6;
    }
    if (std::strcmp(argv[1], "play") == 0) {
        if (!mci.Open(1, window, &device, argv[2])) {
            std::fprintf(stderr, "open: %s\n", mci.GetLastErrorText());
            return 3;
        }
        if (!mci.Play(window, device, 0)) {
            std::fprintf(stderr, "play: %s\n", mci.GetLastErrorText());
            return 4;
        }
        bool ended = WaitForNotification();
        mci.Close(window, device);
        return ended ? 0 : 6;
    }
    return 2;
}
