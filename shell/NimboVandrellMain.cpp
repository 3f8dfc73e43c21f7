// The main program's one application object; the framework's WinMain runs it.
#include "shell/ClientApp.h"

CClientApp theApp;
