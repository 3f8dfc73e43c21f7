// Doubles for the browser windows' tests: a recording host (the main window, chat and phone
// windows, settings and the application's registry of browsers), recording windows standing in
// for the main window (0x40C) and the chat window (0x402), and a skin with a bitmap for every
// name the windows ask for.
#pragma once

#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "framework/win/WinApp.h"
#include "resources/StringIds.h"
#include "shell/common/services/WindowKinds.h"
#include "tests/support/WinTestSupport.h"
#include "chat_web/browser/tests/win/BrowserTestSkin.h"

#include <map>
#include <string>
#include <vector>

// A hidden window that records the messages posted to it.
class CRecordingWindow : public CWnd {
public:
    struct Posted {
        UINT message;
        WPARAM wParam;
        std::string text; // 0x402: the room locator the copy carried (freed here, as the chat window does)
    };
    std::vector<Posted> posted;

    bool Create(const char* name)
    {
        const char* cls = RegisterWindowClass("NvBrowserRecordingWindow");
        return CreateEx(0, cls, name, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr) != FALSE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == 0x40C) {
            posted.push_back({message, wParam, ""});
            return 0;
        }
        if (message == 0x402) {
            char* copy = reinterpret_cast<char*>(lParam);
            posted.push_back({message, wParam, copy ? copy : ""});
            delete[] copy;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class CRecordingBrowserHost : public IBrowserHost {
public:
    CRecordingBrowserHost() { browser::SetHost(this); }
    ~CRecordingBrowserHost() override
    {
        browser::SetHost(nullptr);
        for (CBrowserDlg* w : opened)
            if (CWnd::Registry().Contains(w))
                w->DestroyWindow();
    }

    std::vector<std::string> calls;
    CRecordingWindow mainWindow;
    CRecordingWindow chatWindow;
    bool loggedIn = true;
    bool phone = true;
    bool canOpen = true;
    std::map<std::string, std::string> servers;
    std::vector<CBrowserDlg*> opened;

    bool Saw(const std::string& call) const
    {
        for (const std::string& c : calls)
            if (c == call)
                return true;
        return false;
    }

    HWND GetMainWindow() override { return mainWindow.m_hWnd; }
    bool IsLoggedIn() override { return loggedIn; }
    void OpenSendWindow(const PartnerRef& partner, const char* text) override
    {
        calls.push_back("send " + partner.commId.str() + " " + partner.commName.str() + " [" + text + "]");
    }
    HWND GetChatWindow() override { return chatWindow.m_hWnd; }
    void ShowChatWindow() override { calls.push_back("show chat"); }
    bool HasPhoneWindow() override { return phone; }
    void DialCommId(const CString& id) override { calls.push_back("dial id " + id.str()); }
    void DialNumber(const CString& number) override { calls.push_back("dial number " + number.str()); }
    CBrowserDlg* OpenUrlInBrowser(const CString& url, int kind) override
    {
        calls.push_back("open browser " + std::to_string(kind) + " " + url.str());
        if (!canOpen)
            return nullptr;
        CBrowserDlg* window = new CBrowserDlg(nullptr, kind);
        window->JoinRegistry(static_cast<WindowKind>(kind));
        if (!window->Create()) {
            delete window;
            return nullptr;
        }
        opened.push_back(window);
        if (!url.IsEmpty())
            window->Navigate(url);
        return window;
    }
    void ReopenBrowser() override { calls.push_back("reopen browser"); }
    void CloseRegisteredWindow(CWnd* window) override
    {
        calls.push_back("close registered");
        if (CWnd::Registry().Contains(window))
            window->DestroyWindow();
    }
    bool IsRegisteredWindow(CWnd* window) override { return CWnd::Registry().Contains(window); }
    void AddTrayWindow(HWND) override { calls.push_back("tray add"); }
    void RemoveTrayWindow(HWND) override { calls.push_back("tray remove"); }
    int OpenUrl(const CString& url) override
    {
        calls.push_back("open url " + url.str());
        return 0;
    }
    void SendUrlToServer(const CString& url) override { calls.push_back("report " + url.str()); }
    CString GetServerUrl(const char* name) override
    {
        auto it = servers.find(name);
        return it == servers.end() ? CString() : CString(it->second);
    }
    CString GetUserHomePage() override { return "http://home.example/"; }
    CString GetUserId() override { return "user&01"; }
    CString GetPassword() override { return "p=w+d%"; }
    CString GetReturnUrl() override { return "http://r.example/?a=b"; }
    CString GetLoginId() override { return "login 1"; }
    void ShowStopMessage(UINT id) override { calls.push_back("stop message " + std::to_string(id)); }
    void LogError(const CString& text) override { calls.push_back("log " + text.str()); }
    void LogoutAndEnd(int code) override { calls.push_back("logout and end " + std::to_string(code)); }
    void EndProgram(int code) override { calls.push_back("end " + std::to_string(code)); }
};
