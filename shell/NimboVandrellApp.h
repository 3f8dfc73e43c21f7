// The main program's application object.
#pragma once

#include "framework/win/WinApp.h"

class CNimboVandrellApp : public CWinApp {
public:
    CNimboVandrellApp();
    BOOL InitInstance() override;
};
