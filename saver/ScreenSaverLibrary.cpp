#include "saver/ScreenSaverLibrary.h"

#include <cctype>
#include <cstdlib>

namespace scrnsave {
namespace {

const char kWindowClass[] = "WindowsScreenSaverClass";
// The mouse must move this far from where it was first seen before the saver ends.
const int kMouseSlack = 3;

bool g_preview = false;
bool g_haveFirstMouse = false;
POINT g_firstMouse = {0, 0};

HWND ParseWindow(const char* text)
{
    while (*text == ':' || *text == ' ' || *text == '\t')
        ++text;
    // A window handle has 32 significant bits in every process; a 64-bit one is the sign
    // extension of them. The number may come from a 32-bit or a 64-bit caller, in either form,
    // so it is read whole and brought back to the handle of this process.
    unsigned long long number = std::strtoull(text, nullptr, 10);
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(number))));
}

int MessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void EndSaver(HWND hWnd)
{
    if (!g_preview)
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
}

} // namespace

Switches ParseSwitches(const char* commandLine)
{
    Switches result;
    const char* p = commandLine ? commandLine : "";
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '/' && *p != '-')
        return result;
    char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(p[1])));
    const char* rest = p[1] ? p + 2 : p + 1;
    switch (letter) {
    case 's':
        result.mode = Mode::Run;
        break;
    case 'p':
    case 'l':
        result.mode = Mode::Preview;
        result.window = ParseWindow(rest);
        if (!result.window)
            result.mode = Mode::Configure;
        break;
    case 'a':
        result.mode = Mode::Password;
        break;
    default:
        result.mode = Mode::Configure;
        result.window = ParseWindow(rest);
        break;
    }
    return result;
}

bool IsPreview() { return g_preview; }

INT_PTR CALLBACK ConfigureDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ScreenSaverConfigureDialog(hDlg, message, wParam, lParam);
}

int RunScreenSaver(HINSTANCE instance, const char* commandLine)
{
    Switches switches = ParseSwitches(commandLine);
    if (switches.mode == Mode::Password)
        return 0;
    if (switches.mode == Mode::Configure) {
        if (!RegisterDialogClasses(instance))
            return 1;
        // Only a window named on the command line owns the dialog: borrowing whatever window is in
        // front would disable another program's window while the settings are open.
        HWND owner = IsWindow(switches.window) ? switches.window : nullptr;
        INT_PTR r = DialogBoxParamA(instance, MAKEINTRESOURCEA(DLG_SCRNSAVECONFIGURE), owner,
                                    &ConfigureDialogProc, 0);
        return r == -1 ? 1 : 0;
    }

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS | CS_DBLCLKS;
    wc.lpfnWndProc = &ScreenSaverProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc))
        return 1;
    char title[128] = "";
    LoadStringA(instance, IDS_DESCRIPTION, title, sizeof title);

    HWND window;
    if (switches.mode == Mode::Preview) {
        g_preview = true;
        RECT r;
        if (!IsWindow(switches.window) || !GetClientRect(switches.window, &r))
            return 1;
        window = CreateWindowExA(0, kWindowClass, title, WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom,
                                 switches.window, nullptr, instance, nullptr);
    } else {
        window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, title, WS_POPUP | WS_VISIBLE, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                 instance, nullptr);
    }
    if (!window)
        return 1;
    return MessageLoop();
}

} // namespace scrnsave

extern "C" LRESULT WINAPI DefScreenSaverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace scrnsave;
    switch (message) {
    case WM_SETCURSOR:
        if (!g_preview) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (!g_preview) {
            POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (!g_haveFirstMouse) {
                g_haveFirstMouse = true;
                g_firstMouse = at;
            } else if (std::abs(at.x - g_firstMouse.x) > kMouseSlack || std::abs(at.y - g_firstMouse.y) > kMouseSlack) {
                EndSaver(hWnd);
            }
        }
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
        EndSaver(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_SCREENSAVE)
            return 0;
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
