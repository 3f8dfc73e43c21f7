#include "signup/wizard/SystemBrowser.h"

#include <oleauto.h>

#include <string>

namespace {

// The browser application's class and its automation interface.
const CLSID kBrowserClass = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kBrowserAppInterface = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

HRESULT CreateBrowser(IWebBrowserApp** browser)
{
    return ::CoCreateInstance(kBrowserClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, kBrowserAppInterface,
                              reinterpret_cast<void**>(browser));
}

BSTR AllocAnsi(const char* text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return nullptr;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    return ::SysAllocString(wide.c_str());
}

} // namespace

CComSystemBrowser::CComSystemBrowser() : m_factory(CreateBrowser) {}

CComSystemBrowser::CComSystemBrowser(Factory factory) : m_factory(std::move(factory)) {}

CComSystemBrowser::~CComSystemBrowser()
{
    if (m_browser) {
        m_browser->Release();
        m_browser = nullptr;
    }
    if (m_comStarted)
        ::CoUninitialize();
}

void CComSystemBrowser::Close()
{
    if (!m_browser)
        return;
    // A browser the user has closed already answers with an error: nothing else is touched.
    m_browser->Quit();
    m_browser->Release();
    m_browser = nullptr;
    m_window = nullptr;
}

bool CComSystemBrowser::Open(const CString& url)
{
    Close();
    if (!m_comStarted) {
        const HRESULT started = ::CoInitialize(nullptr);
        m_comStarted = SUCCEEDED(started); // S_FALSE too: each success is paired with one CoUninitialize
    }
    IWebBrowserApp* browser = nullptr;
    if (!m_factory || FAILED(m_factory(&browser)) || !browser)
        return false;
    SHANDLE_PTR window = 0;
    if (SUCCEEDED(browser->get_HWND(&window)))
        m_window = reinterpret_cast<HWND>(window);
    browser->put_Visible(VARIANT_TRUE);
    BSTR target = AllocAnsi(url);
    VARIANT empty[4];
    for (VARIANT& v : empty)
        ::VariantInit(&v);
    // The browser is started once the object exists; a page it cannot load shows in its window.
    if (target)
        browser->Navigate(target, &empty[0], &empty[1], &empty[2], &empty[3]);
    ::SysFreeString(target);
    m_browser = browser;
    return true;
}
