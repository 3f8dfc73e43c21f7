// CToolTipCtrl: the system's tooltip control, bound to an object; tools are child windows of
// the tooltip's owner, each with its own text.
#pragma once

#include "framework/win/Wnd.h"

class CToolTipCtrl : public CWnd {
public:
    // style: TTS_* bits (TTS_ALWAYSTIP shows tips also while the owner is inactive).
    BOOL Create(CWnd* owner, DWORD style = 0);
    void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, active ? TRUE : FALSE, 0); }
    // A tool for a child window of the owner; the text is copied by the control.
    BOOL AddTool(HWND tool, const char* text);
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT, 0, 0)); }
    // The text of the tool of that window, or empty.
    CString GetToolText(HWND tool) const;

private:
    HWND m_owner = nullptr;
};
