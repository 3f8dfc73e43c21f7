#include "framework/win/Controls.h"

BOOL CreateControl(CWnd* control, const char* className, const char* text, DWORD style, const RECT& rect,
                   CWnd* parent, UINT id, DWORD exStyle)
{
    return control->CreateEx(exStyle, className, text, style, rect, parent, id);
}

BOOL CButton::Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateControl(this, "BUTTON", caption, style, rect, parent, id);
}

BEGIN_MESSAGE_MAP(CBitmapButton, CButton)
    ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, OnReflectedDrawItem)
END_MESSAGE_MAP()

LRESULT CBitmapButton::OnReflectedDrawItem(WPARAM, LPARAM lParam)
{
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    return TRUE;
}

BOOL CStatic::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateControl(this, "STATIC", text, style, rect, parent, id);
}

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&init);
    return CreateControl(this, TRACKBAR_CLASSA, "", style, rect, parent, id);
}

const char* CRichEditCtrl::EnsureLoaded()
{
    static const char* className = [] () -> const char* {
        if (::LoadLibraryA("riched32.dll")) {
            WNDCLASSA wc;
            if (::GetClassInfoA(nullptr, "RichEdit", &wc))
                return "RichEdit";
        }
        if (::LoadLibraryA("riched20.dll"))
            return RICHEDIT_CLASSA;
        return nullptr;
    }();
    return className;
}

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    const char* className = EnsureLoaded();
    if (!className)
        return FALSE;
    return CreateControl(this, className, "", style, rect, parent, id);
}
