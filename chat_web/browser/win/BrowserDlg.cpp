// The browser window: creation, layout, toolbar, position and the window's own messages.
// Events of the control and page commands: BrowserEvents.cpp; openers: BrowserOpeners.cpp;
// favourites: BrowserFavorites.cpp.
#include "chat_web/browser/win/BrowserDlg.h"

#include "chat_web/browser/core/BrowserLogic.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "chat_web/browser/win/UrlComboWnd.h"
#include "framework/win/WinApp.h"
#include "resources/StringIds.h"
#include "shell/common/services/WindowKinds.h"

namespace {

struct ToolbarEntry {
    UINT id;
    const char* bitmap;
    UINT tooltip; // 0: none
};

// In the order of the window's buttons (m_buttons).
const ToolbarEntry kToolbar[CBrowserDlg::kButtonCount] = {
    {IDC_BROWSER_BACK, "browser_back.bmp", IDS_TIP_BACK},
    {IDC_BROWSER_FORWARD, "browser_forward.bmp", IDS_TIP_FORWARD},
    {IDC_BROWSER_STOP, "browser_stop.bmp", IDS_TIP_STOP},
    {IDC_BROWSER_RELOAD, "browser_reload.bmp", IDS_TIP_RELOAD},
    {IDC_BROWSER_HOME, "browser_home.bmp", IDS_TIP_HOME},
    {IDC_BROWSER_SEARCH, "browser_search.bmp", IDS_TIP_SEARCH},
    {IDC_BROWSER_FAVORITES, "browser_favorite.bmp", IDS_TIP_FAVORITES},
    {IDC_BROWSER_CLOSE, "browser_cls.bmp", 0},
    {IDC_BROWSER_SERVICE_HOME, "browser_qelo.bmp", IDS_TIP_SERVICE_HOME},
    {IDC_BROWSER_MYROOM, "browser_myroom.bmp", IDS_TIP_MYROOM},
    {IDC_BROWSER_OEM, "browser_oem.bmp", 0},
    {IDC_BROWSER_PADLOCK, "browser_key.bmp", 0},
};
const int kBackButton = 0;
const int kForwardButton = 1;
const int kOemButton = 10;
const int kPadlockButton = 11;
const int kButtonFrames = 4;
const int kIndicatorFrames = 15;

CWnd* DefaultParent(CWnd* parent)
{
    if (parent)
        return parent;
    return CWnd::FromHandlePermanent(browser::Host().GetMainWindow());
}

} // namespace

BEGIN_MESSAGE_MAP(CBrowserDlg, CSkinFrameDialog)
    ON_WM_TIMER()
    ON_WM_SIZE()
    ON_WM_DESTROY()
    ON_WM_ACTIVATE()
    ON_WM_GETMINMAXINFO()
    ON_MESSAGE(WM_PARENTNOTIFY, OnParentNotifyMessage)
    ON_BN_CLICKED(IDC_BROWSER_BACK, OnBack)
    ON_BN_CLICKED(IDC_BROWSER_FORWARD, OnForward)
    ON_BN_CLICKED(IDC_BROWSER_STOP, OnStop)
    ON_BN_CLICKED(IDC_BROWSER_RELOAD, OnReload)
    ON_BN_CLICKED(IDC_BROWSER_HOME, OnHome)
    ON_BN_CLICKED(IDC_BROWSER_SEARCH, OnSearchCommand)
    ON_BN_CLICKED(IDC_BROWSER_FAVORITES, OnFavorites)
    ON_BN_CLICKED(IDC_BROWSER_CLOSE, HideWithMain)
    ON_BN_CLICKED(IDC_BROWSER_SERVICE_HOME, OnServiceHome)
    ON_BN_CLICKED(IDC_BROWSER_MYROOM, OnMyRoom)
    ON_BN_CLICKED(IDC_BROWSER_OEM, OnOemLink)
END_MESSAGE_MAP()

CBrowserDlg::CBrowserDlg(CWnd* parent, int parentId)
    : CSkinFrameDialog(IDD_BROWSER, DefaultParent(parent)), m_parentId(parentId)
{
    m_style = kModeFree | kResizeWidth | kResizeHeight;
}

CBrowserDlg::~CBrowserDlg()
{
    m_control.Close();
}

BOOL CBrowserDlg::Create() { return CDialog::Create(IDD_BROWSER, m_parent); }

