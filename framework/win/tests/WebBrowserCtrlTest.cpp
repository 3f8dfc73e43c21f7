// The OLE control site with the real WebBrowser control under Wine (which renders nothing but
// activates in place and asks its host before every navigation), a control that can't be made,
// and the event sink's unpacking of each event's arguments by DISPID.
#include "framework/win/WebBrowserCtrl.h"

#include "tests/support/WinTestSupport.h"

#include <exdispid.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT kPlaceholderId = 1358;

struct RecordingEvents : CWebBrowserEvents {
    std::vector<std::string> calls;
    std::vector<std::string> beforeNavigate;
    bool cancelPrivate = true;
    IDispatch* newWindowAnswer = nullptr;

    void OnBeforeNavigate2(IDispatch*, const CString& url, const CString& frame, VARIANT_BOOL* cancel) override
    {
        beforeNavigate.push_back(url.str());
        calls.push_back("before " + url.str() + " [" + frame.str() + "]");
        if (cancelPrivate && url.Find("x-vyrntalk:") == 0)
            *cancel = VARIANT_TRUE;
    }
    void OnNavigateComplete2(IDispatch*, const CString& url) override { calls.push_back("complete " + url.str()); }
    void OnNavigateError(IDispatch*, const CString& url, const CString&, long status, VARIANT_BOOL*) override
    {
        char code[16];
        snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(status));
        calls.push_back("error " + url.str() + " " + code);
    }
    void OnCommandStateChange(long command, bool enable) override
    {
        calls.push_back("state " + std::to_string(command) + (enable ? " on" : " off"));
    }
    void OnDownloadBegin() override { calls.push_back("download begin"); }
    void OnDownloadComplete() override { calls.push_back("download complete"); }
    void OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL*) override
    {
        calls.push_back("new window");
        if (newWindowAnswer) {
            newWindowAnswer->AddRef();
            *dispatch = newWindowAnswer;
        }
    }
    void OnStatusTextChange(const CString& text) override { calls.push_back("status " + text.str()); }
    void OnTitleChange(const CString& title) override { calls.push_back("title " + title.str()); }
    void OnWindowClosing(bool child, VARIANT_BOOL* cancel) override
    {
        calls.push_back(std::string("closing ") + (child ? "child" : "top"));
        *cancel = VARIANT_TRUE;
    }
    bool Saw(const std::string& prefix) const
    {
        for (const std::string& c : calls)
            if (c.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
    }
};

// A top-level host with a static placeholder where the control goes.
class HostWindow : public CWnd {
public:
    bool Create()
    {
        const char* cls = RegisterWindowClass("NvBrowserHostTest", 0, nullptr, (HBRUSH)(COLOR_WINDOW + 1));
        if (!CreateEx(0, cls, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 480, 360, nullptr, nullptr))
            return false;
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 40, 400, 260, m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPlaceholderId)), nullptr, nullptr);
        return true;
    }
};

HRESULT FailingCreate(REFCLSID, IOleObject** object)
{
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

class WebBrowserCtrlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Create()); }
    void TearDown() override
    {
        control.Close();
        host.DestroyWindow();
    }
    HostWindow host;
    CWebBrowserCtrl control;
    RecordingEvents events;
};

TEST_F(WebBrowserCtrlTest, ControlTakesThePlaceholdersPlaceAndIdInPlace)
{
    HWND placeholder = host.GetDlgItem(kPlaceholderId);
    ASSERT_TRUE(control.CreateFromPlaceholder(&host, kPlaceholderId, &events));
    EXPECT_FALSE(::IsWindow(placeholder));
    EXPECT_EQ(control.m_hWnd, host.GetDlgItem(kPlaceholderId));
    EXPECT_EQ(host.m_hWnd, ::GetParent(control.m_hWnd));
    RECT r;
    control.GetWindowRect(&r);
    ::MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(10, r.left);
    EXPECT_EQ(40, r.top);
    EXPECT_EQ(400, r.right - r.left);
    EXPECT_EQ(260, r.bottom - r.top);
    EXPECT_NE(nullptr, control.GetControlDispatch());

    RECT moved{20, 50, 320, 250};
    control.MoveControl(moved);
    control.GetWindowRect(&r);
    EXPECT_EQ(300, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);
}

