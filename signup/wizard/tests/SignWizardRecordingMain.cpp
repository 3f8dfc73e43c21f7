// The sign-up program with a recording stand-in for the system browser: every opening and
// closing is appended to the file named by NV_BROWSER_LOG ("open <url>" / "close"), and an open
// browser is a small visible window titled "browser double". With NV_BROWSER_FAIL=1 the browser
// cannot be started. Everything else is the real program.
#include "signup/app/SignupApp.h"
#include "signup/wizard/SignStart.h"
#include "signup/wizard/SystemBrowser.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class CRecordingBrowser : public ISystemBrowser {
public:
    bool Open(const CString& url) override
    {
        const char* fail = std::getenv("NV_BROWSER_FAIL");
        if (fail && std::string(fail) == "1") {
            Log("refused " + std::string(url.GetString()));
            return false;
        }
        Close();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "NvBrowserDouble";
        ::RegisterClassA(&wc);
        m_window = ::CreateWindowExA(0, wc.lpszClassName, "browser double", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                                     600, 20, 300, 80, nullptr, nullptr, wc.hInstance, nullptr);
        Log("open " + std::string(url.GetString()));
        return true;
    }
    void Close() override
    {
        if (!m_window)
            return;
        ::DestroyWindow(m_window);
        m_window = nullptr;
        Log("close");
    }

private:
    static void Log(const std::string& line)
    {
        const char* path = std::getenv("NV_BROWSER_LOG");
        if (!path || !*path)
            return;
        if (std::FILE* file = std::fopen(path, "ab")) {
            std::fprintf(file, "%s\n", line.c_str());
            std::fclose(file);
        }
    }
    HWND m_window = nullptr;
};

CRecordingBrowser g_browser;
CSignupWizard g_wizard(&g_browser);
CSignupApp theApp(&g_wizard);

} // namespace
