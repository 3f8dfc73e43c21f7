// The program's OLE control site: the container side of one embedded ActiveX control (the
// WebBrowser control of the browser window, the chat banner and the main window's page).
// It is the control's client site, in-place site and in-place frame, answers ambient property
// requests with "not supported", and connects an event sink to the control's outgoing interface.
//
// The control's own window becomes a child of the container window at the given rectangle;
// CWebBrowserCtrl binds that window. Tests replace the creation of the control through
// SetCreateHook (a control that can't be created, or a stand-in object).
#pragma once

#include "framework/win/Afx.h"

#include <ole2.h>
#include <ocidl.h>

class COleControlSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
public:
    // Makes the control object for a class id; returns an HRESULT and sets *object on success.
    using CreateHook = HRESULT (*)(REFCLSID clsid, IOleObject** object);
    // Null restores CoCreateInstance. Returns the hook that was in place.
    static CreateHook SetCreateHook(CreateHook hook);

    COleControlSite();

    // Creates the control, activates it in place in container at rect (client coordinates) and,
    // when sink is given, connects it to the control's events interface eventsIid. Returns the
    // control's window, or null when any step failed (the control is then closed again).
    HWND CreateControl(REFCLSID clsid, HWND container, const RECT& rect, IDispatch* sink, REFIID eventsIid);
    // Disconnects the events, deactivates and closes the control, and lets it go. Safe to repeat.
    void CloseControl();

    // The control's automation interface (no reference added), or null.
    IDispatch* GetControlDispatch() const { return m_dispatch; }
    HWND GetControlWindow() const { return m_controlWindow; }
    // Moves the control (client coordinates of the container).
    void SetControlRect(const RECT& rect);
    // Gives the active control a chance at a keyboard message; TRUE when it took it.
    BOOL TranslateControlAccelerator(MSG* msg);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;
    // IOleWindow (of both the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override;
    // IOleInPlaceUIWindow / IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override;
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override;
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override;
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override;
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override;
    // IDispatch: the ambient properties; every one is left to the control's default.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

protected:
    virtual ~COleControlSite();

private:
    LONG m_refs = 1;
    HWND m_container = nullptr;
    HWND m_controlWindow = nullptr;
    RECT m_rect{0, 0, 0, 0};
    IOleObject* m_object = nullptr;
    IOleInPlaceObject* m_inPlace = nullptr;
    IOleInPlaceActiveObject* m_active = nullptr;
    IDispatch* m_dispatch = nullptr;
    IConnectionPoint* m_connectionPoint = nullptr;
    DWORD m_cookie = 0;
};
