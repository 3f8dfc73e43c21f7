// The panel's temporary files: a "MMP" name in the user's temporary folder.
#pragma once

#include <windows.h>

// GetTempPathA, then GetTempFileNameA with prefix "MMP" (which creates the empty file) into
// buffer (MAX_PATH characters). On failure of either, the box "MCI SAVE FALSE" goes through the
// message-box presenter and the result is false.
bool MakeTempFileName(char* buffer, HWND owner = nullptr);
