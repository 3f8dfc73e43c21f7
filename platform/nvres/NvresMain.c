/* nvres.dll holds nothing but texts: its entry point publishes its own module handle. */
#define NVRES_BUILDING
#include "platform/nvres/nvres.h"

HINSTANCE hDllNvres = NULL;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        hDllNvres = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
