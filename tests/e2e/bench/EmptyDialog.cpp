// nv_empty_dialog.exe: the yardstick of the window-opening benchmark. A hidden window of class
// "NvEmptyDialogHost" that, on WM_COMMAND 100, shows a plain empty modeless dialog (caption
// "empty dialog", made from a template in memory, no controls); the dialog goes on WM_CLOSE or
// IDCANCEL. It ends when its host window gets WM_CLOSE.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT kCommandOpen = 100;
const char kHostClass[] = "NvEmptyDialogHost";

INT_PTR CALLBACK EmptyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            ::DestroyWindow(dialog);
        return TRUE;
    case WM_CLOSE: ::DestroyWindow(dialog); return TRUE;
    default: return FALSE;
    }
}

// A dialog template with a caption and a font and no controls, as a resource compiler lays it out
// (WORD-aligned, wide strings).
std::vector<WORD> EmptyTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* head = reinterpret_cast<DLGTEMPLATE*>(words.data());
    head->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
    head->cdit = 0;
    head->cx = 200;
    head->cy = 120;
    auto push = [&words](const wchar_t* text) {
        for (; *text; ++text)
            words.push_back(static_cast<WORD>(*text));
        words.push_back(0);
    };
    words.push_back(0); // no menu
    words.push_back(0); // the standard dialog class
    push(L"empty dialog");
    words.push_back(9); // point size
    push(L"MS UI Gothic");
    return words;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const std::vector<WORD> dialogTemplate = EmptyTemplate();
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kCommandOpen)
            ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                         reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), window,
                                         EmptyDialogProc, 0);
        return 0;
    case WM_CLOSE: ::DestroyWindow(window); return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.lpszClassName = kHostClass;
    if (!::RegisterClassA(&wc))
        return 1;
    HWND host = ::CreateWindowExA(0, kHostClass, "empty dialog host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, instance, nullptr);
    if (!host)
        return 1;
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(::GetActiveWindow(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    return 0;
}
