// STAND-IN for the main launcher window CMainDlg, until the real one (skin, buttons, tray icon,
// timers, log-in) is built. It keeps the parts of the contract that start-up, hand-over and
// shut-down rely on: template 197 with the host dialog as parent, message 0x40C (hide, show and
// exit; log-in and log-out do nothing yet), the exit sequence on WM_ENDSESSION, and the files
// handed over, which it only shows in its label. Replace these two files with the real window.
#pragma once

#include "framework/win/Dialog.h"
#include "net/access/AccountImport.h"
#include "shell/ServiceSeams.h"

class CMainDlg : public CDialog, public IHandoverTarget, public IAccountChangeHost {
public:
    explicit CMainDlg(CWnd* parent);
    ~CMainDlg() override;

    // Creates the window modeless; FALSE when it could not be created.
    BOOL Create();
    // True once the window's initialisation has finished (message boxes may then be its own).
    bool IsReady() const { return m_ready; }

    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    void PostNcDestroy() override;

    LRESULT OnCommandRequest(WPARAM wParam, LPARAM lParam);
    void OnEndSession(BOOL ending);
    // The exit sequence; runs once.
    void OnExit();
    void HideToTray();
    void ShowFromTray();

    void ImportConnectionInfo(const CString& path) override;
    void ApplySkinFile(const CString& path) override;

    // The account change after an import (IAccountChangeHost).
    int ShowMessage(unsigned textId, unsigned flags) override;
    void ShowLoggedText(const CString& text, unsigned flags) override;
    void LogOut() override;
    void UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                       const CString& oldCommId) override;
    void RefreshSettingsPage() override;

    DECLARE_MESSAGE_MAP()

private:
    CWnd* m_pHost;
    bool m_ready = false;
};
