// The sign-up application object with a wizard double: a plain window that stays until it is
// closed and counts the connection-information files it is told about in its title
// ("wizard double arrivals=N"). Tests drive the real start-up, hand-over and clean-up through it.
#include "signup/app/SignupApp.h"

#include <string>

namespace {

class CWizardDouble : public ISignupWizard {
public:
    INT_PTR Run(CSignupApp&) override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "NvSignupWizardDouble";
        ::RegisterClassA(&wc);
        m_window = ::CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 120, nullptr,
                                     nullptr, wc.hInstance, nullptr);
        ShowCount();
        MSG msg;
        while (::IsWindow(m_window) && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        m_window = nullptr;
        return IDCANCEL;
    }
    HWND Window() const override { return m_window; }
    void OnConnectionInfoArrived() override
    {
        ++m_arrivals;
        ShowCount();
    }

private:
    void ShowCount()
    {
        if (m_window)
            ::SetWindowTextA(m_window, ("wizard double arrivals=" + std::to_string(m_arrivals)).c_str());
    }
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_CLOSE) {
            ::DestroyWindow(window);
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    HWND m_window = nullptr;
    int m_arrivals = 0;
};

CWizardDouble g_wizard;
CSignupApp theApp(&g_wizard);

} // namespace
