// The library's entry point: every attach and detach stores the module handle. An unload by
// FreeLibrary (reserved is null) also ends the recording hand-off window and unregisters its
// class, whose procedure is code of this module; at process exit nothing is left to tidy.
#ifndef QELO_BUILDING
#define QELO_BUILDING
#endif
#include "voip/qelo.h"
#include "voip/win/VoicePath.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    hDllVoip = instance;
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        qelo::VoiceUnload();
    return TRUE;
}
