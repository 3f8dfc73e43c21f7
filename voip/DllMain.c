#define QELO_BUILDING
#include "qelo.h"

#include <string.h>

HINSTANCE hDllVoip = NULL;

static const char kVersionText[] = "1.18R6B2";

void __cdecl PW_get_version(char* out)
{
    if (out)
        memcpy(out, kVersionText, sizeof kVersionText);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        hDllVoip = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
