// CBrowserDlg: the program's skinned web browser (template 163, skin "browser.bmp"): the
// WebBrowser control in place of control 1358, a toolbar of skin buttons, a status line, a busy
// indicator, a padlock and the favourites menu. Every navigation passes the private URL filter
// (core/PrivateUrl.h) first; page commands run only from the service's own pages.
//
// The application keeps one main browser (registry kind kWindowBrowser); windows that pages ask
// for (NewWindow2) are opened through the host with kind kWindowNewBrowser and close on their
// close button, on a script's window close, or after a first link of the private scheme.
#pragma once

#include "chat_web/browser/core/PrivateUrl.h"
#include "framework/win/Controls.h"
#include "framework/win/ToolTipCtrl.h"
#include "framework/win/WebBrowserCtrl.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinControls.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <vector>

class CBrowserDlg : public CSkinFrameDialog, public CWebBrowserEvents {
public:
    static const UINT kLayoutTimer = 100;
    static const UINT kLayoutInterval = 500;
    static const int kButtonCount = 12;

    // parent: the main window when null. parentId: kept as given (the window's flag).
    explicit CBrowserDlg(CWnd* parent = nullptr, int parentId = 0);
    ~CBrowserDlg() override;

    // Creates the window hidden (owner: the parent).
    BOOL Create();

    void Navigate(const char* url);
    void NavigatePost(const char* url, const CString& body);
    int OpenUrlAsPost(const char* url);

    void OpenProfileSearch();
    void OpenProfile(const CString& commId);
    void OpenProfileEdit();
    void OpenMyProfilePage();
    void OpenChargePage();
    void OpenCallServicePage();
    void OpenAddressBook();
    void GoHome();
    void OnSearchCommand();

    void HideWithMain();
    void SetAutoHide(BOOL autoHide) { m_autoHide = autoHide ? 1 : 0; }
    // The object deletes itself when its window is gone (windows the application makes and
    // leaves to the window registry); windows opened on request always do.
    void SetDeleteOnDestroy(bool deleteOnDestroy) { m_deleteOnDestroy = deleteOnDestroy; }
    BOOL GetAutoHide() const { return m_autoHide; }
    void CloseSelf();
    CString GetLocationUrl();
    void UpdateAddressBar();
    BOOL IsSecurePage();
    BOOL LayoutSkin();

    // The private URL filter: 1 when the navigation is cancelled (handled or refused).
    int HandleSpecialUrl(const char* url);
    static int IsPrivateScheme(const char* url) { return browser::IsPrivateScheme(url) ? 1 : 0; }
    // The page commands, each with the decision the filter made of the whole link.
    void OpenPrivateMessage(const browser::UrlDecision& d);
    void EnterChatRoom(const browser::UrlDecision& d);
    void PlaceCall(const browser::UrlDecision& d);
    void PostMainRequest(int request);

    // The page whose links the window follows now: the last top-level address it let through.
    const CString& GetPageUrl() const { return m_pageUrl; }
    // A window made for a page's new-window request starts on its opener's page.
    void SetPageUrl(const CString& url) { m_pageUrl = url; }
    // The pages that may run page commands (the service's addresses and the install folder).
    static browser::CServiceOrigin& ServiceOrigin();
    // Fills ServiceOrigin from the host's settings.
    static void LoadServiceOrigin();

    short GetFirstNavigationMark() const { return m_firstNavigation; }
    BOOL IsClosing() const { return m_closing; }
    const CString& GetTitle() const { return m_title; }
    const CString& GetStatusText() const { return m_statusText; }
    const CStringArray& GetFavoriteUrls() const { return m_favoriteUrls; }
    CWebBrowserCtrl& Control() { return m_control; }
    CSkinButton& Button(int index) { return m_buttons[index]; }
    CSkinBitmapButton& Indicator() { return m_indicator; }

    // The favourites menu of a folder (the commands of its entries start at 3584).
    HMENU BuildFavoritesMenu(const CString& folder);
    static CString FindFavoritesFolder();

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // WebBrowser events.
    void OnBeforeNavigate2(IDispatch* disp, const CString& url, const CString& targetFrame, VARIANT_BOOL* cancel) override;
    void OnNavigateComplete2(IDispatch* disp, const CString& url) override;
    void OnCommandStateChange(long command, bool enable) override;
    void OnDownloadBegin() override;
    void OnDownloadComplete() override;
    void OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL* cancel) override;
    void OnStatusTextChange(const CString& text) override;
    void OnTitleChange(const CString& title) override;
    void OnWindowClosing(bool isChildWindow, VARIANT_BOOL* cancel) override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnTimer(UINT_PTR id);
    void OnSize(UINT type, int cx, int cy);
    void OnDestroy();
    void OnActivate(UINT state, HWND other, BOOL minimised);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    LRESULT OnParentNotifyMessage(WPARAM wParam, LPARAM lParam);
    void PostNcDestroy() override;

    void OnBack();
    void OnForward();
    void OnStop();
    void OnReload();
    void OnHome();
    void OnFavorites();
    void OnServiceHome();
    void OnMyRoom();
    void OnOemLink();
    void FocusPage();
    bool IsAppBrowser() const;
    void RestorePosition();
    void SavePosition();
    // Opens an address of a Servers base and a string-table path, by GET or by posting the body.
    void OpenServicePage(const char* serverName, UINT pathId, const CString* body);
    void ShowAndFront();

private:
    int m_parentId;
    BOOL m_closing = FALSE;
    CString m_title;
    CWebBrowserCtrl m_control;
    CString m_statusText;
    CStringArray m_favoriteUrls;
    CToolTipCtrl m_tooltip;
    CSkinButton m_buttons[kButtonCount];
    CSkinBitmapButton m_indicator;
    RECT m_controlRect = {0, 0, 0, 0};
    int m_autoHide = 1;
    short m_firstNavigation = -1;
    CString m_pageUrl;
    SIZE m_templateSize = {0, 0};
    bool m_deleteOnDestroy = false;
};
