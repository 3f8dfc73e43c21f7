#include "framework/win/ToolTipCtrl.h"

BOOL CToolTipCtrl::Create(CWnd* owner, DWORD style)
{
    if (!owner || !owner->IsWindow())
        return FALSE;
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&init);
    m_owner = owner->m_hWnd;
    HWND tip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_owner, nullptr,
                                 AfxGetInstanceHandle(), nullptr);
    return tip && Attach(tip);
}

namespace {

TOOLINFOA ToolInfo(HWND owner, HWND tool, char* text)
{
    TOOLINFOA info{};
    // The size of the structure before the fields that newer controls added.
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    return info;
}

} // namespace

BOOL CToolTipCtrl::AddTool(HWND tool, const char* text)
{
    if (!m_hWnd || !tool)
        return FALSE;
    CString copy(text);
    TOOLINFOA info = ToolInfo(m_owner, tool, copy.GetBuffer());
    BOOL added = static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
    copy.ReleaseBuffer();
    return added;
}

CString CToolTipCtrl::GetToolText(HWND tool) const
{
    if (!m_hWnd)
        return CString();
    char buffer[1024] = "";
    TOOLINFOA info = ToolInfo(m_owner, tool, buffer);
    SendMessage(TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&info));
    return CString(buffer);
}
