// CUrlComboWnd: the address bar (template 202, skin "url.bmp", a free window): one editable
// combo box with the history of visited addresses (profile section "Browse", url1..url20). It
// follows the browser window activated last and navigates it.
#pragma once

#include "toolkit/win/SkinFrameDialog.h"

#include <vector>

class CBrowserDlg;

class CUrlComboWnd : public CSkinFrameDialog {
public:
    explicit CUrlComboWnd(CWnd* parent);
    ~CUrlComboWnd() override;

    // The application's address bar (registry kind kWindowAddressBar), or null.
    static CUrlComboWnd* Find();

    BOOL Create();
    bool AddUrl(const CString& text);
    void ShowCurrentUrl(const CString& url, int flag);
    void SetActiveBrowser(CBrowserDlg* browser, int active);
    CBrowserDlg* GetTargetBrowser();
    void ShowBar();
    void HideBar();
    bool LayoutSkin();
    static bool IsValidUrl(const CString& text);
    // The object deletes itself when its window is gone.
    void SetDeleteOnDestroy(bool deleteOnDestroy) { m_deleteOnDestroy = deleteOnDestroy; }

    const CString& GetCurrentUrl() const { return m_currentUrl; }
    BOOL IsShown() const { return m_isShown; }
    // The list's entries, top first.
    std::vector<CString> GetEntries() const;
    HWND GetCombo() const { return GetDlgItem(1011); }

    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnDestroy();
    void PostNcDestroy() override;
    void OnSelChange();
    void OnCloseUp() { m_listClosed = TRUE; }
    // Puts url at the top of the history (dropping its twin and the entries past the limit).
    void PutOnTop(const CString& url);
    void NavigateTarget(const CString& url);

private:
    CString m_currentUrl;
    BOOL m_isShown = FALSE;
    CWnd* m_parentWindow;
    BOOL m_listClosed = FALSE;
    CBrowserDlg* m_targetBrowser = nullptr;
    std::vector<CBrowserDlg*> m_browserList;
    bool m_deleteOnDestroy = false;
};