bool CBrowserDlg::IsAppBrowser() const { return CWnd::Registry().Find(kWindowBrowser) == this; }

BOOL CBrowserDlg::LayoutSkin()
{
    if (!ReloadSkin("browser.bmp") && !HasSkin())
        return FALSE;
    RECT unused;
    for (int i = 0; i < kButtonCount; ++i) {
        if (!m_buttons[i].m_hWnd)
            continue;
        m_buttons[i].SetBitmap(kToolbar[i].bitmap, kButtonFrames);
        m_buttons[i].PlaceFromSkin(kToolbar[i].id);
        SetControlAnchor(kToolbar[i].id, toolkit::Skins().GetControlRect(kToolbar[i].id, &unused));
    }
    SetControlAnchor(IDC_BROWSER_INDICATOR, toolkit::Skins().GetControlRect(IDC_BROWSER_INDICATOR, &unused));
    SetControlAnchor(IDC_BROWSER_STATUS, toolkit::Skins().GetControlRect(IDC_BROWSER_STATUS, &unused));
    if (m_indicator.m_hWnd) {
        m_indicator.SetBitmap("browser_indicate.bmp", kIndicatorFrames);
        RECT r;
        if (toolkit::Skins().GetControlRect(IDC_BROWSER_INDICATOR, &r) >= 0 || !::IsRectEmpty(&r))
            m_indicator.MoveWindow(r);
    }
    RECT page;
    if (toolkit::Skins().GetControlRect(IDC_BROWSER_PAGE, &page) >= 0 || !::IsRectEmpty(&page)) {
        if (!::IsRectEmpty(&page)) {
            // The skin's rectangle is for the skin's size; the window may be larger now.
            RECT client;
            GetClientRect(&client);
            page.right += (client.right - GetSkinWidth()) > 0 ? client.right - GetSkinWidth() : 0;
            page.bottom += (client.bottom - GetSkinHeight()) > 0 ? client.bottom - GetSkinHeight() : 0;
            m_controlRect = page;
            m_control.MoveControl(m_controlRect);
        }
    }
    RECT status;
    if (toolkit::Skins().GetControlRect(IDC_BROWSER_STATUS, &status) >= 0 && !::IsRectEmpty(&status))
        ::MoveWindow(GetDlgItem(IDC_BROWSER_STATUS), status.left, status.top, status.right - status.left,
                     status.bottom - status.top, TRUE);
    Invalidate();
    return TRUE;
}

BOOL CBrowserDlg::OnInitDialog()
{
    RECT templateRect;
    GetWindowRect(&templateRect);
    m_templateSize = SIZE{templateRect.right - templateRect.left, templateRect.bottom - templateRect.top};
    LoadSkin("browser.bmp", TRUE);
    CSkinFrameDialog::OnInitDialog();
    if (CSkinFrameDialog* leader = CSkinFrameDialog::Leader())
        leader->AddFloatingWindow(this);

    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[i].SubclassDlgItem(kToolbar[i].id, this);
    m_indicator.SubclassDlgItem(IDC_BROWSER_INDICATOR, this);
    m_buttons[kPadlockButton].ShowWindow(SW_HIDE);
    if (browser::Host().GetOemLinkUrl().IsEmpty())
        m_buttons[kOemButton].ShowWindow(SW_HIDE);

    bool controlMade = m_control.CreateFromPlaceholder(this, IDC_BROWSER_PAGE, this) != FALSE;
    if (controlMade) {
        m_control.GetWindowRect(&m_controlRect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&m_controlRect), 2);
    }
    if (!controlMade) {
        browser::Host().ShowStopMessage(IDS_NO_WEB_CONTROL);
        browser::Host().LogoutAndEnd(-1);
        return FALSE;
    }
    if (!HasSkin() || !LayoutSkin()) {
        browser::Host().ShowStopMessage(IDS_RESOURCES_SHORT);
        browser::Host().EndProgram(-1);
        return FALSE;
    }

    if (m_tooltip.Create(this, TTS_ALWAYSTIP)) {
        m_tooltip.Activate(TRUE);
        for (int i = 0; i < kButtonCount; ++i) {
            CString text;
            if (kToolbar[i].tooltip)
                text.LoadString(kToolbar[i].tooltip);
            else if (i == kOemButton)
                text = browser::Host().GetOemLinkTitle();
            if (i == kOemButton && browser::Host().GetOemLinkUrl().IsEmpty())
                continue;
            if (!text.IsEmpty())
                m_tooltip.AddTool(&m_buttons[i], text.GetString());
        }
    }

    PlaceFromSkin(IDD_BROWSER);
    RestorePosition();
    FocusPage();
    SetTimer(kLayoutTimer, kLayoutInterval);
    return FALSE;
}

