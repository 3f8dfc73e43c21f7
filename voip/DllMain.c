#define QELO_BUILDING
#include "qelo.h"

HINSTANCE hDllVoip = NULL;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        hDllVoip = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
