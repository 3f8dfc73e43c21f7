#include "framework/win/WebBrowser2.h"

#include "framework/win/WebBrowserEvents.h"

#include <vector>

namespace {

const DISPID kGoBack = 100;
const DISPID kGoForward = 101;
const DISPID kNavigate = 104;
const DISPID kRefresh = -550;
const DISPID kStop = 106;
const DISPID kApplication = 200;
const DISPID kDocument = 203;
const DISPID kLocationUrl = 211;
const DISPID kRegisterAsBrowser = 552;

VARIANT ByRef(VARIANT* v)
{
    VARIANT r;
    ::VariantInit(&r);
    V_VT(&r) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&r) = v;
    return r;
}

} // namespace

HRESULT CWebBrowser2::InvokeHelper(DISPID id, WORD flags, VARIANT* result, VARIANT* args, UINT argCount)
{
    IDispatch* dispatch = GetControlDispatch();
    if (!dispatch)
        return E_UNEXPECTED;
    std::vector<VARIANT> reversed(args, args + argCount);
    for (UINT i = 0; i < argCount; ++i)
        reversed[i] = args[argCount - 1 - i];
    DISPPARAMS params{};
    params.rgvarg = argCount ? reversed.data() : nullptr;
    params.cArgs = argCount;
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    VARIANT ignored;
    ::VariantInit(&ignored);
    HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result : &ignored,
                                  nullptr, nullptr);
    ::VariantClear(&ignored);
    return hr;
}

void CWebBrowser2::GoBack() { InvokeHelper(kGoBack, DISPATCH_METHOD, nullptr, nullptr, 0); }
void CWebBrowser2::GoForward() { InvokeHelper(kGoForward, DISPATCH_METHOD, nullptr, nullptr, 0); }
void CWebBrowser2::Refresh() { InvokeHelper(kRefresh, DISPATCH_METHOD, nullptr, nullptr, 0); }
void CWebBrowser2::Stop() { InvokeHelper(kStop, DISPATCH_METHOD, nullptr, nullptr, 0); }

HRESULT CWebBrowser2::Navigate(const char* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                               VARIANT* headers)
{
    VARIANT empty[4];
    for (VARIANT& v : empty)
        ::VariantInit(&v);
    VARIANT args[5];
    ::VariantInit(&args[0]);
    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = StringToBstr(url);
    args[1] = ByRef(flags ? flags : &empty[0]);
    args[2] = ByRef(targetFrameName ? targetFrameName : &empty[1]);
    args[3] = ByRef(postData ? postData : &empty[2]);
    args[4] = ByRef(headers ? headers : &empty[3]);
    HRESULT hr = InvokeHelper(kNavigate, DISPATCH_METHOD, nullptr, args, 5);
    ::VariantClear(&args[0]);
    return hr;
}

namespace {

IDispatch* TakeDispatch(VARIANT& result)
{
    IDispatch* dispatch = nullptr;
    if (V_VT(&result) == VT_DISPATCH && V_DISPATCH(&result)) {
        dispatch = V_DISPATCH(&result);
        dispatch->AddRef();
    }
    ::VariantClear(&result);
    return dispatch;
}

} // namespace

IDispatch* CWebBrowser2::GetApplication()
{
    VARIANT result;
    ::VariantInit(&result);
    InvokeHelper(kApplication, DISPATCH_PROPERTYGET, &result, nullptr, 0);
    return TakeDispatch(result);
}

IDispatch* CWebBrowser2::GetDocument()
{
    VARIANT result;
    ::VariantInit(&result);
    InvokeHelper(kDocument, DISPATCH_PROPERTYGET, &result, nullptr, 0);
    return TakeDispatch(result);
}

CString CWebBrowser2::GetLocationURL()
{
    VARIANT result;
    ::VariantInit(&result);
    CString url;
    if (SUCCEEDED(InvokeHelper(kLocationUrl, DISPATCH_PROPERTYGET, &result, nullptr, 0)) && V_VT(&result) == VT_BSTR)
        url = OleTextToString(V_BSTR(&result), static_cast<int>(::SysStringLen(V_BSTR(&result))));
    ::VariantClear(&result);
    return url;
}

void CWebBrowser2::SetRegisterAsBrowser(BOOL value)
{
    VARIANT arg;
    ::VariantInit(&arg);
    V_VT(&arg) = VT_BOOL;
    V_BOOL(&arg) = value ? VARIANT_TRUE : VARIANT_FALSE;
    InvokeHelper(kRegisterAsBrowser, DISPATCH_PROPERTYPUT, nullptr, &arg, 1);
}
