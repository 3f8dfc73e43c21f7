// The library's entry point: every attach and detach stores the module handle.
#ifndef QELO_BUILDING
#define QELO_BUILDING
#endif
#include "voip/qelo.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reason;
    (void)reserved;
    hDllVoip = instance;
    return TRUE;
}
