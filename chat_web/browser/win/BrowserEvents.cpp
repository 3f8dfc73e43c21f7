// The browser window's WebBrowser events and the private URL filter's page commands.
#include "chat_web/browser/core/BrowserLogic.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "chat_web/browser/win/UrlComboWnd.h"
#include "resources/StringIds.h"
#include "shell/common/services/WindowKinds.h"

#include <cstring>

namespace {

const UINT WM_CHAT_EVENT = 0x402;

} // namespace

browser::CServiceOrigin& CBrowserDlg::ServiceOrigin()
{
    static browser::CServiceOrigin origin;
    return origin;
}

void CBrowserDlg::LoadServiceOrigin()
{
    IBrowserHost& host = browser::Host();
    browser::CServiceOrigin& origin = ServiceOrigin();
    origin.Clear();
    for (const char* name : {"HomePage", "SearchPage", "ProfilePage", "ChargePage", "LoginPage", "MailPage"})
        origin.AddServiceAddress(host.GetServerUrl(name));
    CString room;
    room.LoadString(IDS_URL_TOP_PAGE);
    origin.AddServiceAddress(room);
    origin.AddServiceAddress(host.GetOemLinkUrl());
    origin.SetInstallFolder(host.GetInstallFolder());
}

int CBrowserDlg::HandleSpecialUrl(const char* url)
{
    bool allowed = ServiceOrigin().AllowsCommandsFrom(m_pageUrl);
    browser::UrlDecision d = browser::ClassifyUrl(url, m_firstNavigation, allowed);
    if (d.refusedOrigin) {
        CString format, text;
        format.LoadString(IDS_PAGE_COMMAND_REFUSED);
        text.Format(format, m_pageUrl.GetString());
        browser::Host().LogError(text);
    }
    switch (d.action) {
    case browser::UrlAction::PrivateMessage: OpenPrivateMessage(d); break;
    case browser::UrlAction::EnterRoom: EnterChatRoom(d); break;
    case browser::UrlAction::CallById:
    case browser::UrlAction::CallByNumber: PlaceCall(d); break;
    case browser::UrlAction::MainRequest: PostMainRequest(d.request); break;
    default: break;
    }
    return d.Cancels() ? 1 : 0;
}

void CBrowserDlg::OpenPrivateMessage(const browser::UrlDecision& d)
{
    IBrowserHost& host = browser::Host();
    if (!host.IsLoggedIn())
        return;
    PartnerRef partner;
    partner.commId = d.id;
    partner.commName = d.name;
    host.OpenSendWindow(partner, "");
}

void CBrowserDlg::EnterChatRoom(const browser::UrlDecision& d)
{
    IBrowserHost& host = browser::Host();
    if (!host.IsLoggedIn() || !host.GetMainWindow())
        return;
    host.ShowChatWindow();
    HWND chat = host.GetChatWindow();
    if (!chat || d.locator.GetLength() > browser::kMaxLocatorLength)
        return;
    size_t length = static_cast<size_t>(d.locator.GetLength());
    char* copy = new char[length + 2]();
    std::memcpy(copy, d.locator.GetString(), length);
    ::SetForegroundWindow(chat);
    if (!::PostMessageA(chat, WM_CHAT_EVENT, 1, reinterpret_cast<LPARAM>(copy)))
        delete[] copy; // nobody will free a copy that never arrived
}

void CBrowserDlg::PlaceCall(const browser::UrlDecision& d)
{
    IBrowserHost& host = browser::Host();
    if (!host.IsLoggedIn() || !host.HasPhoneWindow())
        return;
    if (d.action == browser::UrlAction::CallById)
        host.DialCommId(d.id);
    else if (d.action == browser::UrlAction::CallByNumber)
        host.DialNumber(d.number);
}

void CBrowserDlg::PostMainRequest(int request)
{
    HWND main = browser::Host().GetMainWindow();
    if (main && request >= 0 && request <= 4)
        ::PostMessageA(main, 0x40C, static_cast<WPARAM>(request), 0);
}