void CBrowserDlg::RestorePosition()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    int width = static_cast<int>(app->GetProfileInt("Location", "BrowseWidth", m_templateSize.cx));
    int height = static_cast<int>(app->GetProfileInt("Location", "BrowseHeight", m_templateSize.cy));
    int x = static_cast<int>(app->GetProfileInt("Location", "BrowseX", -1));
    int y = static_cast<int>(app->GetProfileInt("Location", "BrowseY", -1));
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    browser::PixelRect workArea{work.left, work.top, work.right, work.bottom};
    browser::PixelRect barRect{0, 0, 0, 0};
    CWnd* bar = CWnd::Registry().Find(kWindowAddressBar);
    if (bar && bar->IsWindow()) {
        RECT r;
        bar->GetWindowRect(&r);
        barRect = {r.left, r.top, r.right, r.bottom};
    }
    RECT own;
    GetWindowRect(&own);
    if (x == -1 && y == -1) {
        // Never saved: under the address bar when there is one, keeping the size and staying on
        // the work area; else as placed.
        if (!bar)
            return;
        browser::PixelRect below = browser::ClampSavedPosition(x, y, own.right - own.left, own.bottom - own.top,
                                                               m_templateSize.cx, m_templateSize.cy, workArea, &barRect);
        SetWindowPos(nullptr, below.left, below.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    browser::PixelRect r = browser::ClampSavedPosition(x, y, width, height, m_templateSize.cx, m_templateSize.cy,
                                                       workArea, nullptr);
    SetWindowPos(nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBrowserDlg::SavePosition()
{
    CWinApp* app = AfxGetApp();
    CWnd* appBrowser = CWnd::Registry().Find(kWindowBrowser);
    if (!app || (appBrowser && appBrowser != this))
        return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    RECT r;
    if ((::IsIconic(m_hWnd) || ::IsZoomed(m_hWnd)) && ::GetWindowPlacement(m_hWnd, &placement))
        r = placement.rcNormalPosition;
    else
        GetWindowRect(&r);
    app->WriteProfileInt("Location", "BrowseX", r.left);
    app->WriteProfileInt("Location", "BrowseY", r.top);
    app->WriteProfileInt("Location", "BrowseWidth", r.right - r.left);
    app->WriteProfileInt("Location", "BrowseHeight", r.bottom - r.top);
}

void CBrowserDlg::OnDestroy()
{
    KillTimer(kLayoutTimer);
    SavePosition();
    if (CUrlComboWnd* bar = CUrlComboWnd::Find())
        bar->SetActiveBrowser(this, 0);
    // The control goes before its window does.
    m_control.Close();
    CSkinFrameDialog::OnDestroy();
}

void CBrowserDlg::PostNcDestroy()
{
    // Windows opened on request (the kind given at construction) belong to nobody else.
    if (m_deleteOnDestroy || IsOpenedOnRequest(static_cast<WindowKind>(m_parentId)))
        delete this;
}

void CBrowserDlg::OnSize(UINT type, int cx, int cy)
{
    SIZE before = m_lastClientSize;
    bool known = m_clientSizeKnown;
    CSkinFrameDialog::OnSize(type, cx, cy);
    if (!known || type == SIZE_MINIMIZED || !m_control.m_hWnd)
        return;
    m_controlRect.right += cx - before.cx;
    m_controlRect.bottom += cy - before.cy;
    m_control.MoveControl(m_controlRect);
}

void CBrowserDlg::OnTimer(UINT_PTR id)
{
    if (id != kLayoutTimer) {
        CSkinFrameDialog::OnTimer(id);
        return;
    }
    if (!m_control.m_hWnd)
        return;
    RECT actual;
    m_control.GetWindowRect(&actual);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
    if (!::EqualRect(&actual, &m_controlRect))
        m_control.MoveControl(m_controlRect);
}

void CBrowserDlg::OnActivate(UINT state, HWND other, BOOL minimised)
{
    KeepZOrder(state, other, minimised);
    if (state != WA_INACTIVE) {
        if (CUrlComboWnd* bar = CUrlComboWnd::Find())
            bar->SetActiveBrowser(this, 1);
        UpdateAddressBar();
    }
}

void CBrowserDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    CSkinFrameDialog::OnGetMinMaxInfo(info);
    if (m_minimumSize.cx > 0 && m_minimumSize.cy > 0)
        info->ptMinTrackSize = POINT{m_minimumSize.cx, m_minimumSize.cy};
}

LRESULT CBrowserDlg::OnParentNotifyMessage(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == WM_DESTROY && m_control.m_hWnd && reinterpret_cast<HWND>(lParam) == m_control.m_hWnd)
        CloseSelf();
    return Default();
}

void CBrowserDlg::OnOK() { ShowWindow(SW_SHOW); }

void CBrowserDlg::OnCancel()
{
    if (!m_closing)
        return;
    if (IsAppBrowser()) {
        browser::Host().ReopenBrowser();
        return;
    }
    browser::Host().CloseRegisteredWindow(this);
}

BOOL CBrowserDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    if (lParam == 0 && id >= ID_FAVORITE_FIRST && id <= ID_FAVORITE_LAST) {
        int index = static_cast<int>(id - ID_FAVORITE_FIRST);
        if (index < m_favoriteUrls.GetSize())
            Navigate(m_favoriteUrls[index]);
        FocusPage();
        return TRUE;
    }
    BOOL handled = CSkinFrameDialog::OnCommand(wParam, lParam);
    // After each toolbar command the page has the keyboard.
    if (lParam != 0 && HIWORD(wParam) == BN_CLICKED && m_hWnd && ::IsWindow(m_hWnd))
        FocusPage();
    return handled;
}

