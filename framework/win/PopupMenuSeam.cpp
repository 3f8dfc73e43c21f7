#include "framework/win/PopupMenuSeam.h"

namespace nvwin {

namespace {
PopupTracker& Tracker()
{
    static PopupTracker tracker;
    return tracker;
}
} // namespace

void SetPopupTracker(PopupTracker tracker) { Tracker() = std::move(tracker); }

UINT TrackPopup(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    if (!Tracker())
        return static_cast<UINT>(::TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr));
    const UINT command = Tracker()(menu, flags, x, y, owner);
    if (flags & TPM_RETURNCMD)
        return command;
    if (command != 0)
        ::SendMessageA(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return command != 0;
}

} // namespace nvwin
