// Window-system callbacks written as lambdas. A lambda without captures converts to a plain
// function pointer, but in the 32-bit build timer and enumeration procedures are stdcall, which
// that conversion can't give: these wrap the lambda in a stdcall procedure of its own (one per
// lambda type, holding the latest copy).
#pragma once

#include <windows.h>

#include <optional>
#include <utility>

namespace nvtest {

template <typename F>
struct CallbackOf {
    static std::optional<F>& Slot()
    {
        static std::optional<F> f;
        return f;
    }
    static void CALLBACK Timer(HWND window, UINT message, UINT_PTR id, DWORD time)
    {
        (*Slot())(window, message, id, time);
    }
    static BOOL CALLBACK Enum(HWND window, LPARAM param) { return (*Slot())(window, param); }
};

template <typename F>
TIMERPROC AsTimerProc(F f)
{
    CallbackOf<F>::Slot().emplace(std::move(f));
    return &CallbackOf<F>::Timer;
}

template <typename F>
WNDENUMPROC AsEnumProc(F f)
{
    CallbackOf<F>::Slot().emplace(std::move(f));
    return &CallbackOf<F>::Enum;
}

} // namespace nvtest
