#include "framework/win/Controls.h"

#include <vector>

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

CString CRichEditCtrl::GetTextRange(long start, long end) const
{
    if (end <= start || start < 0)
        return CString();
    // The whole text as UTF-16, where one position is one unit: an ANSI range would have to
    // guess how many bytes its characters take.
    long length = GetTextLength();
    std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 2, L'\0');
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = 1200;
    LRESULT got = SendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(wide.data()));
    if (got > 0) {
        long last = end < static_cast<long>(got) ? end : static_cast<long>(got);
        if (last <= start)
            return CString();
        int count = static_cast<int>(last - start);
        int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data() + start, count, nullptr, 0, nullptr, nullptr);
        std::vector<char> narrow(static_cast<std::size_t>(bytes) + 1, '\0');
        ::WideCharToMultiByte(CP_ACP, 0, wide.data() + start, count, narrow.data(), bytes, nullptr, nullptr);
        return CString(narrow.data());
    }
    // A control without EM_GETTEXTEX counts positions in bytes.
    std::vector<char> buffer(static_cast<std::size_t>(end - start) * 2 + 2, '\0');
    TEXTRANGEA range;
    range.chrg.cpMin = start;
    range.chrg.cpMax = end;
    range.lpstrText = buffer.data();
    SendMessage(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    return CString(buffer.data());
}

long CRichEditCtrl::GetTextLength() const
{
    GETTEXTLENGTHEX query = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    LRESULT length = SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
    if (length >= 0 && length != E_INVALIDARG)
        return static_cast<long>(length);
    return static_cast<long>(::GetWindowTextLengthA(m_hWnd));
}