void CBrowserDlg::FocusPage()
{
    if (m_control.m_hWnd)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_control.m_hWnd), TRUE);
}

void CBrowserDlg::OnBack()
{
    if (m_buttons[kBackButton].IsDisabled())
        return;
    m_firstNavigation = 1;
    m_control.GoBack();
}

void CBrowserDlg::OnForward()
{
    if (m_buttons[kForwardButton].IsDisabled())
        return;
    m_control.GoForward();
}

void CBrowserDlg::OnStop() { m_control.Stop(); }

void CBrowserDlg::OnReload()
{
    m_control.Refresh();
    UpdateAddressBar();
}

void CBrowserDlg::OnHome() { Navigate(browser::Host().GetUserHomePage()); }

void CBrowserDlg::OnServiceHome() { Navigate(browser::Host().GetServerUrl("HomePage")); }

void CBrowserDlg::OnMyRoom()
{
    CString room;
    room.LoadString(IDS_URL_TOP_PAGE);
    Navigate(room);
}

void CBrowserDlg::OnOemLink()
{
    CString url = browser::Host().GetOemLinkUrl();
    if (!url.IsEmpty())
        Navigate(url);
}

void CBrowserDlg::HideWithMain()
{
    if (m_autoHide != 1)
        return;
    if (IsAppBrowser()) {
        if (browser::Host().GetMainWindow()) {
            ShowWindow(SW_HIDE);
            browser::Host().RemoveTrayWindow(m_hWnd);
        }
    } else {
        CloseSelf();
    }
    if (CSkinFrameDialog* leader = CSkinFrameDialog::Leader())
        if (CUrlComboWnd* bar = CUrlComboWnd::Find())
            leader->Undock(bar);
}

void CBrowserDlg::CloseSelf()
{
    m_closing = TRUE;
    PostMessage(WM_CLOSE);
}

CString CBrowserDlg::GetLocationUrl()
{
    if (m_closing || !m_control.m_hWnd)
        return CString();
    return m_control.GetLocationURL();
}

void CBrowserDlg::UpdateAddressBar()
{
    CUrlComboWnd* bar = CUrlComboWnd::Find();
    if (!bar)
        return;
    CString location = GetLocationUrl();
    if (location.IsEmpty() || location.Left(5).CompareNoCase("file:") == 0)
        return;
    if (::GetForegroundWindow() == m_hWnd)
        if (CSkinFrameDialog* leader = CSkinFrameDialog::Leader())
            leader->Redock(bar);
    bar->ShowCurrentUrl(bar->GetCurrentUrl() == location ? CString() : location, 0);
}

void CBrowserDlg::ShowAndFront()
{
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
}

void CBrowserDlg::Navigate(const char* url)
{
    ShowWindow(SW_SHOW);
    m_control.Navigate(url);
}
