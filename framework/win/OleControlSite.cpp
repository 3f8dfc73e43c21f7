#include "framework/win/OleControlSite.h"

namespace {

COleControlSite::CreateHook g_createHook = nullptr;

HRESULT CreateByCom(REFCLSID clsid, IOleObject** object)
{
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, reinterpret_cast<void**>(object));
}

template <class T> void ReleaseAndClear(T*& p)
{
    if (p) {
        T* old = p;
        p = nullptr;
        old->Release();
    }
}

} // namespace

COleControlSite::CreateHook COleControlSite::SetCreateHook(CreateHook hook)
{
    CreateHook old = g_createHook;
    g_createHook = hook;
    return old;
}

COleControlSite::COleControlSite() = default;

COleControlSite::~COleControlSite() { CloseControl(); }

HWND COleControlSite::CreateControl(REFCLSID clsid, HWND container, const RECT& rect, IDispatch* sink,
                                    REFIID eventsIid)
{
    CloseControl();
    m_container = container;
    m_rect = rect;
    HRESULT hr = (g_createHook ? g_createHook : CreateByCom)(clsid, &m_object);
    if (FAILED(hr) || !m_object) {
        m_object = nullptr;
        return nullptr;
    }
    m_object->SetClientSite(this);
    hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, container, &m_rect);
    if (SUCCEEDED(hr))
        m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlace));
    HWND window = nullptr;
    if (m_inPlace)
        m_inPlace->GetWindow(&window);
    m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
    if (!window || !m_dispatch) {
        CloseControl();
        return nullptr;
    }
    m_controlWindow = window;
    if (sink) {
        IConnectionPointContainer* points = nullptr;
        if (SUCCEEDED(m_object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
            if (SUCCEEDED(points->FindConnectionPoint(eventsIid, &m_connectionPoint))) {
                if (FAILED(m_connectionPoint->Advise(sink, &m_cookie))) {
                    m_cookie = 0;
                    ReleaseAndClear(m_connectionPoint);
                }
            }
            points->Release();
        }
    }
    return window;
}

void COleControlSite::CloseControl()
{
    if (m_connectionPoint) {
        if (m_cookie)
            m_connectionPoint->Unadvise(m_cookie);
        m_cookie = 0;
        ReleaseAndClear(m_connectionPoint);
    }
    ReleaseAndClear(m_active);
    if (m_inPlace) {
        m_inPlace->InPlaceDeactivate();
        ReleaseAndClear(m_inPlace);
    }
    ReleaseAndClear(m_dispatch);
    if (m_object) {
        IOleObject* object = m_object;
        m_object = nullptr;
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        object->Release();
    }
    m_controlWindow = nullptr;
}

void COleControlSite::SetControlRect(const RECT& rect)
{
    m_rect = rect;
    if (m_inPlace)
        m_inPlace->SetObjectRects(&m_rect, &m_rect);
    else if (m_controlWindow)
        ::MoveWindow(m_controlWindow, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

BOOL COleControlSite::TranslateControlAccelerator(MSG* msg)
{
    return m_active && m_active->TranslateAccelerator(msg) == S_OK;
}

HRESULT COleControlSite::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame))
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(iid, IID_IDispatch))
        *object = static_cast<IDispatch*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG COleControlSite::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

ULONG COleControlSite::Release()
{
    LONG refs = ::InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT COleControlSite::SaveObject() { return E_NOTIMPL; }
HRESULT COleControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT COleControlSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}
HRESULT COleControlSite::ShowObject() { return S_OK; }
HRESULT COleControlSite::OnShowWindow(BOOL) { return S_OK; }
HRESULT COleControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT COleControlSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_container;
    return m_container ? S_OK : E_FAIL;
}
HRESULT COleControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT COleControlSite::CanInPlaceActivate() { return S_OK; }
HRESULT COleControlSite::OnInPlaceActivate() { return S_OK; }
HRESULT COleControlSite::OnUIActivate() { return S_OK; }

HRESULT COleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                          LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (document)
        *document = nullptr;
    if (position)
        *position = m_rect;
    if (clip)
        *clip = m_rect;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = m_container;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT COleControlSite::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT COleControlSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT COleControlSite::OnInPlaceDeactivate()
{
    ReleaseAndClear(m_active);
    return S_OK;
}
HRESULT COleControlSite::DiscardUndoState() { return S_OK; }
HRESULT COleControlSite::DeactivateAndUndo() { return S_OK; }

HRESULT COleControlSite::OnPosRectChange(LPCRECT rect)
{
    if (rect && m_inPlace) {
        m_rect = *rect;
        m_inPlace->SetObjectRects(&m_rect, &m_rect);
    }
    return S_OK;
}

HRESULT COleControlSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT COleControlSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT COleControlSite::SetBorderSpace(LPCBORDERWIDTHS) { return OLE_E_INVALIDRECT; }

HRESULT COleControlSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    if (object)
        object->AddRef();
    ReleaseAndClear(m_active);
    m_active = object;
    return S_OK;
}

HRESULT COleControlSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
HRESULT COleControlSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT COleControlSite::RemoveMenus(HMENU) { return S_OK; }
HRESULT COleControlSite::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT COleControlSite::EnableModeless(BOOL) { return S_OK; }
HRESULT COleControlSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

HRESULT COleControlSite::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return S_OK;
}
HRESULT COleControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}
HRESULT COleControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT COleControlSite::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*)
{
    if (result)
        ::VariantInit(result);
    return DISP_E_MEMBERNOTFOUND;
}
