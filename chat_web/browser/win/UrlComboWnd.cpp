#include "chat_web/browser/win/UrlComboWnd.h"

#include "chat_web/browser/core/BrowserLogic.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "framework/core/UrlParse.h"
#include "framework/win/WinApp.h"
#include "resources/StringIds.h"
#include "shell/common/services/WindowKinds.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CUrlComboWnd, CSkinFrameDialog)
    ON_WM_DESTROY()
    ON_CBN_SELCHANGE(IDC_URL_COMBO, OnSelChange)
    ON_CONTROL(CBN_CLOSEUP, IDC_URL_COMBO, OnCloseUp)
END_MESSAGE_MAP()

namespace {

CString ComboText(HWND combo, int index)
{
    LRESULT length = ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0)
        return CString();
    CString text;
    char* buffer = text.GetBuffer(static_cast<int>(length) + 1);
    ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    text.ReleaseBuffer();
    return text;
}

int FindExact(HWND combo, const CString& text)
{
    // CB_FINDSTRINGEXACT ignores case; the history keeps addresses that differ only in case apart.
    int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (ComboText(combo, i) == text)
            return i;
    return -1;
}

} // namespace

CUrlComboWnd::CUrlComboWnd(CWnd* parent) : CSkinFrameDialog(IDD_URL_BAR, parent), m_parentWindow(parent)
{
    m_style = kModeFree;
}

CUrlComboWnd::~CUrlComboWnd() = default;

CUrlComboWnd* CUrlComboWnd::Find()
{
    return dynamic_cast<CUrlComboWnd*>(CWnd::Registry().Find(kWindowAddressBar));
}

BOOL CUrlComboWnd::Create() { return CDialog::Create(IDD_URL_BAR, m_parentWindow); }

bool CUrlComboWnd::IsValidUrl(const CString& text) { return ::IsValidUrl(text); }

bool CUrlComboWnd::LayoutSkin()
{
    if (!ReloadSkin("url.bmp") && !HasSkin())
        return false;
    RECT r;
    if (toolkit::Skins().GetControlRect(IDC_URL_COMBO, &r) >= 0 && !::IsRectEmpty(&r)) {
        RECT dropped = r;
        dropped.bottom = r.top + 200;
        ::MoveWindow(GetCombo(), dropped.left, dropped.top, dropped.right - dropped.left, dropped.bottom - dropped.top, TRUE);
    }
    PlaceFromSkin(IDD_URL_BAR);
    Invalidate();
    return true;
}

BOOL CUrlComboWnd::OnInitDialog()
{
    LoadSkin("url.bmp", FALSE);
    CSkinFrameDialog::OnInitDialog();
    RECT r;
    if (toolkit::Skins().GetControlRect(IDC_URL_COMBO, &r) >= 0 && !::IsRectEmpty(&r))
        ::MoveWindow(GetCombo(), r.left, r.top, r.right - r.left, 200, TRUE);
    ::SendMessageA(GetCombo(), CB_LIMITTEXT, 512, 0);
    m_currentUrl.Empty();
    if (!HasSkin())
        return FALSE;
    if (CSkinFrameDialog* leader = CSkinFrameDialog::Leader())
        leader->AddFloatingWindow(this);
    if (CWinApp* app = AfxGetApp()) {
        for (int i = 1; i <= browser::kHistoryKeys; ++i) {
            CString key;
            key.Format("url%d", i);
            CString value = app->GetProfileString("Browse", key, "");
            if (!value.IsEmpty())
                ::SendMessageA(GetCombo(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value.GetString()));
        }
    }
    PlaceFromSkin(IDD_URL_BAR);
    return TRUE;
}

std::vector<CString> CUrlComboWnd::GetEntries() const
{
    std::vector<CString> entries;
    int count = static_cast<int>(::SendMessageA(GetCombo(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        entries.push_back(ComboText(GetCombo(), i));
    return entries;
}

void CUrlComboWnd::PutOnTop(const CString& url)
{
    HWND combo = GetCombo();
    int twin = FindExact(combo, url);
    if (twin >= 0)
        ::SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(twin), 0);
    int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (count >= browser::kHistoryShown)
        ::SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
    ::SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(url.GetString()));
    ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

bool CUrlComboWnd::AddUrl(const CString& text)
{
    if (text.IsEmpty())
        return false;
    CString url = browser::CompleteTypedAddress(text);
    std::uint32_t service;
    CString server, object;
    std::uint16_t port;
    if (AfxParseURL(url, service, server, object, port) && !server.IsEmpty() && url != m_currentUrl) {
        PutOnTop(url);
        m_currentUrl = url;
        return true;
    }
    ::SetWindowTextA(GetCombo(), m_currentUrl);
    return false;
}

void CUrlComboWnd::ShowCurrentUrl(const CString& url, int)
{
    if (!m_isShown || url.IsEmpty())
        return;
    HWND combo = GetCombo();
    int existing = FindExact(combo, url);
    if (existing >= 0) {
        ::SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(existing), 0);
        ::SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(url.GetString()));
        ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
    } else if (!IsValidUrl(url)) {
        ::SetWindowTextA(combo, url);
        return;
    } else if (url != m_currentUrl) {
        PutOnTop(url);
    }
    browser::Host().SendUrlToServer(url);
    m_currentUrl = url;
}

