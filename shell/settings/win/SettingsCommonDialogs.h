// The system's file-open and colour dialogs as the settings pages use them (the program's
// settings host calls these; tests answer the host instead).
#pragma once

#include "framework/win/Afx.h"

namespace settingsui {

// A sound file: filter string 178, "*.wav", read-only box hidden. False when cancelled.
bool ChooseSoundFile(HWND owner, CString* path);
// A colour, starting from *colour. False when cancelled.
bool ChooseColour(HWND owner, COLORREF* colour);

} // namespace settingsui
