// The program's static objects besides the application object: the skin manager and the tray
// icon (shell/NimboVandrellMain.cpp defines them in that order, before the application object),
// and how the program ends at once. Tests register their own.
#pragma once

class CSkinManager;

// The program's skin manager, or null while none is registered.
CSkinManager* GetAppSkinManager();
void SetAppSkinManager(CSkinManager* skins);

// Ends the program at once with an exit code (a base skin the main window can't use). Tests
// record the call instead; the handler returns when it does not end the process.
using EndProgramHandler = void (*)(int exitCode);
void SetEndProgramHandler(EndProgramHandler handler);
void EndProgramNow(int exitCode);