TEST_F(WebBrowserCtrlTest, PrivateLinkIsAskedAboutAndCancelledLocationStays)
{
    ASSERT_TRUE(control.CreateFromPlaceholder(&host, kPlaceholderId, &events));
    CString before = control.GetLocationURL();
    ASSERT_EQ(S_OK, control.Navigate("x-vyrntalk:nv_show"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !events.beforeNavigate.empty(); }, 10000));
    EXPECT_EQ("x-vyrntalk:nv_show", events.beforeNavigate.front());
    nvtest::PumpPending();
    EXPECT_EQ(before, control.GetLocationURL());
    EXPECT_FALSE(events.Saw("complete"));
}

TEST_F(WebBrowserCtrlTest, HttpLinkIsAskedAboutAndEndsInAnErrorWithoutRendering)
{
    ASSERT_TRUE(control.CreateFromPlaceholder(&host, kPlaceholderId, &events));
    // Port 9 on loopback: nothing listens; the control still asks first.
    ASSERT_EQ(S_OK, control.Navigate("http://127.0.0.1:9/page.html"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return events.Saw("error "); }, 15000)) << ::testing::PrintToString(events.calls);
    EXPECT_EQ("http://127.0.0.1:9/page.html", events.beforeNavigate.front());
    IDispatch* document = control.GetDocument();
    EXPECT_EQ(nullptr, document);
    if (document)
        document->Release();
}

TEST_F(WebBrowserCtrlTest, ApplicationObjectIsAvailableForNewWindows)
{
    ASSERT_TRUE(control.CreateFromPlaceholder(&host, kPlaceholderId, &events));
    control.SetRegisterAsBrowser(TRUE);
    IDispatch* app = control.GetApplication();
    ASSERT_NE(nullptr, app);
    app->Release();
}

TEST_F(WebBrowserCtrlTest, ControlThatCannotBeMadeLeavesNoWindow)
{
    COleControlSite::CreateHook old = COleControlSite::SetCreateHook(&FailingCreate);
    BOOL created = control.CreateFromPlaceholder(&host, kPlaceholderId, &events);
    COleControlSite::SetCreateHook(old);
    EXPECT_FALSE(created);
    EXPECT_EQ(nullptr, control.m_hWnd);
    EXPECT_EQ(nullptr, host.GetDlgItem(kPlaceholderId));
    EXPECT_EQ(nullptr, control.GetControlDispatch());
    EXPECT_EQ("", control.GetLocationURL());
}

TEST_F(WebBrowserCtrlTest, MissingPlaceholderCreatesNothing)
{
    EXPECT_FALSE(control.CreateFromPlaceholder(&host, 4321, &events));
    EXPECT_EQ(nullptr, control.m_hWnd);
}

// Events the control can't fire here, handed to the sink as the control would: its DISPIDs,
// its argument types (last argument first in DISPPARAMS), and malformed variants that must
// reach no handler.
struct Arg {
    enum Kind { Text, TextRef, Long, Bool, BoolRef, DispatchRef, Dispatch } kind;
    const wchar_t* text;
    long number;
};

struct EventCase {
    const char* name;
    DISPID id;
    std::vector<Arg> args;
    const char* expected; // "" when no handler may run
};

