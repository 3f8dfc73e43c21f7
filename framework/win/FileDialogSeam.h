// The save-file dialog goes through here, so that tests can answer it with a path instead of
// running the system dialog (which runs its own modal loop).
#pragma once

#include "framework/win/Afx.h"

#include <functional>

namespace nvwin {

// Gets the owner, the proposed file name and the filter ("text|pattern|...||"); answers the
// chosen path, or an empty text for a cancelled dialog.
using SaveFileChooser = std::function<CString(HWND owner, const CString& fileName, const CString& filter)>;
// A chooser from now on; an empty one gives back the system dialog.
void SetSaveFileChooser(SaveFileChooser chooser);

// The save dialog with the proposed name, no default extension, read-only box hidden and a
// prompt before overwriting; the chosen path, or empty when cancelled.
CString ChooseSaveFile(HWND owner, const CString& fileName, const CString& filter);

} // namespace nvwin
