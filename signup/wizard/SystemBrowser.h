// The system browser as the course-change dialog uses it: open a URL in a window of its own and
// close that window later. CComSystemBrowser drives the browser's automation object; it keeps
// the object and closes the window through it, so a window handle the system has meanwhile
// given to another window is never sent anything.
#pragma once

#include "framework/core/CString.h"

#include <windows.h>
#include <exdisp.h>

#include <functional>

class ISystemBrowser {
public:
    virtual ~ISystemBrowser() = default;
    // Opens url in a new, visible browser window; false when the browser could not be started.
    virtual bool Open(const CString& url) = 0;
    // Closes the window opened last, when there is one; nothing otherwise.
    virtual void Close() = 0;
};

class CComSystemBrowser : public ISystemBrowser {
public:
    // How the automation object is made; by default CoCreateInstance of the browser's class.
    using Factory = std::function<HRESULT(IWebBrowserApp** browser)>;
    CComSystemBrowser();
    explicit CComSystemBrowser(Factory factory);
    ~CComSystemBrowser() override;
    CComSystemBrowser(const CComSystemBrowser&) = delete;
    CComSystemBrowser& operator=(const CComSystemBrowser&) = delete;

    bool Open(const CString& url) override;
    void Close() override;
    // The window the browser reported when it was opened (for diagnostics only).
    HWND Window() const { return m_window; }

private:
    Factory m_factory;
    IWebBrowserApp* m_browser = nullptr;
    HWND m_window = nullptr;
    bool m_comStarted = false;
};
