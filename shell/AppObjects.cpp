#include "shell/AppObjects.h"

#include <windows.h>

namespace {

CSkinManager* g_skins = nullptr;
EndProgramHandler g_endProgram = nullptr;

} // namespace

CSkinManager* GetAppSkinManager() { return g_skins; }
void SetAppSkinManager(CSkinManager* skins) { g_skins = skins; }

void SetEndProgramHandler(EndProgramHandler handler) { g_endProgram = handler; }

void EndProgramNow(int exitCode)
{
    if (g_endProgram) {
        g_endProgram(exitCode);
        return;
    }
    ::ExitProcess(static_cast<UINT>(exitCode));
}
