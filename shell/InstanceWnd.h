// CInstanceWnd: the hidden window of class "Qelo_NimboVandrell" through which a second start of
// the program, the sign-up program and the shell reach the running instance.
#pragma once

#include "framework/win/Wnd.h"

class CInstanceWnd : public CWnd {
public:
    CInstanceWnd() = default;
    ~CInstanceWnd() override;
    // Registers the class and creates the window; returns whether the window exists.
    BOOL Create();

    static LRESULT CALLBACK InstanceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// Hands a command line to the running instance: 0x40E (come to the front) and, for a non-empty
// command line, 0x40B with a global atom holding it. Returns false when the text could not be
// handed over (too long for an atom, or the running instance did not take it in time).
bool NotifyRunningInstance(const CString& commandLine);
