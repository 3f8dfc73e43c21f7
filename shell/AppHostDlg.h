// CAppHostDlg: the invisible dialog whose modal loop is the program's only message loop. Its
// initialisation creates the hidden instance window and the main launcher window.
#pragma once

#include "framework/win/Dialog.h"

class CInstanceWnd;

class CAppHostDlg : public CDialog {
public:
    CAppHostDlg();
    ~CAppHostDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The main window's initialisation failed: the program ends instead of running on hidden.
    void OnMainWindowFailed();

    // The private messages, also handled for the instance window.
    LRESULT OnOpenFile(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowUrl(WPARAM wParam, LPARAM lParam);
    LRESULT OnComeToFront(WPARAM wParam, LPARAM lParam);
    LRESULT OnArrivalCount(WPARAM wParam, LPARAM lParam);

    CInstanceWnd* GetInstanceWnd() const { return m_pInstanceWnd; }

    DECLARE_MESSAGE_MAP()

protected:
    // Creates the main window; a test may put another in its place.
    virtual bool CreateMainWindow();
    void OnActivate(UINT state, HWND other, BOOL minimized);

private:
    void PostToMain(WPARAM command);
    void FailStartup();

    CInstanceWnd* m_pInstanceWnd = nullptr;
    HICON m_icon = nullptr;
};
