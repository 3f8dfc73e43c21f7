// The events of the WebBrowser control (DWebBrowserEvents2) that the program's windows handle,
// as named handlers with typed arguments. A window derives from CWebBrowserEvents and overrides
// what it needs; CWebBrowserEventSink is the COM object the control calls, which unpacks each
// event's arguments by DISPID and calls the handler. Texts arrive in the program's code page:
// characters it can't hold become "?".
#pragma once

#include "framework/win/Afx.h"

#include <ole2.h>

class CWebBrowserEvents {
public:
    virtual ~CWebBrowserEvents() = default;

    // *cancel = VARIANT_TRUE stops the navigation.
    virtual void OnBeforeNavigate2(IDispatch* /*disp*/, const CString& /*url*/, const CString& /*targetFrame*/,
                                   VARIANT_BOOL* /*cancel*/) {}
    virtual void OnNavigateComplete2(IDispatch* /*disp*/, const CString& /*url*/) {}
    virtual void OnDocumentComplete(IDispatch* /*disp*/, const CString& /*url*/) {}
    virtual void OnNavigateError(IDispatch* /*disp*/, const CString& /*url*/, const CString& /*frame*/,
                                 long /*status*/, VARIANT_BOOL* /*cancel*/) {}
    // command: 1 forward, 2 back (CSC_NAVIGATEFORWARD / CSC_NAVIGATEBACK); -1 the toolbar.
    virtual void OnCommandStateChange(long /*command*/, bool /*enable*/) {}
    virtual void OnDownloadBegin() {}
    virtual void OnDownloadComplete() {}
    // A page asks for a new window: set *dispatch to the new control's Application object
    // (with a reference for the caller), or leave it null.
    virtual void OnNewWindow2(IDispatch** /*dispatch*/, VARIANT_BOOL* /*cancel*/) {}
    virtual void OnStatusTextChange(const CString& /*text*/) {}
    virtual void OnTitleChange(const CString& /*title*/) {}
    virtual void OnWindowClosing(bool /*isChildWindow*/, VARIANT_BOOL* /*cancel*/) {}
};

// The DWebBrowserEvents2 dispatch object. Its owner lets it go with Detach (the control may
// still hold a reference for a while; events that arrive after that reach nobody).
class CWebBrowserEventSink : public IDispatch {
public:
    explicit CWebBrowserEventSink(CWebBrowserEvents* handler) : m_handler(handler) {}
    void Detach() { m_handler = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* argError) override;

private:
    virtual ~CWebBrowserEventSink() = default;
    void Dispatch(DISPID id, DISPPARAMS* params);

    LONG m_refs = 1;
    CWebBrowserEvents* m_handler;
};

// Conversions between the control's wide texts and the program's code page (CP_ACP).
CString OleTextToString(const wchar_t* text, int length = -1);
BSTR StringToBstr(const char* text);
