#include "framework/win/ToolTipCtrl.h"

namespace {

// The size of the record that every common-controls version accepts (its last field is lParam).
const UINT kToolInfoSize = TTTOOLINFOA_V2_SIZE;

} // namespace

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&init);
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr);
}

void CToolTipCtrl::FillToolInfo(TTTOOLINFOA& info, CWnd* tool, UINT_PTR toolId)
{
    info = {};
    info.cbSize = kToolInfoSize;
    HWND toolWindow = tool ? tool->m_hWnd : nullptr;
    if (toolId == 0) {
        info.hwnd = ::GetParent(toolWindow) ? ::GetParent(toolWindow) : toolWindow;
        info.uFlags = TTF_IDISHWND;
        info.uId = reinterpret_cast<UINT_PTR>(toolWindow);
    } else {
        info.hwnd = toolWindow;
        info.uId = toolId;
    }
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, const char* text, const RECT* rect, UINT_PTR toolId)
{
    if (!m_hWnd || !tool || !tool->m_hWnd)
        return FALSE;
    TTTOOLINFOA info;
    FillToolInfo(info, tool, toolId);
    if (rect)
        info.rect = *rect;
    else if (toolId != 0)
        ::GetClientRect(tool->m_hWnd, &info.rect);
    info.hinst = nullptr;
    info.lpszText = const_cast<char*>(text ? text : LPSTR_TEXTCALLBACKA);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, UINT textId, const RECT* rect, UINT_PTR toolId)
{
    CString text;
    text.LoadString(textId);
    return AddTool(tool, text.GetString(), rect, toolId);
}

void CToolTipCtrl::DelTool(CWnd* tool, UINT_PTR toolId)
{
    TTTOOLINFOA info;
    FillToolInfo(info, tool, toolId);
    SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* tool, UINT_PTR toolId)
{
    TTTOOLINFOA info;
    FillToolInfo(info, tool, toolId);
    info.lpszText = const_cast<char*>(text ? text : "");
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(UINT textId, CWnd* tool, UINT_PTR toolId)
{
    CString text;
    text.LoadString(textId);
    UpdateTipText(text.GetString(), tool, toolId);
}

void CToolTipCtrl::SetToolRect(CWnd* tool, UINT_PTR toolId, const RECT& rect)
{
    TTTOOLINFOA info;
    FillToolInfo(info, tool, toolId);
    info.rect = rect;
    SendMessage(TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::GetText(CString& text, CWnd* tool, UINT_PTR toolId) const
{
    text.Empty();
    TTTOOLINFOA info;
    FillToolInfo(info, tool, toolId);
    if (!SendMessage(TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)))
        return;
    // The control writes at most the buffer size given in wParam.
    const int size = 4096;
    FillToolInfo(info, tool, toolId);
    char* buffer = text.GetBufferSetLength(size);
    buffer[0] = '\0';
    info.lpszText = buffer;
    SendMessage(TTM_GETTEXTA, size, reinterpret_cast<LPARAM>(&info));
    text.ReleaseBuffer(-1);
}

void CToolTipCtrl::RelayEvent(MSG* msg)
{
    if (m_hWnd && msg)
        SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
