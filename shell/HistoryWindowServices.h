// The program's side of the history windows (user list, mood window, partner list, message log):
// the application's lists, status word, log-in and lock state and the main window's list state,
// registered for the windows (messaging::SetHistoryHost), and the functions that make the windows.
#pragma once

#include "messaging/history/HistoryHost.h"
#include "shell/common/services/PartnerRef.h"

#include <windows.h>

class CClientApp;
class CMainDlg;
class CWnd;

class CHistoryWindowServices : public IHistoryHost {
public:
    explicit CHistoryWindowServices(CClientApp& app) : m_app(app) {}

    CString OwnCommId() const override;
    CString OwnName() const override;
    bool IsLoggedIn() const override;
    bool WebFunctionsAvailable() const override;
    bool HasLogin() const override;
    bool IsModal() const override;
    void SetModalState(bool enter) override;
    bool RequestLockHeld() const override;
    bool DatabaseAvailable() const override;
    int FriendCount() const override;
    bool GetFriend(int index, ListUser* user) const override;
    int UserCount() const override;
    bool GetUser(int index, ListUser* user) const override;
    std::uint32_t GetStatusWord() const override;
    void SetStatusWord(std::uint32_t status) override;
    void SendPresence() override;
    void UpdateOwnStatus() override;
    bool ListEnabled() const override;
    std::uint32_t PreferenceFlags() const override;
    void QueueRequest(std::uint16_t kind) override;
    void SetDeferredRequest(unsigned bit) override;
    std::uintptr_t GetFocusList() const override { return m_focusList; }
    void SetFocusList(std::uintptr_t list) override { m_focusList = list; }
    std::uintptr_t IconImageList() const override;
    std::uintptr_t MainWindow() const override;
    bool CopyToClipboard(const CString& text) override;
    void AddLogWindow(std::uintptr_t window) override;
    void RemoveLogWindow(std::uintptr_t window) override;

private:
    CMainDlg* Main() const;

    CClientApp& m_app;
    std::uintptr_t m_focusList = 0;
};

// Registers the services (once). The windows are made hidden; null when one can't be made.
CHistoryWindowServices& HistoryWindowServices();
CWnd* CreateUserListWindow(CWnd* parent);
bool RelayoutUserListWindow(CWnd* window);
CWnd* CreatePartnerListWindow(CWnd* parent);
bool RelayoutPartnerListWindow(CWnd* window);
void RefreshPartnerListWindow(CWnd* window);
// A new message log window for the partner (the own ID: every message), parented by the host
// dialog; it shows itself once its first rows are read, or says there are none and closes.
void OpenMessageLogWindow(const PartnerRef& partner);
// The mood window, modal over the main window: IDOK when a mood was chosen (already in the
// status word), else IDCANCEL.
INT_PTR RunMoodWindow();
