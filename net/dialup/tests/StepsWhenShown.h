// A dialog under test that runs the test's steps once it is on the screen, as a user's actions
// would come (a timer comes only when nothing else is queued, after the modal loop has shown it).
#pragma once

#include "framework/win/Dialog.h"

#include <functional>

template <class Dialog> class StepsWhenShown : public Dialog {
public:
    using Dialog::Dialog;
    BOOL OnInitDialog() override
    {
        BOOL result = Dialog::OnInitDialog();
        ::SetTimer(this->m_hWnd, kTimer, 20, Tick);
        return result;
    }
    std::function<void(HWND)> steps;

private:
    static constexpr UINT_PTR kTimer = 0x4E57;
    static void CALLBACK Tick(HWND window, UINT, UINT_PTR timer, DWORD)
    {
        if (!::IsWindowVisible(window))
            return;
        ::KillTimer(window, timer);
        auto* self = dynamic_cast<StepsWhenShown*>(CWnd::FromHandlePermanent(window));
        if (self && self->steps)
            self->steps(window);
    }
};
