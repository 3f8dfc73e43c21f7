// CComSystemBrowser over a stand-in automation object: what it asks of the browser when it opens
// a page and closes it, that closing goes through the object and never to the window handle the
// browser once reported, and a browser that cannot be made.
#include "signup/wizard/SystemBrowser.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every IWebBrowserApp call a test does not look at answers E_NOTIMPL.
class FakeBrowser final : public IWebBrowserApp {
public:
    virtual ~FakeBrowser() = default;
    FakeBrowser(std::vector<std::string>& log, HWND reported, int id) : m_log(log), m_reported(reported), m_id(id) {}
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--refs == 0)
            Note("released");
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* frame, VARIANT* post, VARIANT* headers) override
    {
        const bool empty = flags && frame && post && headers && flags->vt == VT_EMPTY && frame->vt == VT_EMPTY &&
                           post->vt == VT_EMPTY && headers->vt == VT_EMPTY;
        char text[600] = {};
        ::WideCharToMultiByte(CP_ACP, 0, url, -1, text, sizeof text - 1, nullptr, nullptr);
        Note(std::string("navigate ") + text + (empty ? "" : " (options given)"));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Left(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Left(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Top(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Top(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Width(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Height(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Quit() override
    {
        Note("quit");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* window) override
    {
        *window = reinterpret_cast<SHANDLE_PTR>(m_reported);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override
    {
        Note(value ? "visible" : "hidden");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }

private:
    void Note(const std::string& what) { m_log.push_back(std::to_string(m_id) + " " + what); }
    std::vector<std::string>& m_log;
    HWND m_reported;
    int m_id;
};

int g_closes = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        ++g_closes;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// Another program's window that now holds the handle the browser once reported.
HWND MakeBystander()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvBrowserBystander";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
}

} // namespace

TEST(SystemBrowser, OpensVisiblyAndClosesThroughTheObjectNeverThroughAnOldWindowHandle)
{
    HWND bystander = MakeBystander();
    ASSERT_NE(nullptr, bystander);
    g_closes = 0;
    std::vector<std::string> log;
    std::vector<FakeBrowser*> made;
    {
        CComSystemBrowser browser([&](IWebBrowserApp** out) {
            made.push_back(new FakeBrowser(log, bystander, static_cast<int>(made.size()) + 1));
            *out = made.back();
            return S_OK;
        });
        ASSERT_TRUE(browser.Open("https://charge.example/a?login_id=x%26y&login_password=p%2Bq"));
        // A second press: the first window goes (through its object) before the next is made.
        ASSERT_TRUE(browser.Open("https://charge.example/b"));
        browser.Close();
        browser.Close(); // nothing left to close
        nvtest::PumpPending();
    }
    const std::vector<std::string> expected = {
        "1 visible", "1 navigate https://charge.example/a?login_id=x%26y&login_password=p%2Bq", "1 quit", "1 released",
        "2 visible", "2 navigate https://charge.example/b",                                  "2 quit", "2 released"};
    EXPECT_EQ(expected, log);
    EXPECT_EQ(0, g_closes) << "the window once reported by the browser is never sent WM_CLOSE";
    for (FakeBrowser* b : made)
        delete b;
    ::DestroyWindow(bystander);
}

TEST(SystemBrowser, ABrowserThatCannotBeMadeFailsAndLeavesNothingToClose)
{
    const HRESULT failures[] = {REGDB_E_CLASSNOTREG, E_NOINTERFACE, S_OK /* success without an object */};
    for (HRESULT failure : failures) {
        int calls = 0;
        CComSystemBrowser browser([&](IWebBrowserApp** out) {
            ++calls;
            *out = nullptr;
            return failure;
        });
        EXPECT_FALSE(browser.Open("https://charge.example/")) << std::hex << failure;
        browser.Close();
        EXPECT_EQ(1, calls);
        EXPECT_EQ(nullptr, browser.Window());
    }
}
