// The browser window's page openers: addresses from the service's base addresses and the string
// table, combined as the system combines URLs, opened by GET or by a form post whose values are
// URL-encoded one by one.
#include "chat_web/browser/core/BrowserLogic.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "chat_web/browser/win/BrowserHost.h"
#include "resources/StringIds.h"

#include <wininet.h>

#include <cstring>

namespace {

CString CombineUrl(const CString& base, const CString& path)
{
    char buffer[512] = "";
    DWORD length = sizeof buffer;
    if (base.IsEmpty() || !::InternetCombineUrlA(base, path, buffer, &length, ICU_NO_ENCODE))
        return CString();
    return CString(buffer);
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

void CBrowserDlg::NavigatePost(const char* url, const CString& body)
{
    ShowWindow(SW_SHOW);
    std::vector<std::uint8_t> bytes = browser::PostDataBytes(body);
    VARIANT postData;
    ::VariantInit(&postData);
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array)
        return;
    void* data = nullptr;
    if (SUCCEEDED(::SafeArrayAccessData(array, &data))) {
        std::memcpy(data, bytes.data(), bytes.size());
        ::SafeArrayUnaccessData(array);
    }
    V_VT(&postData) = VT_ARRAY | VT_UI1;
    V_ARRAY(&postData) = array;
    VARIANT flags, target, headers;
    ::VariantInit(&flags);
    ::VariantInit(&target);
    ::VariantInit(&headers);
    V_VT(&flags) = VT_I2;
    V_I2(&flags) = 4;
    V_VT(&headers) = VT_BSTR;
    V_BSTR(&headers) = StringToBstr(LoadText(IDS_POST_FORM_HEADER));
    m_control.Navigate(url, &flags, &target, &postData, &headers);
    ::VariantClear(&postData);
    ::VariantClear(&headers);
}

int CBrowserDlg::OpenUrlAsPost(const char* url)
{
    ShowWindow(SW_SHOW);
    CString address, body;
    if (!browser::SplitForPost(url, &address, &body))
        return -1;
    NavigatePost(address, body);
    return 0;
}

void CBrowserDlg::OpenServicePage(const char* serverName, UINT pathId, const CString* body)
{
    ShowAndFront();
    CString url = CombineUrl(browser::Host().GetServerUrl(serverName), LoadText(pathId));
    if (url.IsEmpty())
        return;
    if (body)
        NavigatePost(url, *body);
    else
        Navigate(url);
}

void CBrowserDlg::OpenProfileSearch()
{
    IBrowserHost& host = browser::Host();
    CString body = browser::ComposeFormBody(LoadText(IDS_FORM_PROFILE_SEARCH),
                                            {host.GetUserId(), host.GetPassword(), host.GetReturnUrl()});
    OpenServicePage("SearchPage", IDS_PATH_PROFILE_SEARCH, &body);
}

void CBrowserDlg::OpenProfile(const CString& commId)
{
    IBrowserHost& host = browser::Host();
    CString body = browser::ComposeFormBody(LoadText(IDS_FORM_PROFILE), {host.GetUserId(), host.GetPassword(), commId});
    OpenServicePage("SearchPage", IDS_PATH_PROFILE, &body);
}

void CBrowserDlg::OpenProfileEdit()
{
    IBrowserHost& host = browser::Host();
    CString body = browser::ComposeFormBody(LoadText(IDS_FORM_PROFILE_EDIT), {host.GetUserId(), host.GetPassword()});
    OpenServicePage("SearchPage", IDS_PATH_PROFILE_EDIT, &body);
}

void CBrowserDlg::OpenAddressBook()
{
    IBrowserHost& host = browser::Host();
    CString body = browser::ComposeFormBody(LoadText(IDS_FORM_PROFILE_EDIT), {host.GetUserId(), host.GetPassword()});
    OpenServicePage("SearchPage", IDS_PATH_ADDRESS_BOOK, &body);
}

void CBrowserDlg::OpenMyProfilePage() { OpenServicePage("ProfilePage", IDS_PATH_MY_PROFILE, nullptr); }

void CBrowserDlg::OpenChargePage() { OpenServicePage("ChargePage", IDS_PATH_CHARGE, nullptr); }

void CBrowserDlg::OpenCallServicePage()
{
    CString body = browser::ComposeFormBody(LoadText(IDS_FORM_CALL_SERVICE), {browser::Host().GetLoginId()});
    OpenServicePage("HomePage", IDS_PATH_CALL_SERVICE, &body);
}

void CBrowserDlg::GoHome()
{
    Navigate(browser::Host().GetUserHomePage());
    FocusPage();
}

void CBrowserDlg::OnSearchCommand()
{
    OpenProfileSearch();
    FocusPage();
}
