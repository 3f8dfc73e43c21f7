#include "shell/InstanceWnd.h"

#include "shell/AppHostDlg.h"
#include "shell/AppMessages.h"
#include "shell/ClientApp.h"
#include "shell/common/services/MessageBoxSeam.h"

#include "resources/StringIds.h"

namespace {

// Global atoms hold at most 255 characters.
constexpr int kMaxAtomText = 255;
// A running instance that takes longer than this to take a file is treated as hung.
constexpr UINT kHandoverTimeoutMs = 15000;

} // namespace

CInstanceWnd::~CInstanceWnd()
{
    if (m_hWnd) {
        HWND window = m_hWnd;
        m_hWnd = nullptr;
        ::DestroyWindow(window);
    }
}

BOOL CInstanceWnd::Create()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &CInstanceWnd::InstanceWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = NV_INSTANCE_CLASS;
    WNDCLASSA existing;
    if (!::GetClassInfoA(wc.hInstance, NV_INSTANCE_CLASS, &existing) && !::RegisterClassA(&wc))
        return FALSE;
    m_hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, NV_INSTANCE_CLASS, "", 0, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, wc.hInstance, nullptr);
    return m_hWnd != nullptr;
}

LRESULT CALLBACK CInstanceWnd::InstanceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CClientApp* app = GetClientApp();
    if (!app)
        return 0;
    CAppHostDlg* host = app->GetHostDlg();
    if (!host)
        return ::DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_APP_OPEN_FILE:
        return host->OnOpenFile(wParam, lParam);
    case WM_APP_SHOW_URL:
        return host->OnShowUrl(wParam, lParam);
    case WM_APP_COME_TO_FRONT:
        return host->OnComeToFront(wParam, lParam);
    case WM_APP_ARRIVAL_COUNT:
        return host->OnArrivalCount(wParam, lParam);
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

bool NotifyRunningInstance(const CString& commandLine)
{
    HWND running = ::FindWindowA(NV_INSTANCE_CLASS, nullptr);
    if (!running)
        return true;
    ::PostMessageA(running, WM_APP_COME_TO_FRONT, 0, 0);
    if (commandLine.IsEmpty())
        return true;
    ATOM atom = 0;
    if (commandLine.GetLength() <= kMaxAtomText)
        atom = ::GlobalAddAtomA(commandLine);
    if (!atom) {
        PresentMessageBoxId(nullptr, IDS_HANDOVER_TOO_LONG, MB_ICONSTOP | MB_TOPMOST);
        return false;
    }
    DWORD_PTR result = 0;
    // The running program may be showing a box of its own: never wait on it without limit.
    if (!::SendMessageTimeoutA(running, WM_APP_OPEN_FILE, atom, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kHandoverTimeoutMs,
                               &result)) {
        ::GlobalDeleteAtom(atom);
        return false;
    }
    return true;
}
