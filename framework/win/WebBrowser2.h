// CWebBrowser2: calls the WebBrowser control by DISPID through its IDispatch, the way a
// generated control wrapper does. It holds no data: the dispatch comes from the window that
// hosts the control (CWebBrowserCtrl). Every call on a window without a control does nothing
// and getters answer empty.
#pragma once

#include "framework/win/Wnd.h"

#include <ole2.h>

class CWebBrowser2 : public CWnd {
public:
    // The run-time class name of the wrapper.
    static const char* GetRuntimeClassName() { return "CWebBrowser2"; }

    void GoBack();
    void GoForward();
    // Flags, target frame, post data and headers go by reference; pass empty VARIANTs for
    // what is not used. Returns the control's HRESULT.
    HRESULT Navigate(const char* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers);
    void Refresh();
    void Stop();
    // The control's Application and Document objects, with a reference for the caller, or null.
    IDispatch* GetApplication();
    IDispatch* GetDocument();
    CString GetLocationURL();
    void SetRegisterAsBrowser(BOOL value);

    // The control's automation interface; null when there is no control.
    virtual IDispatch* GetControlDispatch() const { return nullptr; }

    // One call by DISPID: method or property get/put with the given arguments (in declared
    // order; the call reverses them as DISPPARAMS wants).
    HRESULT InvokeHelper(DISPID id, WORD flags, VARIANT* result, VARIANT* args, UINT argCount);
};
