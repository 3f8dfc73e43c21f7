// Holds the Wine desktop for a whole test run: creates a tiny window (which starts the desktop),
// writes the ready file named on its command line, then waits until the wineserver ends it.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "NvDesktopKeeper";
    RegisterClassA(&wc);
    CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    if (commandLine && *commandLine) {
        if (FILE* f = std::fopen(commandLine, "w"))
            std::fclose(f);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