TEST(WebBrowserEventSinkTest, EventsReachTheirNamedHandlersWithTheirArguments)
{
    const std::vector<EventCase> cases = {
        {"status text", DISPID_STATUSTEXTCHANGE, {{Arg::Text, L"loading", 0}}, "status loading"},
        {"status text not a string", DISPID_STATUSTEXTCHANGE, {{Arg::Long, nullptr, 5}}, "status "},
        {"title", DISPID_TITLECHANGE, {{Arg::Text, L"page", 0}}, "title page"},
        {"back enabled", DISPID_COMMANDSTATECHANGE, {{Arg::Long, nullptr, 2}, {Arg::Bool, nullptr, 1}}, "state 2 on"},
        {"forward disabled", DISPID_COMMANDSTATECHANGE, {{Arg::Long, nullptr, 1}, {Arg::Bool, nullptr, 0}}, "state 1 off"},
        {"state change missing argument", DISPID_COMMANDSTATECHANGE, {{Arg::Long, nullptr, 1}}, ""},
        {"download begin", DISPID_DOWNLOADBEGIN, {}, "download begin"},
        {"download complete", DISPID_DOWNLOADCOMPLETE, {}, "download complete"},
        {"new window", DISPID_NEWWINDOW2, {{Arg::DispatchRef, nullptr, 0}, {Arg::BoolRef, nullptr, 0}}, "new window"},
        {"new window without references", DISPID_NEWWINDOW2, {{Arg::Dispatch, nullptr, 0}, {Arg::Bool, nullptr, 0}}, ""},
        {"window closing", DISPID_WINDOWCLOSING, {{Arg::Bool, nullptr, 0}, {Arg::BoolRef, nullptr, 0}}, "closing top"},
        {"window closing cancel by value", DISPID_WINDOWCLOSING, {{Arg::Bool, nullptr, 1}, {Arg::Bool, nullptr, 0}}, ""},
        {"navigate complete", DISPID_NAVIGATECOMPLETE2, {{Arg::Dispatch, nullptr, 0}, {Arg::TextRef, L"http://h/", 0}}, "complete http://h/"},
        {"before navigate short", DISPID_BEFORENAVIGATE2, {{Arg::Dispatch, nullptr, 0}, {Arg::TextRef, L"x-tesselin:nv_quit", 0}}, ""},
        {"unknown event", 9999, {{Arg::Text, L"x", 0}}, ""},
        {"character outside the code page", DISPID_TITLECHANGE, {{Arg::Text, L"a\x0E01" L"b", 0}}, "title a?b"},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingEvents events;
        CWebBrowserEventSink* sink = new CWebBrowserEventSink(&events);
        // Storage the by-reference arguments point at.
        std::vector<VARIANT> inner(c.args.size());
        std::vector<VARIANT_BOOL> bools(c.args.size(), VARIANT_FALSE);
        std::vector<IDispatch*> dispatches(c.args.size(), nullptr);
        std::vector<VARIANT> args(c.args.size());
        for (size_t i = 0; i < c.args.size(); ++i) {
            VARIANT& v = args[c.args.size() - 1 - i]; // declared order reversed
            ::VariantInit(&v);
            ::VariantInit(&inner[i]);
            const Arg& a = c.args[i];
            switch (a.kind) {
            case Arg::Text:
                V_VT(&v) = VT_BSTR;
                V_BSTR(&v) = ::SysAllocString(a.text);
                break;
            case Arg::TextRef:
                V_VT(&inner[i]) = VT_BSTR;
                V_BSTR(&inner[i]) = ::SysAllocString(a.text);
                V_VT(&v) = VT_BYREF | VT_VARIANT;
                V_VARIANTREF(&v) = &inner[i];
                break;
            case Arg::Long:
                V_VT(&v) = VT_I4;
                V_I4(&v) = a.number;
                break;
            case Arg::Bool:
                V_VT(&v) = VT_BOOL;
                V_BOOL(&v) = a.number ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case Arg::BoolRef:
                V_VT(&v) = VT_BYREF | VT_BOOL;
                V_BOOLREF(&v) = &bools[i];
                break;
            case Arg::DispatchRef:
                V_VT(&v) = VT_BYREF | VT_DISPATCH;
                V_DISPATCHREF(&v) = &dispatches[i];
                break;
            case Arg::Dispatch:
                V_VT(&v) = VT_DISPATCH;
                V_DISPATCH(&v) = nullptr;
                break;
            }
        }
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        EXPECT_EQ(S_OK, sink->Invoke(c.id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
        if (*c.expected) {
            ASSERT_EQ(1u, events.calls.size());
            EXPECT_EQ(c.expected, events.calls[0]);
        } else {
            EXPECT_TRUE(events.calls.empty()) << ::testing::PrintToString(events.calls);
        }
        if (std::string(c.name) == "window closing") {
            EXPECT_EQ(VARIANT_TRUE, bools[1]) << "the handler's Cancel reaches the control";
        }
        for (VARIANT& v : args) {
            if (V_VT(&v) == VT_BSTR)
                ::VariantClear(&v);
        }
        for (VARIANT& v : inner)
            ::VariantClear(&v);
        sink->Detach();
        EXPECT_EQ(S_OK, sink->Invoke(DISPID_DOWNLOADBEGIN, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
        sink->Release();
    }
}

} // namespace
