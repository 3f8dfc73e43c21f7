#include "shell/TrayIcon.h"

#include "shell/AppHostDlg.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/common/services/MainWindowLogic.h"
#include "toolkit/win/SkinFrameDialog.h"

#include "resources/StringIds.h"

#include <algorithm>
#include <cstring>

namespace {

CTrayIcon* g_instance = nullptr;

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

CTrayIcon::CTrayIcon() : m_shell(&m_systemShell)
{
    std::memset(&m_data, 0, sizeof m_data);
    // The first version of the record: what every shell takes.
    m_data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_data.uCallbackMessage = kCallbackMessage;
    m_data.uID = kIconId;
    if (!g_instance)
        g_instance = this;
}

CTrayIcon::~CTrayIcon()
{
    // Normally gone with the main window already; this only catches an owner still alive.
    if (m_owner && ::IsWindow(m_owner))
        SetIcon(0);
    if (g_instance == this)
        g_instance = nullptr;
}

CTrayIcon* CTrayIcon::Instance() { return g_instance; }

ITrayShell* CTrayIcon::SetShell(ITrayShell* shell)
{
    ITrayShell* previous = m_shell == &m_systemShell ? nullptr : m_shell;
    m_shell = shell ? shell : &m_systemShell;
    return previous;
}

void CTrayIcon::SetOwner(HWND mainWindow)
{
    if (!mainWindow && m_owner) {
        // The icon goes with its owner, while the shell can still match it.
        SetIcon(0);
        m_windows.clear();
    }
    m_owner = mainWindow;
    m_data.hWnd = mainWindow;
    if (mainWindow) {
        if (m_windows.empty())
            m_windows.push_back(mainWindow);
        else
            m_windows[0] = mainWindow;
    }
}

BOOL CTrayIcon::SetIcon(UINT iconId, const char* tip)
{
    DWORD operation;
    if (iconId) {
        if (!m_owner || !::IsWindow(m_owner)) {
            m_data.hIcon = nullptr;
            return FALSE;
        }
        HICON icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, 16, 16, LR_SHARED));
        if (!icon) {
            m_data.hIcon = nullptr;
            return FALSE;
        }
        operation = m_data.hIcon ? NIM_MODIFY : NIM_ADD;
        m_data.hIcon = icon;
        m_data.hWnd = m_owner;
        m_data.uFlags = NIF_ICON | NIF_MESSAGE;
        m_iconId = iconId;
    } else {
        if (!m_data.hIcon)
            return TRUE;
        operation = NIM_DELETE;
        m_data.uFlags = m_owner ? NIF_MESSAGE : 0;
    }
    if (tip) {
        CString cut = mainwnd::CutWholeChars(tip, kTipBytes - 1);
        std::memset(m_data.szTip, 0, sizeof m_data.szTip);
        std::memcpy(m_data.szTip, cut.GetString(), static_cast<size_t>(cut.GetLength()));
        m_data.uFlags |= NIF_TIP;
    }
    BOOL result = m_shell->Notify(operation, &m_data);
    if (operation == NIM_DELETE || !result) {
        m_data.hIcon = nullptr;
        if (operation == NIM_DELETE)
            m_iconId = 0;
    }
    return result;
}

BOOL CTrayIcon::SetIconWithArrivalTip(UINT iconId) { return SetIcon(iconId, LoadText(IDS_TRAY_ARRIVAL)); }

BOOL CTrayIcon::Readd()
{
    if (!m_data.hIcon || !m_owner || !::IsWindow(m_owner))
        return FALSE;
    m_data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    BOOL result = m_shell->Notify(NIM_ADD, &m_data);
    if (!result)
        result = m_shell->Notify(NIM_MODIFY, &m_data); // the shell kept it after all
    return result;
}

void CTrayIcon::AddWindow(HWND window)
{
    if (!window || static_cast<int>(m_windows.size()) >= kMaxWindows)
        return;
    if (m_windows.empty()) {
        m_windows.push_back(window);
        if (!m_owner) {
            m_owner = window;
            m_data.hWnd = window;
        }
        return;
    }
    if (std::find(m_windows.begin() + 1, m_windows.end(), window) != m_windows.end() || window == m_windows[0])
        return;
    m_windows.push_back(window);
}

void CTrayIcon::RemoveWindow(HWND window)
{
    if (m_windows.size() < 2)
        return;
    auto it = std::find(m_windows.begin() + 1, m_windows.end(), window);
    if (it != m_windows.end())
        m_windows.erase(it);
}

void CTrayIcon::RestoreWindows()
{
    CClientApp* app = GetClientApp();
    CMainDlg* main = app ? app->GetMainDlg() : nullptr;
    CAppHostDlg* host = app ? app->GetHostDlg() : nullptr;
    if (!main || !main->GetSafeHwnd())
        return;
    bool mainVisible = main->IsWindowVisible() != FALSE;
    if (host && host->GetSafeHwnd()) {
        host->ShowWindow(::IsIconic(host->GetSafeHwnd()) ? SW_RESTORE : SW_SHOWNA);
        main->SetForegroundWindow();
    }
    // Dead windows leave the list first.
    m_windows.erase(std::remove_if(m_windows.begin() + (m_windows.empty() ? 0 : 1), m_windows.end(),
                                   [](HWND w) { return !::IsWindow(w); }),
                    m_windows.end());
    bool maximisedUp = false;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        CSkinFrameDialog* frame = CSkinFrameDialog::FromHandle(*it);
        if (::IsWindow(*it) && frame && frame->IsMaximised() && ::IsWindowVisible(*it))
            maximisedUp = true;
    }
    if (!mainVisible) {
        // The family the hide took away comes back as it was.
        if (CSkinFrameDialog* leader = CSkinFrameDialog::FromHandle(main->GetSafeHwnd()))
            leader->ShowAllGroups(TRUE);
    }
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;
    std::vector<HWND> windows = m_windows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        HWND w = *it;
        if (!::IsWindow(w))
            continue;
        CSkinFrameDialog* frame = CSkinFrameDialog::FromHandle(w);
        if (frame && (frame->GetFrameStyle() & 0xFF00) == CSkinFrameDialog::kModePanel && frame->GetOrderOwner()) {
            if (!frame->IsAtDockPosition())
                ::SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, keep | SWP_NOACTIVATE);
            continue;
        }
        bool maximised = frame && frame->IsMaximised();
        if (!mainVisible) {
            if (!maximised && maximisedUp)
                ::ShowWindow(w, SW_SHOWNA);
            else
                ::SetWindowPos(w, nullptr, 0, 0, 0, 0, keep | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (!maximised && w != main->GetSafeHwnd()) {
            if (maximisedUp)
                ::SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, keep);
            else
                ::SetWindowPos(w, nullptr, 0, 0, 0, 0, keep | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

LRESULT CTrayIcon::OnNotify(UINT iconId, UINT mouseMessage)
{
    if (iconId != kIconId)
        return 0;
    CClientApp* app = GetClientApp();
    CMainDlg* main = app ? app->GetMainDlg() : nullptr;
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        RestoreWindows();
        break;
    case WM_RBUTTONDOWN: {
        HWND owner = m_owner;
        if (owner && ::IsWindow(owner)) {
            ::SetForegroundWindow(owner);
            ::SetFocus(owner);
        }
        if (app && app->GetModalCount() == 0 && main && main->GetSafeHwnd()) {
            main->ShowTrayMenu(true);
            if (owner)
                ::PostMessageA(owner, WM_NULL, 0, 0);
        } else {
            ::MessageBeep(0);
        }
        break;
    }
    default:
        break;
    }
    return 0;
}
