// The framework's entry point for programs: runs the program's static application object.
#include "framework/win/WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_commandLine = commandLine;
    app->m_showCommand = showCommand;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
