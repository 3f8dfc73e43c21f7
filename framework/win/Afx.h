// Entry header of the framework's Windows layer: the system headers in the order the framework
// needs them, the portable core, and the program-wide accessors.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include "framework/core/Arrays.h"
#include "framework/core/CString.h"

class CWinApp;
class CWnd;

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// Where dialogs, strings and bitmaps are loaded from (the program's own module by default).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);
