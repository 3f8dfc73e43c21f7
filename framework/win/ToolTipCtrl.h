// CToolTipCtrl: a tooltip window owned by a parent window. Tools are windows (tool id 0: the
// window itself, its tip shown anywhere over it) or rectangles of a window (a non-zero id).
// The owner hands mouse messages to RelayEvent from its PreTranslateMessage.
#pragma once

#include "framework/win/Wnd.h"

class CToolTipCtrl : public CWnd {
public:
    // style: TTS_ALWAYSTIP, TTS_NOPREFIX, TTS_BALLOON...
    BOOL Create(CWnd* parent, DWORD style = 0);

    // text LPSTR_TEXTCALLBACKA asks the tool's window with TTN_GETDISPINFO.
    BOOL AddTool(CWnd* tool, const char* text = LPSTR_TEXTCALLBACKA, const RECT* rect = nullptr, UINT_PTR toolId = 0);
    // The text from the string table.
    BOOL AddTool(CWnd* tool, UINT textId, const RECT* rect = nullptr, UINT_PTR toolId = 0);
    void DelTool(CWnd* tool, UINT_PTR toolId = 0);
    void UpdateTipText(const char* text, CWnd* tool, UINT_PTR toolId = 0);
    void UpdateTipText(UINT textId, CWnd* tool, UINT_PTR toolId = 0);
    void SetToolRect(CWnd* tool, UINT_PTR toolId, const RECT& rect);
    // The text a tool shows now ("" for an unknown tool).
    void GetText(CString& text, CWnd* tool, UINT_PTR toolId = 0) const;
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }

    void RelayEvent(MSG* msg);
    void Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate); }
    void Pop() { SendMessage(TTM_POP); }
    int SetMaxTipWidth(int width) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, width)); }
    // Milliseconds before the tip shows (TTDT_INITIAL), or for another of the delays.
    void SetDelayTime(UINT delay) { SendMessage(TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(delay, 0)); }
    void SetDelayTime(DWORD which, int delay) { SendMessage(TTM_SETDELAYTIME, which, MAKELPARAM(delay, 0)); }
    int GetDelayTime(DWORD which) const { return static_cast<int>(SendMessage(TTM_GETDELAYTIME, which)); }
    void SetTipBkColor(COLORREF colour) { SendMessage(TTM_SETTIPBKCOLOR, colour); }
    void SetTipTextColor(COLORREF colour) { SendMessage(TTM_SETTIPTEXTCOLOR, colour); }

private:
    // The tool's record as the control keys it.
    static void FillToolInfo(TTTOOLINFOA& info, CWnd* tool, UINT_PTR toolId);
};
