// CTrayIcon: the program's one notification-area icon and the list of windows a click on it
// brings back. The icon's callback (message 0x400, id 174) arrives at the main window, which
// hands it to OnNotify. The shell is reached through ITrayShell so that tests can record the
// records and refuse them.
#pragma once

#include "framework/win/Afx.h"

#include <shellapi.h>

#include <vector>

class ITrayShell {
public:
    virtual ~ITrayShell() = default;
    // Shell_NotifyIconA: NIM_ADD, NIM_MODIFY or NIM_DELETE with the record.
    virtual BOOL Notify(DWORD operation, NOTIFYICONDATAA* data) = 0;
};

class CSystemTrayShell : public ITrayShell {
public:
    BOOL Notify(DWORD operation, NOTIFYICONDATAA* data) override { return ::Shell_NotifyIconA(operation, data); }
};

class CTrayIcon : public CObject {
public:
    static constexpr UINT kIconId = 174;
    static constexpr UINT kCallbackMessage = WM_USER;
    static constexpr int kMaxWindows = 20;
    static constexpr int kTipBytes = 64;

    CTrayIcon();
    ~CTrayIcon() override;
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // The program's object (the first one made), or null.
    static CTrayIcon* Instance();

    // The shell; null restores the system's. Returns the previous one.
    ITrayShell* SetShell(ITrayShell* shell);
    // The window that owns the icon (the main window); null when it goes: the icon is removed
    // while the shell can still tell whose it was.
    void SetOwner(HWND mainWindow);
    HWND GetOwner() const { return m_owner; }

    // Icon resource id (0 removes the icon) and tip (null keeps no tip). Returns the shell's answer
    // (1 when there was nothing to remove).
    BOOL SetIcon(UINT iconId, const char* tip = nullptr);
    BOOL SetIconWithArrivalTip(UINT iconId);
    // The shell restarted ("TaskbarCreated"): the icon shown before is added again. Nothing when
    // no icon is shown.
    BOOL Readd();
    bool IsShown() const { return m_data.hIcon != nullptr; }
    UINT GetIconId() const { return m_iconId; }
    const char* GetTip() const { return m_data.szTip; }

    void AddWindow(HWND window);
    void RemoveWindow(HWND window);
    const std::vector<HWND>& Windows() const { return m_windows; }

    // The icon's callback: left button down restores the windows, right button down shows the
    // tray menu (a beep while a modal dialog is open). Returns 0.
    LRESULT OnNotify(UINT iconId, UINT mouseMessage);
    // The restore of a left click (also 0x40C with 4).
    void RestoreWindows();

private:
    NOTIFYICONDATAA m_data;
    UINT m_iconId = 0;
    HWND m_owner = nullptr;
    ITrayShell* m_shell;
    CSystemTrayShell m_systemShell;
    std::vector<HWND> m_windows;
};
