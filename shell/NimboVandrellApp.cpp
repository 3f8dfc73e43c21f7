#include "shell/NimboVandrellApp.h"

#include "framework/win/Wnd.h"

namespace {

// The program's window; the host dialog and the launcher replace it as they are built.
class CStartWnd : public CWnd {
public:
    BOOL Create()
    {
        const char* cls = RegisterWindowClass("Qelo_NimboVandrell", 0, ::LoadCursor(nullptr, IDC_ARROW),
                                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        return CreateEx(0, cls, "NimboVandrell", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                        CW_USEDEFAULT, CW_USEDEFAULT, 320, 120, nullptr, nullptr);
    }
    void OnDestroy() { ::PostQuitMessage(0); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CStartWnd, CWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CStartWnd g_startWnd;

} // namespace

CNimboVandrellApp theApp;

CNimboVandrellApp::CNimboVandrellApp() : CWinApp("NimboVandrell") {}

BOOL CNimboVandrellApp::InitInstance()
{
    SetRegistryKey("Qelo");
    if (!g_startWnd.Create())
        return FALSE;
    ::CreateWindowExA(0, "STATIC", "NimboVandrell \x82\xF0\x8B\x4E\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD",
                      WS_CHILD | WS_VISIBLE, 16, 24, 280, 20, g_startWnd.m_hWnd, nullptr, m_hInstance, nullptr);
    g_startWnd.ShowWindow(m_showCommand);
    g_startWnd.UpdateWindow();
    m_pMainWnd = &g_startWnd;
    return TRUE;
}
