// The screen saver's entry point: /s runs, /c configures, /p <hwnd> previews.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
