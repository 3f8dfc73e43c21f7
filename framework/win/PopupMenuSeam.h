// Context menus go through here, so that tests can read the menu a window built and answer with
// a command instead of tracking a real popup (which runs its own modal loop).
#pragma once

#include "framework/win/Afx.h"

#include <functional>

namespace nvwin {

// Gets the built menu and answers the chosen command, or 0 for none.
using PopupTracker = std::function<UINT(HMENU menu, UINT flags, int x, int y, HWND owner)>;
// A tracker for this thread's windows from now on; an empty one gives back TrackPopupMenu.
void SetPopupTracker(PopupTracker tracker);

// Tracks the popup: with a tracker registered, its command is sent to owner as WM_COMMAND (as
// TrackPopupMenu would do without TPM_RETURNCMD), or returned with TPM_RETURNCMD.
UINT TrackPopup(HMENU menu, UINT flags, int x, int y, HWND owner);

} // namespace nvwin
