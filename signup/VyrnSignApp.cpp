// The sign-up program's application object.
#include "framework/win/WinApp.h"
#include "framework/win/Wnd.h"

namespace {

class CSignupWnd : public CWnd {
public:
    BOOL Create()
    {
        const char* cls = RegisterWindowClass("Qelo_Signup_App", 0, ::LoadCursor(nullptr, IDC_ARROW),
                                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        return CreateEx(0, cls, "VyrnSign", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                        320, 120, nullptr, nullptr);
    }
    void OnDestroy() { ::PostQuitMessage(0); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSignupWnd, CWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

class CVyrnSignApp : public CWinApp {
public:
    CVyrnSignApp() : CWinApp("NimboVandrell") {}
    BOOL InitInstance() override
    {
        SetRegistryKey("Qelo");
        if (!m_window.Create())
            return FALSE;
        m_window.ShowWindow(m_showCommand);
        m_pMainWnd = &m_window;
        return TRUE;
    }

private:
    CSignupWnd m_window;
};

CVyrnSignApp theApp;

} // namespace
