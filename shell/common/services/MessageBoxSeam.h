// Every message box of the programs goes through one presenter, so that tests can answer them
// (a modal box nobody answers waits for ever) and the program's own skinned box can take over
// once the main window is ready.
#pragma once

#include "framework/win/Afx.h"

class IMessageBoxPresenter {
public:
    virtual ~IMessageBoxPresenter() = default;
    // flags: buttons in the low four bits, icon in 0xF0, as the system box codes them. styled
    // asks for the program's own message box (the main window is ready). Returns the button
    // chosen (IDOK, IDYES, ...), or 0.
    virtual int Show(HWND owner, const char* text, UINT flags, bool styled) = 0;
};

// Installs a presenter (null restores the system message box); returns the previous one.
IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter);
IMessageBoxPresenter* GetMessageBoxPresenter();
// The system message box through the presenter; captions are the program's name.
int PresentMessageBox(HWND owner, const char* text, UINT flags, bool styled = false);
// A string-table text through the presenter.
int PresentMessageBoxId(HWND owner, UINT textId, UINT flags);
