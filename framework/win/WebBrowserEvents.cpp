#include "framework/win/WebBrowserEvents.h"

#include <exdisp.h>
#include <exdispid.h>

CString OleTextToString(const wchar_t* text, int length)
{
    if (!text)
        return CString();
    if (length < 0)
        length = static_cast<int>(wcslen(text));
    if (length == 0)
        return CString();
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return CString();
    CString result;
    char* buffer = result.GetBufferSetLength(bytes);
    ::WideCharToMultiByte(CP_ACP, 0, text, length, buffer, bytes, nullptr, nullptr);
    result.ReleaseBuffer(bytes);
    return result;
}

BSTR StringToBstr(const char* text)
{
    if (!text || !*text)
        return ::SysAllocStringLen(L"", 0);
    int length = static_cast<int>(strlen(text));
    int chars = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    BSTR result = ::SysAllocStringLen(nullptr, static_cast<UINT>(chars > 0 ? chars : 0));
    if (result && chars > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text, length, result, chars);
    return result;
}

HRESULT CWebBrowserEventSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CWebBrowserEventSink::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

ULONG CWebBrowserEventSink::Release()
{
    LONG refs = ::InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT CWebBrowserEventSink::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return S_OK;
}

HRESULT CWebBrowserEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CWebBrowserEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CWebBrowserEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*)
{
    if (result)
        ::VariantInit(result);
    if (!m_handler || !params)
        return S_OK;
    try {
        Dispatch(id, params);
    } catch (...) {
        // An event handler's failure must not unwind into the control.
    }
    return S_OK;
}

namespace {

// The event's arguments in their declared order (DISPPARAMS holds them last first); a VARIANT
// passed by reference to a VARIANT is followed to the inner one.
class EventArgs {
public:
    explicit EventArgs(DISPPARAMS* params) : m_params(params) {}
    UINT Count() const { return m_params->cArgs; }
    VARIANT* At(UINT index) const
    {
        if (!m_params->rgvarg || index >= m_params->cArgs)
            return nullptr;
        VARIANT* v = &m_params->rgvarg[m_params->cArgs - 1 - index];
        if (V_VT(v) == (VT_BYREF | VT_VARIANT))
            v = V_VARIANTREF(v);
        return v;
    }
    CString Text(UINT index) const
    {
        VARIANT* v = At(index);
        if (!v)
            return CString();
        if (V_VT(v) == VT_BSTR)
            return OleTextToString(V_BSTR(v), static_cast<int>(::SysStringLen(V_BSTR(v))));
        if (V_VT(v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(v))
            return OleTextToString(*V_BSTRREF(v), static_cast<int>(::SysStringLen(*V_BSTRREF(v))));
        return CString();
    }
    IDispatch* Dispatch(UINT index) const
    {
        VARIANT* v = At(index);
        if (v && V_VT(v) == VT_DISPATCH)
            return V_DISPATCH(v);
        if (v && V_VT(v) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(v))
            return *V_DISPATCHREF(v);
        return nullptr;
    }
    IDispatch** DispatchRef(UINT index) const
    {
        VARIANT* v = At(index);
        return v && V_VT(v) == (VT_BYREF | VT_DISPATCH) ? V_DISPATCHREF(v) : nullptr;
    }
    VARIANT_BOOL* BoolRef(UINT index) const
    {
        VARIANT* v = At(index);
        return v && V_VT(v) == (VT_BYREF | VT_BOOL) ? V_BOOLREF(v) : nullptr;
    }
    bool Long(UINT index, long* value) const
    {
        VARIANT* v = At(index);
        if (!v)
            return false;
        VARIANT converted;
        ::VariantInit(&converted);
        if (FAILED(::VariantChangeType(&converted, v, 0, VT_I4)))
            return false;
        *value = V_I4(&converted);
        return true;
    }

private:
    DISPPARAMS* m_params;
};

} // namespace

void CWebBrowserEventSink::Dispatch(DISPID id, DISPPARAMS* params)
{
    EventArgs args(params);
    // An event whose arguments are not what the control declares is dropped whole.
    switch (id) {
    case DISPID_BEFORENAVIGATE2: {
        VARIANT_BOOL* cancel = args.BoolRef(6);
        if (args.Count() != 7 || !cancel)
            return;
        m_handler->OnBeforeNavigate2(args.Dispatch(0), args.Text(1), args.Text(3), cancel);
        return;
    }
    case DISPID_NAVIGATECOMPLETE2:
        if (args.Count() == 2)
            m_handler->OnNavigateComplete2(args.Dispatch(0), args.Text(1));
        return;
    case DISPID_DOCUMENTCOMPLETE:
        if (args.Count() == 2)
            m_handler->OnDocumentComplete(args.Dispatch(0), args.Text(1));
        return;
    case DISPID_NAVIGATEERROR: {
        long status = 0;
        VARIANT_BOOL* cancel = args.BoolRef(4);
        if (args.Count() != 5 || !cancel || !args.Long(3, &status))
            return;
        m_handler->OnNavigateError(args.Dispatch(0), args.Text(1), args.Text(2), status, cancel);
        return;
    }
    case DISPID_COMMANDSTATECHANGE: {
        long command = 0, enable = 0;
        if (args.Count() == 2 && args.Long(0, &command) && args.Long(1, &enable))
            m_handler->OnCommandStateChange(command, enable != 0);
        return;
    }
    case DISPID_DOWNLOADBEGIN:
        m_handler->OnDownloadBegin();
        return;
    case DISPID_DOWNLOADCOMPLETE:
        m_handler->OnDownloadComplete();
        return;
    case DISPID_NEWWINDOW2: {
        IDispatch** dispatch = args.DispatchRef(0);
        VARIANT_BOOL* cancel = args.BoolRef(1);
        if (args.Count() == 2 && dispatch && cancel)
            m_handler->OnNewWindow2(dispatch, cancel);
        return;
    }
    case DISPID_STATUSTEXTCHANGE:
        if (args.Count() == 1)
            m_handler->OnStatusTextChange(args.Text(0));
        return;
    case DISPID_TITLECHANGE:
        if (args.Count() == 1)
            m_handler->OnTitleChange(args.Text(0));
        return;
    case DISPID_WINDOWCLOSING: {
        long isChild = 0;
        VARIANT_BOOL* cancel = args.BoolRef(1);
        if (args.Count() == 2 && cancel && args.Long(0, &isChild))
            m_handler->OnWindowClosing(isChild != 0, cancel);
        return;
    }
    default:
        return;
    }
}