void CBrowserDlg::OnBeforeNavigate2(IDispatch* disp, const CString& url, const CString&, VARIANT_BOOL* cancel)
{
    browser::Host().CloseOpenMenus();
    int handled = HandleSpecialUrl(url);
    *cancel = handled ? VARIANT_TRUE : VARIANT_FALSE;
    // The page of the window is the last top-level address it let through; frames report
    // their own object, the top level the control itself.
    IDispatch* own = m_control.GetControlDispatch();
    bool topLevel = true;
    if (disp && own && disp != own) {
        IUnknown* a = nullptr;
        IUnknown* b = nullptr;
        disp->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
        own->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
        topLevel = a && a == b;
        if (a)
            a->Release();
        if (b)
            b->Release();
    }
    if (!handled && topLevel)
        m_pageUrl = url;
    if (m_firstNavigation == -1) {
        if (handled)
            CloseSelf();
        else
            ShowAndFront();
    }
    m_firstNavigation = 0;
}

void CBrowserDlg::OnNavigateComplete2(IDispatch*, const CString&)
{
    UpdateAddressBar();
    m_buttons[11].ShowWindow(IsSecurePage() ? SW_SHOW : SW_HIDE);
}

void CBrowserDlg::OnCommandStateChange(long command, bool enable)
{
    if (command == 1)
        m_buttons[1].EnableButton(enable);
    else if (command == 2)
        m_buttons[0].EnableButton(enable);
}

void CBrowserDlg::OnDownloadBegin() { m_indicator.StartAnimation(); }
void CBrowserDlg::OnDownloadComplete() { m_indicator.StopAnimation(); }

void CBrowserDlg::OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL*)
{
    CBrowserDlg* window = browser::Host().OpenUrlInBrowser(CString(), kWindowNewBrowser);
    if (!window)
        return;
    window->SetPageUrl(m_pageUrl);
    window->m_control.SetRegisterAsBrowser(TRUE);
    *dispatch = window->m_control.GetApplication();
}

void CBrowserDlg::OnStatusTextChange(const CString& text)
{
    CString cut = browser::CutStatusText(text);
    if (cut == m_statusText)
        return;
    m_statusText = cut;
    HWND status = GetDlgItem(IDC_BROWSER_STATUS);
    if (!status)
        return;
    ::SetWindowTextA(status, m_statusText);
    // Moved to nothing and back: the skinned background under the text is painted again.
    RECT r;
    ::GetWindowRect(status, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    ::MoveWindow(status, r.left, r.top, 0, 0, FALSE);
    ::MoveWindow(status, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void CBrowserDlg::OnTitleChange(const CString& title) { m_title = title; }

void CBrowserDlg::OnWindowClosing(bool, VARIANT_BOOL* cancel)
{
    *cancel = IsAppBrowser() ? VARIANT_TRUE : VARIANT_FALSE;
}

BOOL CBrowserDlg::IsSecurePage()
{
    CString location = GetLocationUrl();
    if (location.Find("https") < 0)
        return FALSE;
    IDispatch* document = m_control.GetDocument();
    if (!document)
        return FALSE;
    // The document's "protocol" property (IHTMLDocument2), asked for by its DISPID.
    const DISPID kProtocol = 1041;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    ::VariantInit(&result);
    HRESULT hr = document->Invoke(kProtocol, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                  nullptr, nullptr);
    document->Release();
    CString protocol;
    if (SUCCEEDED(hr) && V_VT(&result) == VT_BSTR)
        protocol = OleTextToString(V_BSTR(&result), static_cast<int>(::SysStringLen(V_BSTR(&result))));
    ::VariantClear(&result);
    CString secure;
    secure.LoadString(IDS_SECURE_PROTOCOL);
    return !protocol.IsEmpty() && !secure.IsEmpty() && protocol.Find(secure) >= 0;
}
