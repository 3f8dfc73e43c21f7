// Every message box of the programs goes through one presenter, so that tests can answer them
// (a modal box nobody answers waits for ever) and the program's own skinned box can take over
// once the main window is ready.
#pragma once

#include "framework/win/Afx.h"

// What a presenter answers when it could not show the box (the system box answers 0 then).
constexpr int kMessageBoxNotShown = 0;

class IMessageBoxPresenter {
public:
    virtual ~IMessageBoxPresenter() = default;
    // flags: the system box's MB_ buttons (MB_TYPEMASK), icon (MB_ICONMASK) and modality bits.
    // styled asks for the program's own message box (the main window is ready). Returns the
    // button chosen (IDOK, IDYES, ...), or kMessageBoxNotShown.
    virtual int Show(HWND owner, const char* text, UINT flags, bool styled) = 0;
};

// The answer that stands for a box nobody saw: what dismissing it would have meant. IDCANCEL
// where the buttons include Cancel, IDNO for Yes/No, IDABORT for Abort/Retry/Ignore, IDOK for
// OK alone.
int CancelAnswer(UINT flags);

// Installs a presenter (null restores the system message box); returns the previous one.
IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter);
IMessageBoxPresenter* GetMessageBoxPresenter();
// The system message box through the presenter; captions are the program's name.
int PresentMessageBox(HWND owner, const char* text, UINT flags, bool styled = false);
// A string-table text through the presenter.
int PresentMessageBoxId(HWND owner, UINT textId, UINT flags);