void CUrlComboWnd::OnOK()
{
    if (!m_isShown)
        return;
    HWND combo = GetCombo();
    int selected = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    CString text;
    if (selected >= 0) {
        text = ComboText(combo, selected);
    } else {
        char buffer[1024] = "";
        ::GetWindowTextA(combo, buffer, sizeof buffer);
        text = buffer;
    }
    if (text.IsEmpty())
        return;
    text = browser::CompleteTypedAddress(text);
    if (!IsValidUrl(text))
        return;
    if (browser::Host().OpenUrl(text) == 0)
        NavigateTarget(text);
}

void CUrlComboWnd::NavigateTarget(const CString& url)
{
    CBrowserDlg* target = GetTargetBrowser();
    if (!target)
        return;
    target->Navigate(url);
    ::SetForegroundWindow(target->m_hWnd);
}

void CUrlComboWnd::OnSelChange()
{
    if (!m_isShown)
        return;
    HWND combo = GetCombo();
    if (!m_listClosed) {
        // Arrow keys or the wheel with the list closed: the page stays, and so does the entry.
        int current = FindExact(combo, m_currentUrl);
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
        if (current < 0)
            ::SetWindowTextA(combo, m_currentUrl);
        return;
    }
    m_listClosed = FALSE;
    int selected = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    CString text = selected >= 0 ? ComboText(combo, selected) : CString();
    if (text.IsEmpty())
        return;
    browser::Host().SendUrlToServer(text);
    if (GetTargetBrowser()) {
        m_currentUrl = text;
        NavigateTarget(text);
    }
}

CBrowserDlg* CUrlComboWnd::GetTargetBrowser()
{
    CBrowserDlg* appBrowser = dynamic_cast<CBrowserDlg*>(CWnd::Registry().Find(kWindowBrowser));
    CBrowserDlg* first = m_browserList.empty() ? nullptr : m_browserList.front();
    if (!first || (first != appBrowser && !browser::Host().IsRegisteredWindow(first)))
        first = appBrowser;
    m_targetBrowser = first;
    return first;
}

void CUrlComboWnd::SetActiveBrowser(CBrowserDlg* browserWindow, int active)
{
    m_browserList.erase(std::remove(m_browserList.begin(), m_browserList.end(), browserWindow), m_browserList.end());
    CWnd* appBrowser = CWnd::Registry().Find(kWindowBrowser);
    if (active && browserWindow &&
        (browserWindow == appBrowser || browser::Host().IsRegisteredWindow(browserWindow)))
        m_browserList.insert(m_browserList.begin(), browserWindow);
    CBrowserDlg* target = GetTargetBrowser();
    if (!target)
        return;
    CString location = target->GetLocationUrl();
    if (!location.IsEmpty() && location.Left(5).CompareNoCase("file:") != 0 && location != m_currentUrl)
        ShowCurrentUrl(location, 0);
}

void CUrlComboWnd::ShowBar()
{
    ShowWindow(SW_SHOW);
    browser::Host().AddTrayWindow(m_hWnd);
    m_isShown = TRUE;
}

void CUrlComboWnd::HideBar()
{
    ShowWindow(SW_HIDE);
    browser::Host().RemoveTrayWindow(m_hWnd);
    m_currentUrl.Empty();
    m_isShown = FALSE;
}

void CUrlComboWnd::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    if (m_deleteOnDestroy)
        delete this;
}

void CUrlComboWnd::OnDestroy()
{
    if (CWinApp* app = AfxGetApp()) {
        for (int i = 1; i <= browser::kHistoryKeys; ++i) {
            CString key;
            key.Format("url%d", i);
            app->WriteProfileString("Browse", key, "");
        }
        // Older versions wrote a 21st entry that nothing reads: it goes.
        app->WriteProfileString("Browse", "url21", nullptr);
        CString home;
        home.LoadString(IDS_URL_HOME_PAGE);
        std::vector<CString> saved = browser::HistoryToSave(GetEntries(), home);
        for (size_t i = 0; i < saved.size(); ++i) {
            CString key;
            key.Format("url%d", static_cast<int>(i) + 1);
            app->WriteProfileString("Browse", key, saved[i]);
        }
    }
    CSkinFrameDialog::OnDestroy();
}
